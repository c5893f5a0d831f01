#pragma once

#include <QPalette>

class QWidget;

namespace lensdock {

// The application's look is light whatever the desktop's theme: its drawings (the focus views' marks
// below the window strip, the limiter switch icons) use dark ink made for a light ground, and would
// vanish on a dark one.
class LightLook {
public:
    // A complete light palette, every role set, so that no colour of the desktop's palette seeps in.
    static QPalette palette();
    // Gives `widget` and everything inside it the light palette and a ground painted in it.
    static void apply(QWidget& widget);
};

} // namespace lensdock
