#include "ui/tabs/OnlyIntegerValidator.h"

namespace lensdock {

namespace {
bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isSign(QChar c) {
    return c == QLatin1Char('-') || c == QLatin1Char('+');
}

// An optional sign and at least one ASCII digit, nothing else (no spaces, no other scripts' digits).
bool isWholeNumber(const QString& text) {
    const qsizetype start = !text.isEmpty() && isSign(text.front()) ? 1 : 0;
    if (text.size() <= start)
        return false;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (!isAsciiDigit(text.at(i)))
            return false;
    }
    return true;
}
} // namespace

void OnlyIntegerValidator::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    emit changed();
}

std::optional<int> OnlyIntegerValidator::valueOf(const QString& text) const {
    if (text.size() > maximumLength || !isWholeNumber(text))
        return std::nullopt;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < minimum_ || value > maximum_)
        return std::nullopt;
    return int(value);
}

QValidator::State OnlyIntegerValidator::validate(QString& input, int&) const {
    if (input.size() > maximumLength)
        return Invalid;
    return valueOf(input) ? Acceptable : Intermediate;
}

} // namespace lensdock
