#pragma once

#include <array>
#include <cstdint>
#include <QByteArray>

namespace lensdock {

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
class Crc {
public:
    // Entry i is the register after shifting i * 256 through eight rounds, most significant bit first.
    static const std::array<std::uint16_t, 256>& crcTable();

    static std::uint16_t compute(const char* bytes, qsizetype length);
    static std::uint16_t compute(const QByteArray& bytes) { return compute(bytes.constData(), bytes.size()); }

    // The CRC of the whole list as [low, high].
    static std::array<std::uint8_t, 2> calcCrc(const QByteArray& bytes);
};

} // namespace lensdock
