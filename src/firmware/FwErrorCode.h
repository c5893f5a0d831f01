#pragma once

#include <optional>

namespace lensdock {

// Outcome of a firmware update. The raw values are fixed: they appear in log lines.
enum class FwErrorCode : int {
    resultOk = 0,
    errorInput = 1,
    errorNetwork = 2,
    errorDownload = 3,
    errorUsbSerialFailed = 4,
    errorUsbSerialRemoved = 5,
    errorWaitResetFailed = 6,
    errorVersion = 7,
    // Every block of the firmware was acknowledged, then the device went away and did not come
    // back: the new firmware is not confirmed and the device may need the update again.
    errorRemovedAfterSend = 8,
    errorInvalidKey = -1,
    errorInvalidFile = -3,
    errorCrc = -4,
};

constexpr int rawValue(FwErrorCode code) {
    return static_cast<int>(code);
}

// The case with raw value `raw`; nothing for -2 and for values outside -4..8.
std::optional<FwErrorCode> fwErrorCodeFromRawValue(int raw);

} // namespace lensdock
