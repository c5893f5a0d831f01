#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <QString>
#include <QStringList>

namespace lensdock {

// Misbehaviour the emulator shows on request, each kind armed for a number of occasions.
enum class FaultKind {
    dropReply,         // the next reply is not sent
    crcLow,            // reply CRC low byte wrong
    crcHigh,           // reply CRC high byte wrong
    packetNumber,      // reply carries another packet number
    destination,       // reply carries the other destination
    function,          // reply carries another function number
    errorFrame,        // reply is a 0xFF error frame without the over-current bit
    splitReply,        // reply sent in three delayed chunks
    strayBytes,        // bytes sent at once, with no request pending
    nakBlock,          // a good transfer block is answered with NAK
    canBlock,          // a good transfer block is answered with CAN
    unplugAfterBlock,  // unplug once the record's K-th block is acknowledged
    refuseAdjustWrite, // a set-adjust-data request is answered with a 0xFF error frame
    ignoreAdjustWrite, // a set-adjust-data request is acknowledged but its data are not kept
    unplugOnRequest,   // unplug on receiving a request, before acting on it or answering
    noReturn,          // after its next reset the device stays away: no re-enumeration, no lens
};

class FaultPlan {
public:
    static std::optional<FaultKind> kindFromName(const QString& name);
    static QString nameOf(FaultKind kind);
    static QStringList names();

    // Arms `kind` for `count` more occasions; for unplugAfterBlock `count` is the block number K.
    void arm(FaultKind kind, int count);
    // True (and one occasion used up) when `kind` is armed.
    bool take(FaultKind kind);
    // True when the unplug is due after `blocksInRecord` acknowledged blocks; disarms it then.
    bool takeUnplugAfter(int blocksInRecord);
    // Reply faults and unplug-on-request hit only the answers to requests for `function` (the blocks of
    // a transfer count as the update request's); nothing = every reply.
    void setScope(std::optional<std::uint8_t> function) { scope_ = function; }
    bool inScope(std::optional<std::uint8_t> function) const {
        return !scope_ || (function && *scope_ == *function);
    }
    void clear();
    // Armed kinds and their counts, for the state dump.
    std::map<QString, int> armed() const;

private:
    std::map<FaultKind, int> counts_;
    std::optional<int> unplugAfterBlock_;
    std::optional<std::uint8_t> scope_;
};

} // namespace lensdock
