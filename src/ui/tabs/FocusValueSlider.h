#pragma once

#include "ui/tabs/FocusedWheelSlider.h"

namespace lensdock {

// A slider over whole focus adjustment values that moves in tenths, so that a drag can stop between
// two values; the tab then rounds it to the nearest whole value. It is at least wide enough for one
// value to be a deliberate move of the mouse.
class FocusValueSlider : public FocusedWheelSlider {
    Q_OBJECT
public:
    static constexpr int stepsPerUnit = 10;
    static constexpr int pixelsPerUnit = 3;

    explicit FocusValueSlider(QWidget* parent = nullptr);

    void setUnitRange(int minimum, int maximum);
    void setUnitValue(qint64 value);
    // The position in whole values, fractions included.
    qreal unitPosition() const { return qreal(value()) / stepsPerUnit; }
    // The position rounded to a whole value, halves away from zero.
    qint64 integerValue() const;
};

} // namespace lensdock
