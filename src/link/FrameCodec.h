#pragma once

#include "link/CommDataFormat.h"

#include <cstdint>
#include <optional>
#include <QByteArray>

namespace lensdock {

// Byte layout of command frames and firmware transfer blocks. Frames carry no escaping: a receiver
// finds the end of a frame only through its length field.
namespace FrameCodec {
constexpr qsizetype headerBytes = 7;   // start marker through function number
constexpr qsizetype overheadBytes = 9; // a frame is its length field + 9 bytes long
constexpr qsizetype functionOffset = 6;

enum class FrameError { none, tooShort, startMarker, length, endMarker };

// The packet number after `last`: 255 is followed by 1, so 0 is never sent.
std::uint8_t nextPacketNumber(std::uint8_t last);

// The whole frame of `request` with `packetNumber`; empty when the payload cannot be framed.
QByteArray encodeFrame(const CommDataFormat& request, std::uint8_t packetNumber);

// Value of the length field (needs at least 6 bytes).
int lengthField(const QByteArray& frame);

// Bytes the frame starting in `buffer` occupies; nothing while the header is incomplete.
std::optional<qsizetype> expectedFrameSize(const QByteArray& buffer);

// Structural check of a complete frame: header, a non-zero length field, enough bytes, end marker.
FrameError checkFrame(const QByteArray& frame);

// The response held in `frame`, when it passes `checkFrame`. The CRC is not checked here.
std::optional<CommDataFormat> decodeFrame(const QByteArray& frame);

// The CRC the frame must carry, [low, high], over start marker through last payload byte.
std::array<std::uint8_t, 2> expectedCrc(const QByteArray& frame);

// A transfer block: 3 header bytes, the data, then the CRC of the data, high byte first.
QByteArray encodeTransferBlock(const QByteArray& header, const QByteArray& data);
} // namespace FrameCodec

} // namespace lensdock
