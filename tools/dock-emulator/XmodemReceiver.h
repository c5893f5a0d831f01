#pragma once

#include <cstdint>
#include <QByteArray>

namespace lensdock {

// The receiving side of an XMODEM-1K (CRC-16) transfer. It takes one unit at a time off the front
// of a receive buffer (a block, EOT or CAN), checks it and says what to answer.
class XmodemReceiver {
public:
    // The device protocol never uses block number 0: 255 is followed by 1. Plain XMODEM wraps to 0.
    enum class Numbering { skipsZero, wrapsToZero };
    // A test can make the receiver refuse a block that is in fact good.
    enum class Refusal { none, nak, cancel };

    enum class Event {
        needMore,      // an incomplete unit; nothing consumed
        blockAccepted, // ACK, data kept
        blockRepeated, // the previous block again: ACK, not kept twice
        blockRejected, // damaged: NAK
        blockRefused,  // refused on request: NAK or CAN
        outOfSequence, // CAN, transfer abandoned
        endOfTransfer, // EOT: ACK
        cancelled,     // the sender's CAN
        notTransfer,   // the front byte starts no transfer unit; nothing consumed
    };
    struct Step {
        Event event = Event::needMore;
        char reply = 0; // 0: no answer
        int blockNumber = 0;
    };

    explicit XmodemReceiver(Numbering numbering) : numbering_(numbering) {}

    // True when `buffer` starts with a whole block (good or bad).
    static bool startsWithCompleteBlock(const QByteArray& buffer);

    // Handles the unit at the front of `buffer` and removes it.
    Step take(QByteArray& buffer, Refusal refusal = Refusal::none);

    // The data of the accepted blocks, in order (last block still padded).
    const QByteArray& data() const { return data_; }
    int acceptedBlocks() const { return acceptedBlocks_; }
    void reset();

private:
    Step takeBlock(QByteArray& buffer, qsizetype dataLength, Refusal refusal);
    std::uint8_t nextNumber() const;

    Numbering numbering_;
    QByteArray data_;
    int acceptedBlocks_ = 0;
    std::uint8_t lastNumber_ = 0;
};

} // namespace lensdock
