#pragma once

#include <optional>
#include <QFrame>

class QLineEdit;

namespace lensdock {

class FocusValueSlider;
class OnlyIntegerValidator;

// One cell of the focus adjustment grid: a text field and a slider showing the same whole value.
// The text field is read-only until the tab opens it for editing. Text that is not a whole number
// in the lens's range stays as typed, outlined in red, until the edit ends.
class FocusAdjustmentCell : public QFrame {
    Q_OBJECT
public:
    explicit FocusAdjustmentCell(QWidget* parent = nullptr);

    QLineEdit* text() const { return text_; }
    FocusValueSlider* slider() const { return slider_; }

    // The range of the slider and of what the text field accepts; shown as placeholder and tooltip.
    void setRange(int minimum, int maximum);
    // Shows `value` in both, enabled or not.
    void showValue(qint64 value, bool enabled);
    // The value the text field holds, if it is a whole number within the range.
    std::optional<int> typedValue() const;
    // Moves the slider to the typed value, if there is one; true if there was.
    bool takeTypedValue();
    bool isMarkedInvalid() const;
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return highlighted_; }
    void setEditable(bool editable);
    bool isEditable() const;

private:
    void markInvalid(bool invalid);

    QLineEdit* text_;
    FocusValueSlider* slider_;
    OnlyIntegerValidator* validator_;
    bool highlighted_ = false;
};

} // namespace lensdock
