#include "VirtualDock.h"

#include "adjust/AdjustPayload.h"
#include "FirmwareHeader.h"
#include "IdentityEncoder.h"
#include "link/CommandSet.h"
#include "link/Crc.h"

namespace lensdock {

namespace {
const QByteArray adapterSelfReset = QByteArray::fromHex("00FF");
constexpr qsizetype updateRequestLength = 2;

std::optional<QString> versionText(const std::array<std::uint8_t, 2>& bytes) {
    const auto high = bcdToString(bytes[0]);
    const auto low = bcdToString(bytes[1]);
    if (!high || !low)
        return std::nullopt;
    return *high + *low;
}
} // namespace

VirtualDock::VirtualDock(const DockProfile& profile)
    : profile_(profile),
      adjustBytes_(AdjustPayload::encode(LensAdjustData::factorySettings(profile.lens), profile.lens)) {}

void VirtualDock::setLensMounted(bool mounted) {
    lensMounted_ = mounted;
    if (!mounted)
        lensConnected_ = false;
}

CommDataFormat VirtualDock::reply(const CommDataFormat& request, const QByteArray& payload) const {
    CommDataFormat response;
    response.destination = request.destination;
    response.funcNumber = request.funcNumber;
    response.setPayload(payload);
    return response;
}

CommDataFormat VirtualDock::errorFrame(const CommDataFormat& request, std::uint8_t flags) {
    CommDataFormat response;
    response.destination = request.destination;
    response.funcNumber = FunctionNumber::commError;
    response.setPayload(QByteArray(1, static_cast<char>(flags)));
    return response;
}

VirtualDock::Answer VirtualDock::answerFrame(const CommDataFormat& request, const QByteArray& payload) const {
    return {reply(request, payload), 0, Action::none};
}

VirtualDock::Answer VirtualDock::answerError(const CommDataFormat& request, std::uint8_t flags) const {
    return {errorFrame(request, flags), 0, Action::none};
}

VirtualDock::Answer VirtualDock::answer(const CommDataFormat& request) {
    if (overCurrent_)
        return answerError(request, bitOverCurrent);
    if (request.destination == Destination::adapter)
        return answerAdapter(request);
    if (request.destination == Destination::lens)
        return answerLens(request);
    return answerError(request, errorUnknownFunction);
}

VirtualDock::Answer VirtualDock::answerAdapter(const CommDataFormat& request) {
    switch (request.funcNumber) {
    case FunctionNumber::checkLensMounted:
        return answerFrame(request, QByteArray(1, lensMounted_ ? 1 : 0));
    case FunctionNumber::reqLensConnect:
        lensConnected_ = lensMounted_;
        return answerFrame(request, QByteArray(1, lensMounted_ ? 1 : 0));
    case FunctionNumber::reqLensDisconnect:
        lensConnected_ = false;
        return answerFrame(request, {});
    case FunctionNumber::getBasicInfo:
        return answerFrame(request, IdentityEncoder::adapterPayload(profile_.adapter).value_or(QByteArray()));
    case FunctionNumber::updateFirmware:
        return answerFirmwareUpdate(request);
    default:
        return answerError(request, errorUnknownFunction);
    }
}

VirtualDock::Answer VirtualDock::answerLens(const CommDataFormat& request) {
    if (!lensMounted_)
        return answerError(request, errorLensAbsent);
    switch (request.funcNumber) {
    case FunctionNumber::getBasicInfo:
        return answerFrame(request, IdentityEncoder::lensPayload(profile_.lens).value_or(QByteArray()));
    case FunctionNumber::setAdjData:
        if (request.data.size() != LensAdjustData::commDataLength)
            return answerError(request, errorBadPayload);
        adjustBytes_ = request.data;
        return answerFrame(request, {});
    case FunctionNumber::getAdjData:
        return answerFrame(request, adjustBytes_);
    case FunctionNumber::updateFirmware:
        return answerFirmwareUpdate(request);
    default:
        return answerError(request, errorUnknownFunction);
    }
}

VirtualDock::Answer VirtualDock::answerFirmwareUpdate(const CommDataFormat& request) {
    if (request.data.size() != updateRequestLength)
        return answerError(request, errorBadPayload);
    const bool selfReset = request.destination == Destination::adapter && request.data == adapterSelfReset;
    return {std::nullopt, static_cast<char>(ControlByte::readyToReceive),
            selfReset ? Action::selfReset : Action::startTransfer};
}

ReceivedFirmware VirtualDock::finishTransfer(std::uint8_t destination, const QByteArray& blocks) {
    ReceivedFirmware record;
    record.destination = destination;
    const auto fields = FirmwareHeader::parse(blocks.left(FirmwareHeader::length));
    if (fields) {
        record.targetDevice = fields->targetDevice;
        record.targetArea = fields->targetArea;
        record.version = versionText(fields->version).value_or(QString());
        record.dataSize = fields->dataSize;
        const QByteArray data = blocks.mid(FirmwareHeader::length, qsizetype(fields->dataSize));
        // A short or damaged image must never be reported as installed.
        record.valid = fields->dataSize <= FirmwareHeader::maxDataSize &&
                       data.size() == qsizetype(fields->dataSize) && Crc::calcCrc(data) == fields->dataCrc;
        if (record.valid) {
            firmwareImage_.append(blocks.left(FirmwareHeader::length) + data);
            installVersion(destination, record.version);
        }
    }
    received_.append(record);
    return record;
}

void VirtualDock::installVersion(std::uint8_t destination, const QString& version) {
    if (version.isEmpty())
        return;
    if (destination == Destination::adapter)
        profile_.adapter.fwVersion = version;
    else
        profile_.lens.firmwareVersion = version;
}

} // namespace lensdock
