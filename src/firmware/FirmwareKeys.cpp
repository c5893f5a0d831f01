#include "firmware/FirmwareKeys.h"

#include "base/Logger.h"
#include "firmware/FirmwareCipher.h"

namespace lensdock {

QByteArray FirmwareKeys::repeatToLength(const QByteArray& phrase, int length) {
    if (phrase.isEmpty())
        return QByteArray(length, '\0');
    QByteArray result;
    result.reserve(length);
    while (result.size() < length)
        result.append(phrase.left(length - result.size()));
    return result;
}

QByteArray FirmwareKeys::baseKey() {
    return repeatToLength(basePassPhrase.toUtf8(), FirmwareCipher::keyLength);
}

std::optional<QByteArray> FirmwareKeys::parseDecodeKey(const QString& text) {
    const QString tag = QStringLiteral("Decode");
    const QByteArray digits = text.toUtf8();
    if (digits.size() != decodeKeyTextLength) {
        Logger::error(tag, QStringLiteral("Error decryptionKeyData Length"));
        return std::nullopt;
    }
    QByteArray bytes(decodeKeyTextLength / 2, '\0');
    for (qsizetype j = 0; j < bytes.size(); ++j) {
        const int high = hexDigitValue(digits[2 * j]);
        const int low = hexDigitValue(digits[2 * j + 1]);
        if (high < 0 || low < 0) {
            Logger::error(tag, QStringLiteral("Error Invalid key"));
            return std::nullopt;
        }
        bytes[j] = static_cast<char>(high << 4 | low);
    }
    return bytes;
}

int FirmwareKeys::hexDigitValue(char digit) {
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return -1;
}

} // namespace lensdock
