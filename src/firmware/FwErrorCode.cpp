#include "firmware/FwErrorCode.h"

namespace lensdock {

std::optional<FwErrorCode> fwErrorCodeFromRawValue(int raw) {
    constexpr int unusedRaw = -2;
    if (raw < rawValue(FwErrorCode::errorCrc) || raw > rawValue(FwErrorCode::errorRemovedAfterSend) ||
        raw == unusedRaw)
        return std::nullopt;
    return static_cast<FwErrorCode>(raw);
}

} // namespace lensdock
