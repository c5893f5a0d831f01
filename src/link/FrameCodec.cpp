#include "link/FrameCodec.h"

#include "link/Crc.h"

namespace lensdock::FrameCodec {

std::uint8_t nextPacketNumber(std::uint8_t last) {
    return last == 255 ? 1 : static_cast<std::uint8_t>(last + 1);
}

QByteArray encodeFrame(const CommDataFormat& request, std::uint8_t packetNumber) {
    const qsizetype payloadLength = request.data.size();
    if (payloadLength > CommDataFormat::maxPayloadLength)
        return {};
    const auto length = static_cast<std::uint16_t>(payloadLength + 1);
    QByteArray frame;
    frame.reserve(payloadLength + overheadBytes + 1);
    frame.append(static_cast<char>(CommDataFormat::startMarker));
    frame.append(static_cast<char>(packetNumber));
    frame.append(static_cast<char>(request.destination));
    frame.append('\0');
    frame.append(static_cast<char>(length & 0xFF));
    frame.append(static_cast<char>(length >> 8));
    frame.append(static_cast<char>(request.funcNumber));
    frame.append(request.data);
    const std::uint16_t crc = Crc::compute(frame);
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    frame.append(static_cast<char>(CommDataFormat::endMarker));
    return frame;
}

int lengthField(const QByteArray& frame) {
    return byteAt(frame, 4) + 256 * byteAt(frame, 5);
}

std::optional<qsizetype> expectedFrameSize(const QByteArray& buffer) {
    if (buffer.size() < headerBytes)
        return std::nullopt;
    return lengthField(buffer) + overheadBytes;
}

FrameError checkFrame(const QByteArray& frame) {
    if (frame.size() < headerBytes)
        return FrameError::tooShort;
    if (byteAt(frame, 0) != CommDataFormat::startMarker)
        return FrameError::startMarker;
    const int length = lengthField(frame);
    // A zero length field leaves no room for the function number: a malformed frame.
    if (length == 0 || frame.size() < length + overheadBytes)
        return FrameError::length;
    if (byteAt(frame, length + 8) != CommDataFormat::endMarker)
        return FrameError::endMarker;
    return FrameError::none;
}

std::optional<CommDataFormat> decodeFrame(const QByteArray& frame) {
    if (checkFrame(frame) != FrameError::none)
        return std::nullopt;
    const int length = lengthField(frame);
    CommDataFormat response;
    response.packetNumber = byteAt(frame, 1);
    response.destination = byteAt(frame, 2);
    response.commandLength = {byteAt(frame, 4), byteAt(frame, 5)};
    response.funcNumber = byteAt(frame, functionOffset);
    response.data = frame.mid(headerBytes, length - 1);
    response.crc = {byteAt(frame, length + 6), byteAt(frame, length + 7)};
    return response;
}

std::array<std::uint8_t, 2> expectedCrc(const QByteArray& frame) {
    const int length = lengthField(frame);
    const std::uint16_t crc = Crc::compute(frame.constData(), length + 6);
    return {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
}

QByteArray encodeTransferBlock(const QByteArray& header, const QByteArray& data) {
    const std::uint16_t crc = Crc::compute(data);
    QByteArray block;
    block.reserve(header.size() + data.size() + 2);
    block.append(header);
    block.append(data);
    block.append(static_cast<char>(crc >> 8));
    block.append(static_cast<char>(crc & 0xFF));
    return block;
}

} // namespace lensdock::FrameCodec
