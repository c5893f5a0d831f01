#include "ui/tabs/FocusedWheelSlider.h"

#include <algorithm>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

namespace lensdock {

FocusedWheelSlider::FocusedWheelSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // Without the wheel bit, turning the wheel over the slider does not give it the focus either.
    setFocusPolicy(Qt::StrongFocus);
}

int FocusedWheelSlider::handleLength() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this).width();
}

void FocusedWheelSlider::setMinimumStepWidth(int pixels) {
    const qint64 track = (qint64(maximum()) - minimum()) * pixels;
    setMinimumWidth(int(std::min<qint64>(track, QWIDGETSIZE_MAX / 2)) + handleLength());
}

void FocusedWheelSlider::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSlider::wheelEvent(event);
}

} // namespace lensdock
