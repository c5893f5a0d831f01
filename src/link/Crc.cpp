#include "link/Crc.h"

namespace lensdock {

namespace {
constexpr std::uint16_t polynomial = 0x1021;

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t reg = static_cast<std::uint16_t>(i << 8);
        for (int round = 0; round < 8; ++round)
            reg = (reg & 0x8000) ? static_cast<std::uint16_t>((reg << 1) ^ polynomial)
                                 : static_cast<std::uint16_t>(reg << 1);
        table[i] = reg;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> table = makeTable();
} // namespace

const std::array<std::uint16_t, 256>& Crc::crcTable() {
    return table;
}

std::uint16_t Crc::compute(const char* bytes, qsizetype length) {
    std::uint16_t crc = 0;
    for (qsizetype i = 0; i < length; ++i) {
        const auto index = static_cast<std::uint8_t>((crc >> 8) ^ static_cast<std::uint8_t>(bytes[i]));
        crc = static_cast<std::uint16_t>((crc << 8) ^ table[index]);
    }
    return crc;
}

std::array<std::uint8_t, 2> Crc::calcCrc(const QByteArray& bytes) {
    const std::uint16_t crc = compute(bytes);
    return {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
}

} // namespace lensdock
