#pragma once

#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// The key material of enciphered firmware: the base key from the built-in pass phrase and the
// per-file decode key given as hexadecimal text.
class FirmwareKeys {
public:
    static inline const QString basePassPhrase = QStringLiteral("CipherUtilityRootWord");
    static constexpr int decodeKeyTextLength = 64;

    // `phrase` repeated and cut to exactly `length` bytes (all zero when `phrase` is empty).
    static QByteArray repeatToLength(const QByteArray& phrase, int length);

    // The base key: the UTF-8 bytes of the built-in pass phrase repeated to the key length.
    static QByteArray baseKey();

    // The 32 bytes written as 64 hexadecimal digits in `text` (either case). Nothing, with an error
    // line tagged "Decode", when the length or a digit is wrong.
    static std::optional<QByteArray> parseDecodeKey(const QString& text);

private:
    static int hexDigitValue(char digit);
};

} // namespace lensdock
