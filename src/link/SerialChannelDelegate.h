#pragma once

#include "link/CommDataFormat.h"

#include <cstdint>

namespace lensdock {

// Outcome of one exchange on the serial channel.
enum class ChannelError : std::uint8_t {
    success = 0,
    commErr = 1,
    formatErr = 2,
    funcNumErr = 3,
    destinationErr = 4,
    crcErr = 5,
    packetNumZero = 6,
    packetNumErr = 7,
    iregular = 8,
    nak = 9,
    timeout = 10,
    overcurrent = 11,
    can = 12,
};

// Receiver of exchange results. Calls arrive on the port's thread or the watchdog's thread.
class SerialChannelDelegate {
public:
    virtual ~SerialChannelDelegate() = default;
    virtual void usbSerialDidReceiveResponse(const CommDataFormat& response) = 0;
    // isAck: true for an acknowledge, false for the "C" that answers 0xFD.
    virtual void usbSerialDidReceiveControl(bool isAck) = 0;
    virtual void usbSerialDidFail(ChannelError code) = 0;
    virtual void usbSerialWasRemoved() = 0;
};

class WatchdogDelegate {
public:
    virtual ~WatchdogDelegate() = default;
    virtual void usbSerialTimeout() = 0;
};

} // namespace lensdock
