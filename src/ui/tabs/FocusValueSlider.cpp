#include "ui/tabs/FocusValueSlider.h"

#include <algorithm>
#include <cmath>

namespace lensdock {

namespace {
// Room for the handle at either end of the track.
constexpr int handleAllowance = 24;
// A lens with an unusually wide range must not push the window off the screen.
constexpr int widestTrack = 240;
} // namespace

FocusValueSlider::FocusValueSlider(QWidget* parent) : FocusedWheelSlider(parent) {
    setSingleStep(stepsPerUnit);
    setPageStep(5 * stepsPerUnit);
    // The grid is walked with Tab through its fields; a slider takes the focus when it is clicked.
    setFocusPolicy(Qt::ClickFocus);
}

void FocusValueSlider::setUnitRange(int minimum, int maximum) {
    setRange(minimum * stepsPerUnit, maximum * stepsPerUnit);
    const qint64 track = std::clamp<qint64>((qint64(maximum) - minimum) * pixelsPerUnit, 0, widestTrack);
    setMinimumWidth(int(track) + handleAllowance);
}

void FocusValueSlider::setUnitValue(qint64 value) {
    const qint64 bounded = std::clamp<qint64>(value, minimum() / stepsPerUnit, maximum() / stepsPerUnit);
    setValue(int(bounded) * stepsPerUnit);
}

qint64 FocusValueSlider::integerValue() const {
    return std::llround(unitPosition());
}

} // namespace lensdock
