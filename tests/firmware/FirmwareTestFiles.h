#pragma once

#include "Bytes.h"
#include "link/Crc.h"

#include <array>
#include <cstdint>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

// Firmware files written from the format's rules, independently of the decoder under test.
namespace firmwaretest {

// The decode key of the reference files and the file key it gives with the built-in pass phrase,
// worked out once outside this code base.
inline const QString decodeKeyText =
    QStringLiteral("00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210");
inline const QByteArray fileKey =
    hexBytes("4378525B21273303E1F5C3CFB58F819075742A15EDE8A49F96B9C8CD023D5E79");

// A 1024-byte header that declares `declaredSize` data bytes with the given CRC bytes [low, high].
inline QByteArray header(std::uint32_t declaredSize, std::array<std::uint8_t, 2> crc, char fill = '\0') {
    QByteArray bytes(1024, fill);
    qToLittleEndian<quint32>(declaredSize, bytes.data() + 64);
    bytes[68] = 0x02; // version 0x0102, not interpreted
    bytes[69] = 0x01;
    bytes[70] = static_cast<char>(crc[0]);
    bytes[71] = static_cast<char>(crc[1]);
    bytes[72] = 0x01; // target device
    bytes[73] = 0x02; // target area
    return bytes;
}

// A well-formed deciphered record holding `data`.
inline QByteArray record(const QByteArray& data, char fill = '\0') {
    return header(static_cast<std::uint32_t>(data.size()), lensdock::Crc::calcCrc(data), fill) + data;
}

// Data bytes 0, 1, 2, ... wrapping at 251 so that no key period lines up with the pattern.
inline QByteArray pattern(int length) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// The whole file as one key stream: byte i XOR key[i mod 32].
inline QByteArray encipher(const QByteArray& plain, const QByteArray& key = fileKey) {
    QByteArray bytes(plain);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ key[i % key.size()]);
    return bytes;
}

// Bytes stored as hexadecimal text lines; lines starting with '#' are comments.
inline QByteArray readHexFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QByteArray hex;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.startsWith('#'))
            hex += line;
    }
    return hexBytes(hex.constData());
}

} // namespace firmwaretest
