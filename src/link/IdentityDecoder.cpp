#include "link/IdentityDecoder.h"

#include "link/CommandSet.h"
#include "link/CommDataFormat.h"

namespace lensdock::IdentityDecoder {

namespace {
// Offsets in the adapter's identity payload.
constexpr qsizetype adapterFwVersionHigh = 35;
constexpr qsizetype adapterFwVersionLow = 36;
constexpr qsizetype adapterMount = 47;
constexpr qsizetype adapterHardware = 48;
constexpr qsizetype adapterCommHigh = 49;
constexpr std::uint8_t unversionedByte = 0xFF;

// Offsets in the lens's identity payload.
constexpr qsizetype lensKindOffset = 0;
constexpr qsizetype modelCodeOffset = 3;
constexpr qsizetype serialCodeOffset = 19;
constexpr qsizetype codeLength = 16;
constexpr qsizetype capabilityOffset = 51;
constexpr qsizetype vcModeTypeOffset = 52;
constexpr qsizetype zoomCountOffset = 53;
constexpr qsizetype focusPointCountOffset = 54;
constexpr qsizetype limiterOffset = 55;
constexpr qsizetype divisionsOffset = 56;
constexpr qsizetype adjustMaxOffset = 63;
constexpr qsizetype adjustMinOffset = 64;
constexpr qsizetype limiterDefaultsOffset = 65;
constexpr qsizetype focalLengthsOffset = 69;

std::optional<QString> versionPair(const QByteArray& d, qsizetype first) {
    const auto high = bcdToString(byteAt(d, first));
    const auto low = bcdToString(byteAt(d, first + 1));
    if (!high || !low)
        return std::nullopt;
    return *high + *low;
}

std::optional<QString> adapterVersionByte(std::uint8_t byte) {
    if (byte == unversionedByte)
        return QStringLiteral("ff");
    return bcdToString(byte);
}

QString latin1Code(const QByteArray& d, qsizetype offset, bool stopAtZero) {
    QString code;
    for (qsizetype i = offset; i < offset + codeLength; ++i) {
        const std::uint8_t byte = byteAt(d, i);
        if (stopAtZero && byte == 0)
            break;
        code.append(QChar(byte));
    }
    return code;
}

bool hasBit(std::uint8_t byte, std::uint8_t mask) {
    return (byte & mask) == mask;
}

int signedByte(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

bool fillVersions(const QByteArray& d, LensInfo& info) {
    const struct {
        QString* field;
        qsizetype offset;
    } versions[] = {{&info.firmwareVersion, 35}, {&info.version2, 37}, {&info.version3, 39},
                    {&info.version4, 41},        {&info.version5, 47}, {&info.version6, 49}};
    for (const auto& version : versions) {
        const auto text = versionPair(d, version.offset);
        if (!text)
            return false;
        *version.field = *text;
    }
    return true;
}

void fillCapabilities(const QByteArray& d, LensInfo& info) {
    const std::uint8_t capability = byteAt(d, capabilityOffset);
    info.supportsFocusZoom = hasBit(capability, CommDataFormat::bitEnableFocusZoom);
    info.supportsFullTimeManual = hasBit(capability, CommDataFormat::bitEnableFullTimeManual);
    info.supportsFocusLimit = hasBit(capability, CommDataFormat::bitEnableFocusLimit);
    info.supportsVcMode = hasBit(capability, CommDataFormat::bitEnableVcMode);
    info.vcModeType = byteAt(d, vcModeTypeOffset);
    info.zoomCount = byteAt(d, zoomCountOffset);
    info.focusPointCount = byteAt(d, focusPointCountOffset);
}

void fillLimiter(const QByteArray& d, LensInfo& info) {
    const std::uint8_t limiter = byteAt(d, limiterOffset);
    info.focusLimitCount = limiter & 0x03;
    info.focusLimitSwitchType = (limiter >> 2) & 0x03;
    for (int k = 0; k < 4; ++k)
        info.focusLimitDefaultModes[k] = (limiter & (1 << (4 + k))) ? 2 : 1;
    info.focusLimitDivisions = byteAt(d, divisionsOffset);
    info.focusAdjustMax = signedByte(byteAt(d, adjustMaxOffset));
    info.focusAdjustMin = signedByte(byteAt(d, adjustMinOffset));
    // The lens stores its factory limiter steps counted from the far end of the scale.
    const int maxStep = info.focusLimitMaxStep();
    info.focusLimitDefaultFirstNear = maxStep - byteAt(d, limiterDefaultsOffset);
    info.focusLimitDefaultFirstFar = maxStep - byteAt(d, limiterDefaultsOffset + 1);
    info.focusLimitDefaultSecondNear = maxStep - byteAt(d, limiterDefaultsOffset + 2);
    info.focusLimitDefaultSecondFar = maxStep - byteAt(d, limiterDefaultsOffset + 3);
}
} // namespace

std::optional<AdapterBasicInfo> adapterBasicInfo(const QByteArray& d) {
    if (d.size() < adapterPayloadMinimum)
        return std::nullopt;
    const auto first = adapterVersionByte(byteAt(d, adapterFwVersionHigh));
    const auto second = adapterVersionByte(byteAt(d, adapterFwVersionLow));
    if (!first || !second)
        return std::nullopt;
    AdapterBasicInfo info;
    info.fwVersion = *first + *second;
    info.mountInfo = byteAt(d, adapterMount);
    // An adapter without a released firmware (0xFF) may carry any mount code.
    const bool knownMount = info.mountInfo >= 1 && info.mountInfo <= 3;
    if (*first != QStringLiteral("ff") && !knownMount)
        return std::nullopt;
    const auto hardware = bcdToString(byteAt(d, adapterHardware));
    const auto communication = versionPair(d, adapterCommHigh);
    if (!hardware || !communication)
        return std::nullopt;
    info.hwVersion = *hardware;
    info.communicationVersion = *communication;
    return info;
}

std::optional<LensInfo> lensInfo(const QByteArray& d) {
    if (d.size() < lensPayloadMinimum)
        return std::nullopt;
    LensInfo info;
    info.modelCode = latin1Code(d, modelCodeOffset, true);
    info.serialCode = latin1Code(d, serialCodeOffset, false);
    if (!fillVersions(d, info))
        return std::nullopt;
    fillCapabilities(d, info);
    fillLimiter(d, info);
    for (int k = 0; k < 8; ++k)
        info.zoomFocalLengths[k] =
            byteAt(d, focalLengthsOffset + 2 * k) + 256 * byteAt(d, focalLengthsOffset + 2 * k + 1);
    info.lensKind = byteAt(d, lensKindOffset);
    if (info.focusLimitDivisions < 2)
        return std::nullopt;
    return info;
}

} // namespace lensdock::IdentityDecoder
