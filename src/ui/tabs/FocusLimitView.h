#pragma once

#include "ui/tabs/FocusWindowView.h"

namespace lensdock {

// The focus window of one limiter switch position: marks at the near and far limits and, in range
// mode, the parts of the scale outside them shaded.
class FocusLimitView : public FocusWindowView {
    Q_OBJECT
public:
    static constexpr int rangeMode = 1;
    static constexpr int segmentMode = 2;

    explicit FocusLimitView(QWidget* parent = nullptr);

    int mode() const { return mode_; }
    qreal nearValue() const { return nearValue_; }
    qreal farValue() const { return farValue_; }
    // Each redraws only when the value changes.
    void setMode(int mode);
    void setNearValue(qreal fraction);
    void setFarValue(qreal fraction);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void shadeOutside(QPainter& painter) const;

    int mode_ = rangeMode;
    qreal nearValue_ = 0;
    qreal farValue_ = 1;
};

} // namespace lensdock
