#include "ui/tabs/OnlyIntegerValidator.h"

namespace lensdock {

namespace {
bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isSign(QChar c) {
    return c == QLatin1Char('-') || c == QLatin1Char('+');
}
} // namespace

bool OnlyIntegerValidator::isAcceptable(const QString& text) {
    if (text.isEmpty())
        return true;
    if (text.size() > maximumLength)
        return false;
    if (!isAsciiDigit(text.front()) && !isSign(text.front()))
        return false;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!isAsciiDigit(text.at(i)))
            return false;
    }
    return true;
}

QValidator::State OnlyIntegerValidator::validate(QString& input, int&) const {
    return isAcceptable(input) ? Acceptable : Invalid;
}

} // namespace lensdock
