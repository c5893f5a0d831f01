#pragma once

#include "firmware/FwErrorCode.h"

namespace lensdock {

// Receiver of a firmware transfer's progress and result; called on the transfer thread.
class SendFirmwareDelegate {
public:
    virtual ~SendFirmwareDelegate() = default;
    // `fraction` of record `index` (0-based) has been sent.
    virtual void sendProgress(int index, double fraction) = 0;
    // Every record was sent and the device came back after each; before the version check.
    virtual void sendFinished() = 0;
    virtual void sendCompleted(FwErrorCode code) = 0;
};

} // namespace lensdock
