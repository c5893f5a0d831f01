#include "IdentityEncoder.h"

#include "BcdDigits.h"
#include "link/CommDataFormat.h"

namespace lensdock::IdentityEncoder {

namespace {
constexpr qsizetype codeLength = 16;
constexpr std::uint8_t unversionedByte = 0xFF;

// Places the BCD form of `digits` at `offset`; false when they are not decimal digit pairs.
bool putDigits(QByteArray& payload, qsizetype offset, const QString& digits, qsizetype expectedBytes) {
    const auto bcd = BcdDigits::encode(digits);
    if (!bcd || bcd->size() != expectedBytes)
        return false;
    payload.replace(offset, bcd->size(), *bcd);
    return true;
}

bool putAdapterVersion(QByteArray& payload, const QString& version) {
    // An adapter without released firmware reports 0xFF 0xFF, which the host reads as "ffff".
    if (version.compare(QStringLiteral("ffff"), Qt::CaseInsensitive) == 0) {
        payload[35] = static_cast<char>(unversionedByte);
        payload[36] = static_cast<char>(unversionedByte);
        return true;
    }
    return putDigits(payload, 35, version, 2);
}

void putCode(QByteArray& payload, qsizetype offset, const QString& code) {
    const QByteArray latin1 = code.left(codeLength).toLatin1();
    payload.replace(offset, latin1.size(), latin1);
}

std::uint8_t limiterByte(const LensInfo& lens) {
    std::uint8_t byte =
        static_cast<std::uint8_t>((lens.focusLimitCount & 0x03) | ((lens.focusLimitSwitchType & 0x03) << 2));
    for (int k = 0; k < 4; ++k)
        if (lens.focusLimitDefaultModes[k] == 2)
            byte |= static_cast<std::uint8_t>(1 << (4 + k));
    return byte;
}

std::uint8_t capabilityByte(const LensInfo& lens) {
    std::uint8_t byte = 0;
    if (lens.supportsFocusZoom)
        byte |= CommDataFormat::bitEnableFocusZoom;
    if (lens.supportsFullTimeManual)
        byte |= CommDataFormat::bitEnableFullTimeManual;
    if (lens.supportsFocusLimit)
        byte |= CommDataFormat::bitEnableFocusLimit;
    if (lens.supportsVcMode)
        byte |= CommDataFormat::bitEnableVcMode;
    return byte;
}

void putLimiter(QByteArray& d, const LensInfo& lens) {
    d[55] = static_cast<char>(limiterByte(lens));
    d[56] = static_cast<char>(lens.focusLimitDivisions);
    d[63] = static_cast<char>(static_cast<std::int8_t>(lens.focusAdjustMax));
    d[64] = static_cast<char>(static_cast<std::int8_t>(lens.focusAdjustMin));
    // The lens counts its factory limiter steps from the far end of the scale.
    const int maxStep = lens.focusLimitMaxStep();
    d[65] = static_cast<char>(maxStep - lens.focusLimitDefaultFirstNear);
    d[66] = static_cast<char>(maxStep - lens.focusLimitDefaultFirstFar);
    d[67] = static_cast<char>(maxStep - lens.focusLimitDefaultSecondNear);
    d[68] = static_cast<char>(maxStep - lens.focusLimitDefaultSecondFar);
}

bool putLensVersions(QByteArray& d, const LensInfo& lens) {
    return putDigits(d, 35, lens.firmwareVersion, 2) && putDigits(d, 37, lens.version2, 2) &&
           putDigits(d, 39, lens.version3, 2) && putDigits(d, 41, lens.version4, 2) &&
           putDigits(d, 47, lens.version5, 2) && putDigits(d, 49, lens.version6, 2);
}
} // namespace

std::optional<QByteArray> adapterPayload(const AdapterBasicInfo& adapter) {
    QByteArray d(adapterPayloadLength, '\0');
    if (!putAdapterVersion(d, adapter.fwVersion))
        return std::nullopt;
    d[47] = static_cast<char>(adapter.mountInfo);
    if (!putDigits(d, 48, adapter.hwVersion, 1) || !putDigits(d, 49, adapter.communicationVersion, 2))
        return std::nullopt;
    return d;
}

std::optional<QByteArray> lensPayload(const LensInfo& lens) {
    QByteArray d(lensPayloadLength, '\0');
    d[0] = static_cast<char>(lens.lensKind);
    putCode(d, 3, lens.modelCode);
    putCode(d, 19, lens.serialCode);
    if (!putLensVersions(d, lens))
        return std::nullopt;
    d[51] = static_cast<char>(capabilityByte(lens));
    d[52] = static_cast<char>(lens.vcModeType);
    d[53] = static_cast<char>(lens.zoomCount);
    d[54] = static_cast<char>(lens.focusPointCount);
    putLimiter(d, lens);
    for (int k = 0; k < 8; ++k) {
        d[69 + 2 * k] = static_cast<char>(lens.zoomFocalLengths[k] & 0xFF);
        d[70 + 2 * k] = static_cast<char>((lens.zoomFocalLengths[k] >> 8) & 0xFF);
    }
    return d;
}

} // namespace lensdock::IdentityEncoder
