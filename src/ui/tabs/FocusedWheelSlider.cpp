#include "ui/tabs/FocusedWheelSlider.h"

#include <QWheelEvent>

namespace lensdock {

FocusedWheelSlider::FocusedWheelSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // Without the wheel bit, turning the wheel over the slider does not give it the focus either.
    setFocusPolicy(Qt::StrongFocus);
}

void FocusedWheelSlider::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QSlider::wheelEvent(event);
}

} // namespace lensdock
