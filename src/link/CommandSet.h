#pragma once

#include "link/CommDataFormat.h"

#include <cstdint>
#include <optional>
#include <QByteArray>
#include <QString>

namespace lensdock {

// Selects a request for the connection thread's builder; the function number is 0xF7 + index.
enum class CommandIndex : std::uint8_t {
    checkLensMounted = 0,
    reqLensConnect = 1,
    reqLensDisconnect = 2,
    getBasicInfo = 3,
    setAdjData = 4,
    getAdjData = 5,
};

namespace FunctionNumber {
constexpr std::uint8_t checkLensMounted = 0xF7;
constexpr std::uint8_t reqLensConnect = 0xF8;
constexpr std::uint8_t reqLensDisconnect = 0xF9;
constexpr std::uint8_t getBasicInfo = 0xFA;
constexpr std::uint8_t setAdjData = 0xFB;
constexpr std::uint8_t getAdjData = 0xFC;
constexpr std::uint8_t updateFirmware = 0xFD;
constexpr std::uint8_t commError = 0xFF;
} // namespace FunctionNumber

// Single bytes that travel alone on the line during a firmware transfer.
namespace ControlByte {
constexpr std::uint8_t stx = 0x02;
constexpr std::uint8_t eot = 0x04;
constexpr std::uint8_t ack = 0x06;
constexpr std::uint8_t nak = 0x15;
constexpr std::uint8_t can = 0x18;
constexpr std::uint8_t readyToReceive = 0x43; // the letter C
} // namespace ControlByte

// Bit of the first payload byte of a 0xFF reply that reports over-current.
constexpr std::uint8_t bitOverCurrent = 0x20;

constexpr std::uint8_t functionNumber(CommandIndex index) {
    return static_cast<std::uint8_t>(FunctionNumber::checkLensMounted + static_cast<std::uint8_t>(index));
}

// "Check Lens Mounted", ..., "Command Undefine" for unknown numbers.
QString commandLogName(std::uint8_t funcNumber);
// The function's name for a frame, else "Length = " and the byte count.
QString bufferLogName(const QByteArray& buffer);

// The request for indices 0 to 3 and 5; nothing for the others, which have builders of their own.
std::optional<CommDataFormat> buildRequest(CommandIndex index, bool toAdapter);

// One byte of two decimal digits as a two-character string; nothing when a nibble is above 9.
std::optional<QString> bcdToString(std::uint8_t byte);

// Payload of the firmware update request (0xFD).
struct CommUpdateFirmwareData {
    std::uint8_t targetDevice = 0;
    std::uint8_t targetArea = 0;

    QByteArray payload() const;
};

} // namespace lensdock
