#include "ui/tabs/FocusValueSlider.h"

#include <cmath>

namespace lensdock {

FocusValueSlider::FocusValueSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setSingleStep(stepsPerUnit);
    setPageStep(5 * stepsPerUnit);
}

void FocusValueSlider::setUnitRange(int minimum, int maximum) {
    setRange(minimum * stepsPerUnit, maximum * stepsPerUnit);
}

void FocusValueSlider::setUnitValue(qint64 value) {
    const qint64 bounded = std::clamp<qint64>(value, minimum() / stepsPerUnit, maximum() / stepsPerUnit);
    setValue(int(bounded) * stepsPerUnit);
}

qint64 FocusValueSlider::integerValue() const {
    return std::llround(unitPosition());
}

} // namespace lensdock
