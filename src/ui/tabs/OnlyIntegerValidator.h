#pragma once

#include <QValidator>

namespace lensdock {

// What may be typed into a focus adjustment field: nothing, or up to 19 characters of which the
// first is an ASCII digit or a sign and every other an ASCII digit. Whether the number is in range
// is decided when the edit ends.
class OnlyIntegerValidator : public QValidator {
    Q_OBJECT
public:
    static constexpr int maximumLength = 19;

    using QValidator::QValidator;

    static bool isAcceptable(const QString& text);
    State validate(QString& input, int& pos) const override;
};

} // namespace lensdock
