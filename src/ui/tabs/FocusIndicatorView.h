#pragma once

#include "ui/tabs/FocusWindowView.h"

#include <QList>

namespace lensdock {

// The focus window with fixed marks along the scale: both ends and the middle by default.
class FocusIndicatorView : public FocusWindowView {
    Q_OBJECT
public:
    explicit FocusIndicatorView(QWidget* parent = nullptr);

    // Fractions of the focus scale.
    QList<qreal> tickMarks{0.0, 0.5, 1.0};

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lensdock
