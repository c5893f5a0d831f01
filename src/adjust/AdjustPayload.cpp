#include "adjust/AdjustPayload.h"

#include "base/Logger.h"
#include "link/CommandSet.h"

namespace lensdock {

namespace {
constexpr int firstSwitchOffset = 3;
constexpr int secondSwitchOffset = 7;
constexpr int focusListOffset = 11;
constexpr int focusListLength = 8;

char low8(std::int64_t value) {
    return static_cast<char>(static_cast<std::uint8_t>(value & 0xFF));
}

void encodeSwitch(QByteArray& payload, int offset, std::int64_t near, std::int64_t far, std::int64_t mode,
                  bool sendSteps, std::int64_t maxStep) {
    // The lens counts limiter steps from the far end of the scale.
    payload[offset] = sendSteps ? low8(maxStep - near) : '\0';
    payload[offset + 1] = sendSteps ? low8(maxStep - far) : '\0';
    payload[offset + 2] = low8(mode);
}

void encodeFocusLists(QByteArray& payload, const LensAdjustData& data, const LensInfo& lens) {
    if (!lens.supportsFocusZoom)
        return;
    const LensAdjustData::FocusList* lists[] = {&data.focusZoomClose, &data.focusZoomCenter,
                                                &data.focusZoomInfinite};
    for (int k = 0; k < 3; ++k) {
        if (lens.focusPointCount < k + 1)
            continue;
        const int zooms = lens.zoomCount >= 8 ? 8 : lens.zoomCount;
        for (int i = 0; i < zooms; ++i)
            payload[focusListOffset + focusListLength * k + i] = low8((*lists[k])[i]);
    }
}

void decodeFocusList(const QByteArray& payload, int offset, LensAdjustData::FocusList& list) {
    for (int i = 0; i < focusListLength; ++i)
        list[i] = static_cast<std::int8_t>(payload[offset + i]);
}
} // namespace

QByteArray AdjustPayload::encode(const LensAdjustData& data, const LensInfo& lens) {
    QByteArray payload(LensAdjustData::commDataLength, '\0');
    const bool fullTimeManualOn = lens.supportsFullTimeManual && data.isFullTimeManualEnable;
    payload[0] = fullTimeManualOn ? low8(data.fullTimeManual) : '\0';
    payload[1] = low8(data.vcMode);
    const std::int64_t maxStep = lens.focusLimitMaxStep();
    const bool limiter = lens.supportsFocusLimit;
    encodeSwitch(payload, firstSwitchOffset, data.focusLimitFirstNear, data.focusLimitFirstFar,
                 data.focusLimitFirstMode, limiter && lens.focusLimitCount >= 1, maxStep);
    encodeSwitch(payload, secondSwitchOffset, data.focusLimitSecondNear, data.focusLimitSecondFar,
                 data.focusLimitSecondMode, limiter && lens.focusLimitCount >= 2, maxStep);
    encodeFocusLists(payload, data, lens);
    return payload;
}

std::optional<LensAdjustData> AdjustPayload::decode(const QByteArray& payload, const LensInfo& lens) {
    if (payload.size() < LensAdjustData::commDataLength) {
        Logger::trace(QStringLiteral("Comm"), QStringLiteral("Adjust data convert error"));
        return std::nullopt;
    }
    const std::int64_t maxStep = lens.focusLimitMaxStep();
    LensAdjustData data;
    data.fullTimeManual = byteAt(payload, 0);
    data.isFullTimeManualEnable = data.fullTimeManual != 0;
    data.vcMode = byteAt(payload, 1);
    data.focusLimitFirstNear = maxStep - byteAt(payload, firstSwitchOffset);
    data.focusLimitFirstFar = maxStep - byteAt(payload, firstSwitchOffset + 1);
    data.focusLimitFirstMode = byteAt(payload, firstSwitchOffset + 2);
    data.focusLimitSecondNear = maxStep - byteAt(payload, secondSwitchOffset);
    data.focusLimitSecondFar = maxStep - byteAt(payload, secondSwitchOffset + 1);
    data.focusLimitSecondMode = byteAt(payload, secondSwitchOffset + 2);
    decodeFocusList(payload, focusListOffset, data.focusZoomClose);
    decodeFocusList(payload, focusListOffset + focusListLength, data.focusZoomCenter);
    decodeFocusList(payload, focusListOffset + 2 * focusListLength, data.focusZoomInfinite);
    return data;
}

void makeSetAdjustData(CommDataFormat& request, const LensAdjustData& data, const LensInfo& lens) {
    request.destination = Destination::lens;
    request.funcNumber = FunctionNumber::setAdjData;
    request.setPayload(AdjustPayload::encode(data, lens));
}

std::optional<LensAdjustData> makeLensAdjustData(const CommDataFormat& response, const LensInfo& lens) {
    return AdjustPayload::decode(response.data, lens);
}

} // namespace lensdock
