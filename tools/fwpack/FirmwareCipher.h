#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// The stream cipher of firmware files: every byte is XORed with the 32-byte file key, cycling,
// counted from the start of the file. Enciphering and deciphering are the same operation.
namespace FirmwareCipher {
constexpr qsizetype keyLength = 32;
using Key = std::array<std::uint8_t, keyLength>;

// The built-in base pass phrase repeated (and cut) to 32 bytes.
Key baseKey();

// The file key for a 64-hex-digit decode key: decoded bytes XOR base key. Nothing when the text is
// not exactly 64 hexadecimal digits.
std::optional<Key> fileKey(const QString& decodeKey);

// `bytes` XORed with the key stream, starting at key position `streamOffset` mod 32.
QByteArray apply(const QByteArray& bytes, const Key& key, qsizetype streamOffset = 0);
} // namespace FirmwareCipher

} // namespace lensdock
