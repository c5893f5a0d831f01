#pragma once

#include <QSlider>

namespace lensdock {

// A horizontal slider that the mouse wheel moves only while it has the keyboard focus; otherwise the
// wheel goes to the parent, so scrolling over a grid of sliders scrolls the grid and changes nothing.
class FocusedWheelSlider : public QSlider {
    Q_OBJECT
public:
    explicit FocusedWheelSlider(QWidget* parent = nullptr);

    // The width of the handle as the current style draws it.
    int handleLength() const;
    // At least `pixels` of track per step of the range, plus room for the handle.
    void setMinimumStepWidth(int pixels);

protected:
    void wheelEvent(QWheelEvent* event) override;
};

} // namespace lensdock
