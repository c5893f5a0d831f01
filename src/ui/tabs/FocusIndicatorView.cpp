#include "ui/tabs/FocusIndicatorView.h"

#include <QPainter>

namespace lensdock {

namespace {
constexpr qreal tickOpacity = 0.15;
} // namespace

FocusIndicatorView::FocusIndicatorView(QWidget* parent) : FocusWindowView(parent) {}

void FocusIndicatorView::paintEvent(QPaintEvent* event) {
    FocusWindowView::paintEvent(event);
    if (focusIndicatorImage().isNull())
        return;
    QPainter painter(this);
    for (qreal tick : tickMarks)
        drawMark(painter, tick, tickOpacity);
}

} // namespace lensdock
