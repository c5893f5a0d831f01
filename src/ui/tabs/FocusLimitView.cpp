#include "ui/tabs/FocusLimitView.h"

#include <QPainter>

namespace lensdock {

namespace {
constexpr qreal shadeOpacity = 0.1;
constexpr qreal markOpacity = 0.15;
} // namespace

FocusLimitView::FocusLimitView(QWidget* parent) : FocusWindowView(parent) {}

void FocusLimitView::setMode(int mode) {
    if (mode_ == mode)
        return;
    mode_ = mode;
    update();
}

void FocusLimitView::setNearValue(qreal fraction) {
    if (nearValue_ == fraction)
        return;
    nearValue_ = fraction;
    update();
}

void FocusLimitView::setFarValue(qreal fraction) {
    if (farValue_ == fraction)
        return;
    farValue_ = fraction;
    update();
}

void FocusLimitView::shadeOutside(QPainter& painter) const {
    const QSizeF size = this->size();
    const QColor shade = QColor::fromRgbF(0, 0, 0, shadeOpacity);
    const qreal y = size.height() - imageHeight;
    const qreal nearX = scaleX(size, nearValue_);
    const qreal farX = scaleX(size, farValue_);
    painter.fillRect(toWidget(QRectF(0, y, nearX, imageHeight)), shade);
    painter.fillRect(toWidget(QRectF(farX, y, size.width(), imageHeight)), shade);
}

void FocusLimitView::paintEvent(QPaintEvent*) {
    if (focusIndicatorImage().isNull())
        return;
    QPainter painter(this);
    painter.save();
    drawWindow(painter);
    if (mode_ == rangeMode)
        shadeOutside(painter);
    painter.restore();
    drawMark(painter, nearValue_, markOpacity);
    drawMark(painter, farValue_, markOpacity);
}

} // namespace lensdock
