#pragma once

#include "link/CommDataFormat.h"

#include <cstdint>
#include <optional>

namespace lensdock {

// States of the connection thread; the raw values are what the log prints.
enum class ApplicationState : std::uint8_t {
    startup = 0,
    searchingAdapter = 1,
    reconnectingAdapter = 2,
    waitingForLens = 3,
    connectingLens = 4,
    lensConnected = 5,
    readingSettings = 6,
    writingSettings = 7,
    releasingLens = 8,
    holdingAdapter = 10,
    holdingLens = 11,
    firmwareUpdate = 12,
    terminating = 255,
};

// Position within one exchange.
enum class ThreadState : std::uint8_t { sendProcess = 0, waitResponse = 1, recvResponse = 2 };

// Which device failed while the screens were busy.
enum class DeviceLoss : std::uint8_t { none = 0, lens = 1, adapter = 2 };

enum class ExchangeResult : std::uint8_t { success = 0, failure = 1, overcurrent = 2 };

// The states in which a lost adapter leads straight to `adapterDisconnect`.
constexpr bool isInAdapterLossSet(ApplicationState state) {
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::searchingAdapter:
    case ApplicationState::reconnectingAdapter:
    case ApplicationState::waitingForLens:
    case ApplicationState::connectingLens:
    case ApplicationState::lensConnected:
    case ApplicationState::readingSettings:
    case ApplicationState::releasingLens:
    case ApplicationState::terminating:
        return true;
    default:
        return false;
    }
}

// The screen in charge of the connection thread. Both calls arrive on the connection thread.
class ConnectionThreadDelegate {
public:
    virtual ~ConnectionThreadDelegate() = default;
    // The connection to the adapter or to the lens has ended.
    virtual void connectionEnded() = 0;
    // An exchange of `state` has finished.
    virtual void exchangeFinished(ApplicationState state, ExchangeResult error,
                                  const std::optional<CommDataFormat>& response) = 0;
};

} // namespace lensdock
