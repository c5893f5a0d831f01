#include "link/CommandSet.h"

namespace lensdock {

QString commandLogName(std::uint8_t funcNumber) {
    switch (funcNumber) {
    case FunctionNumber::checkLensMounted:
        return QStringLiteral("Check Lens Mounted");
    case FunctionNumber::reqLensConnect:
        return QStringLiteral("Req Lens Connect");
    case FunctionNumber::reqLensDisconnect:
        return QStringLiteral("Req Lens Disconnect");
    case FunctionNumber::getBasicInfo:
        return QStringLiteral("Get Basic Info");
    case FunctionNumber::setAdjData:
        return QStringLiteral("Set Adj Data");
    case FunctionNumber::getAdjData:
        return QStringLiteral("Command Get Adj Data");
    case FunctionNumber::updateFirmware:
        return QStringLiteral("Command Update Firmware");
    case FunctionNumber::commError:
        return QStringLiteral("Command Comm Error");
    default:
        return QStringLiteral("Command Undefine");
    }
}

QString bufferLogName(const QByteArray& buffer) {
    constexpr qsizetype functionOffset = 6;
    if (buffer.size() > functionOffset && byteAt(buffer, 0) == CommDataFormat::startMarker)
        return commandLogName(byteAt(buffer, functionOffset));
    return QStringLiteral("Length = %1").arg(buffer.size());
}

std::optional<CommDataFormat> buildRequest(CommandIndex index, bool toAdapter) {
    if (index == CommandIndex::setAdjData || static_cast<std::uint8_t>(index) > 5)
        return std::nullopt;
    CommDataFormat request;
    request.destination = toAdapter ? Destination::adapter : Destination::lens;
    request.funcNumber = functionNumber(index);
    request.setPayload(index == CommandIndex::reqLensConnect ? QByteArray(1, '\0') : QByteArray());
    return request;
}

std::optional<QString> bcdToString(std::uint8_t byte) {
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return QString::number(high * 10 + low).rightJustified(2, QLatin1Char('0'));
}

QByteArray CommUpdateFirmwareData::payload() const {
    QByteArray bytes(2, '\0');
    bytes[0] = static_cast<char>(targetDevice);
    bytes[1] = static_cast<char>(targetArea);
    return bytes;
}

} // namespace lensdock
