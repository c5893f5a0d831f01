#pragma once

#include <QFrame>

class QLineEdit;

namespace lensdock {

class FocusValueSlider;

// One cell of the focus adjustment grid: a text field and a slider showing the same whole value.
// The text field is read-only until the tab opens it for editing.
class FocusAdjustmentCell : public QFrame {
    Q_OBJECT
public:
    explicit FocusAdjustmentCell(QWidget* parent = nullptr);

    QLineEdit* text() const { return text_; }
    FocusValueSlider* slider() const { return slider_; }

    // Shows `value` in both, enabled or not.
    void showValue(qint64 value, bool enabled);
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return highlighted_; }
    void setEditable(bool editable);
    bool isEditable() const;

private:
    QLineEdit* text_;
    FocusValueSlider* slider_;
    bool highlighted_ = false;
};

} // namespace lensdock
