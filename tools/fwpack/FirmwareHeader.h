#pragma once

#include "FirmwareRecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// The 1024-byte header in front of every record of a (deciphered) firmware file. Multi-byte values
// are little-endian, except the version: its two bytes are the BCD digit pairs in reading order, so
// "0102" is 01 02, exactly the two bytes the device then reports in its identity.
namespace FirmwareHeader {
constexpr qsizetype length = 1024;
constexpr qsizetype offsetDataSize = 64;
constexpr qsizetype offsetVersion = 68;
constexpr qsizetype offsetDataCrc = 70;
constexpr qsizetype offsetTargetDevice = 72;
constexpr qsizetype offsetTargetArea = 73;
constexpr std::uint32_t maxDataSize = 1048576;

struct Fields {
    std::uint32_t dataSize = 0;
    std::array<std::uint8_t, 2> version{0, 0};
    std::array<std::uint8_t, 2> dataCrc{0, 0}; // low byte first
    std::uint8_t targetDevice = 0;
    std::uint8_t targetArea = 0;
};

// The two version bytes for four decimal digits; nothing for any other text.
std::optional<std::array<std::uint8_t, 2>> versionBytes(const QString& version);

// The header of `record`; nothing (and `error` set) when its version or size cannot be stored.
std::optional<QByteArray> build(const FirmwareRecord& record, QString* error = nullptr);

// The fields of a header; nothing when it is not 1024 bytes long.
std::optional<Fields> parse(const QByteArray& header);
} // namespace FirmwareHeader

} // namespace lensdock
