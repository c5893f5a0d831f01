#include "FirmwareCipher.h"

namespace lensdock::FirmwareCipher {

namespace {
constexpr char basePassPhrase[] = "CipherUtilityRootWord";

std::optional<std::uint8_t> hexNibble(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return static_cast<std::uint8_t>(u - '0');
    if (u >= 'A' && u <= 'F')
        return static_cast<std::uint8_t>(u - 'A' + 10);
    if (u >= 'a' && u <= 'f')
        return static_cast<std::uint8_t>(u - 'a' + 10);
    return std::nullopt;
}
} // namespace

Key baseKey() {
    const QByteArray phrase(basePassPhrase);
    Key key{};
    for (qsizetype i = 0; i < keyLength; ++i)
        key[i] = static_cast<std::uint8_t>(phrase[i % phrase.size()]);
    return key;
}

std::optional<Key> fileKey(const QString& decodeKey) {
    if (decodeKey.size() != 2 * keyLength)
        return std::nullopt;
    const Key base = baseKey();
    Key key{};
    for (qsizetype j = 0; j < keyLength; ++j) {
        const auto high = hexNibble(decodeKey[2 * j]);
        const auto low = hexNibble(decodeKey[2 * j + 1]);
        if (!high || !low)
            return std::nullopt;
        key[j] = static_cast<std::uint8_t>((*high << 4 | *low) ^ base[j]);
    }
    return key;
}

QByteArray apply(const QByteArray& bytes, const Key& key, qsizetype streamOffset) {
    QByteArray out(bytes.size(), '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(static_cast<std::uint8_t>(bytes[i]) ^ key[(streamOffset + i) % keyLength]);
    return out;
}

} // namespace lensdock::FirmwareCipher
