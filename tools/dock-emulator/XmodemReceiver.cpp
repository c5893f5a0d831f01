#include "XmodemReceiver.h"

#include "link/CommandSet.h"
#include "link/Crc.h"

namespace lensdock {

namespace {
constexpr char soh = 0x01;
constexpr qsizetype shortBlock = 128;
constexpr qsizetype longBlock = 1024;
constexpr qsizetype blockOverhead = 5; // start byte, number, complement, CRC high, CRC low

char control(std::uint8_t byte) {
    return static_cast<char>(byte);
}

bool crcMatches(const QByteArray& block, qsizetype dataLength) {
    const std::uint16_t crc = Crc::compute(block.constData() + 3, dataLength);
    const auto high = static_cast<std::uint8_t>(block[3 + dataLength]);
    const auto low = static_cast<std::uint8_t>(block[4 + dataLength]);
    return high == (crc >> 8) && low == (crc & 0xFF);
}
} // namespace

bool XmodemReceiver::startsWithCompleteBlock(const QByteArray& buffer) {
    if (buffer.isEmpty())
        return false;
    const auto first = static_cast<std::uint8_t>(buffer[0]);
    if (first == ControlByte::stx)
        return buffer.size() >= longBlock + blockOverhead;
    return first == soh && buffer.size() >= shortBlock + blockOverhead;
}

XmodemReceiver::Step XmodemReceiver::take(QByteArray& buffer, Refusal refusal) {
    if (buffer.isEmpty())
        return {};
    const auto first = static_cast<std::uint8_t>(buffer[0]);
    if (first == ControlByte::stx)
        return takeBlock(buffer, longBlock, refusal);
    if (first == soh)
        return takeBlock(buffer, shortBlock, refusal);
    if (first == ControlByte::eot) {
        buffer.remove(0, 1);
        return {Event::endOfTransfer, control(ControlByte::ack), 0};
    }
    if (first == ControlByte::can) {
        buffer.remove(0, 1);
        return {Event::cancelled, 0, 0};
    }
    return {Event::notTransfer, 0, 0};
}

XmodemReceiver::Step XmodemReceiver::takeBlock(QByteArray& buffer, qsizetype dataLength, Refusal refusal) {
    if (buffer.size() < dataLength + blockOverhead)
        return {};
    const QByteArray block = buffer.left(dataLength + blockOverhead);
    buffer.remove(0, block.size());
    const auto number = static_cast<std::uint8_t>(block[1]);
    const auto complement = static_cast<std::uint8_t>(block[2]);
    if (number + complement != 255 || !crcMatches(block, dataLength))
        return {Event::blockRejected, control(ControlByte::nak), number};
    if (acceptedBlocks_ > 0 && number == lastNumber_)
        return {Event::blockRepeated, control(ControlByte::ack), number};
    if (number != nextNumber())
        return {Event::outOfSequence, control(ControlByte::can), number};
    if (refusal == Refusal::nak)
        return {Event::blockRefused, control(ControlByte::nak), number};
    if (refusal == Refusal::cancel)
        return {Event::blockRefused, control(ControlByte::can), number};
    data_.append(block.mid(3, dataLength));
    lastNumber_ = number;
    ++acceptedBlocks_;
    return {Event::blockAccepted, control(ControlByte::ack), number};
}

std::uint8_t XmodemReceiver::nextNumber() const {
    if (lastNumber_ == 255)
        return numbering_ == Numbering::skipsZero ? 1 : 0;
    return static_cast<std::uint8_t>(lastNumber_ + 1);
}

void XmodemReceiver::reset() {
    data_.clear();
    acceptedBlocks_ = 0;
    lastNumber_ = 0;
}

} // namespace lensdock
