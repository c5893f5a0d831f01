#pragma once

#include "link/CommDataFormat.h"

#include <cstdint>
#include <optional>

namespace lensdock {

// States of the connection thread; the raw values are what the log prints.
enum class ApplicationState : std::uint8_t {
    startup = 0,
    adapterDisconnect = 1,
    adapterReconnect = 2,
    lensDisadhesion = 3,
    lensDisconnect = 4,
    lensConnect = 5,
    adjDataRead = 6,
    adjDataWriting = 7,
    lensDisconnected = 8,
    initialProcessing = 10,
    processing = 11,
    fwUpdate = 12,
    appTerminate = 255,
};

// Position within one exchange.
enum class ThreadState : std::uint8_t { sendProcess = 0, waitResponse = 1, recvResponse = 2 };

// Which device failed while the screens were busy.
enum class ProcessingErrorType : std::uint8_t { success = 0, lens = 1, adapter = 2 };

enum class UsbThreadErrorCode : std::uint8_t { success = 0, failure = 1, overcurrent = 2 };

// The states in which a lost adapter leads straight to `adapterDisconnect`.
constexpr bool isInAdapterLossSet(ApplicationState state) {
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::adapterDisconnect:
    case ApplicationState::adapterReconnect:
    case ApplicationState::lensDisadhesion:
    case ApplicationState::lensDisconnect:
    case ApplicationState::lensConnect:
    case ApplicationState::adjDataRead:
    case ApplicationState::lensDisconnected:
    case ApplicationState::appTerminate:
        return true;
    default:
        return false;
    }
}

// The screen in charge of the connection thread. Both calls arrive on the connection thread.
class UsbSerialThreadDelegate {
public:
    virtual ~UsbSerialThreadDelegate() = default;
    // The connection to the adapter or to the lens has ended.
    virtual void usbSerialThreadDisconnected() = 0;
    // An exchange of `state` has finished.
    virtual void usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                                       const std::optional<CommDataFormat>& response) = 0;
};

} // namespace lensdock
