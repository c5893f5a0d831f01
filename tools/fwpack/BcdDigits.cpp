#include "BcdDigits.h"

namespace lensdock::BcdDigits {

namespace {
std::optional<int> digitValue(QChar c) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        return std::nullopt;
    return c.unicode() - '0';
}
} // namespace

std::optional<QByteArray> encode(const QString& digits) {
    if (digits.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const auto high = digitValue(digits[i]);
        const auto low = digitValue(digits[i + 1]);
        if (!high || !low)
            return std::nullopt;
        bytes.append(static_cast<char>(*high << 4 | *low));
    }
    return bytes;
}

} // namespace lensdock::BcdDigits
