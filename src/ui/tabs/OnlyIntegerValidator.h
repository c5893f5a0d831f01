#pragma once

#include <optional>
#include <QValidator>

namespace lensdock {

// What a focus adjustment field holds. A whole decimal number within the lens's range is acceptable;
// anything else of up to 19 characters is kept as typed but is not acceptable, so that a stray
// character (a decimal point, a letter) is seen in the field instead of being dropped and turning
// "1.5" into 15. Longer text is refused.
class OnlyIntegerValidator : public QValidator {
    Q_OBJECT
public:
    static constexpr int maximumLength = 19;

    explicit OnlyIntegerValidator(QObject* parent = nullptr) : QValidator(parent) {}

    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    // The whole number `text` holds, if it holds one within the range.
    std::optional<int> valueOf(const QString& text) const;
    State validate(QString& input, int& pos) const override;

private:
    int minimum_ = -30;
    int maximum_ = 30;
};

} // namespace lensdock
