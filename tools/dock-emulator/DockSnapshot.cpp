#include "DockSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace lensdock {

namespace {
QJsonObject adapterJson(const DockSnapshot& s) {
    return {{QStringLiteral("firmware"), s.adapter.fwVersion},
            {QStringLiteral("mount"), s.adapter.mountInfo},
            {QStringLiteral("hardware"), s.adapter.hwVersion},
            {QStringLiteral("communication"), s.adapter.communicationVersion},
            {QStringLiteral("overCurrent"), s.overCurrent}};
}

QJsonObject lensJson(const DockSnapshot& s) {
    return {{QStringLiteral("mounted"), s.lensMounted},
            {QStringLiteral("connected"), s.lensConnected},
            {QStringLiteral("model"), s.lens.modelCode},
            {QStringLiteral("serial"), s.lens.serialCode},
            {QStringLiteral("firmware"), s.lens.firmwareVersion}};
}

QJsonArray firmwareJson(const DockSnapshot& s) {
    QJsonArray records;
    for (const ReceivedFirmware& r : s.firmware)
        records.append(QJsonObject{{QStringLiteral("destination"), r.destination},
                                   {QStringLiteral("device"), r.targetDevice},
                                   {QStringLiteral("area"), r.targetArea},
                                   {QStringLiteral("version"), r.version},
                                   {QStringLiteral("size"), qint64(r.dataSize)},
                                   {QStringLiteral("valid"), r.valid}});
    return records;
}

QJsonObject faultsJson(const DockSnapshot& s) {
    QJsonObject faults;
    for (const auto& [name, count] : s.faults)
        faults.insert(name, count);
    return faults;
}

QJsonObject requestsJson(const DockSnapshot& s) {
    QJsonObject counts;
    for (const auto& [function, count] : s.requests)
        counts.insert(QStringLiteral("%1").arg(function, 2, 16, QLatin1Char('0')), count);
    return counts;
}
} // namespace

QJsonObject DockSnapshot::toJson() const {
    return {{QStringLiteral("plugged"), plugged},
            {QStringLiteral("plugCount"), plugCount},
            {QStringLiteral("slave"), slavePath},
            {QStringLiteral("adapter"), adapterJson(*this)},
            {QStringLiteral("lens"), lensJson(*this)},
            {QStringLiteral("adjust"), QString::fromLatin1(adjustBytes.toHex())},
            {QStringLiteral("receivingBlocks"), receivingBlocks},
            {QStringLiteral("firmwareRequests"), firmwareRequests},
            {QStringLiteral("requests"), requestsJson(*this)},
            {QStringLiteral("firmware"), firmwareJson(*this)},
            {QStringLiteral("bareBytesReceived"), qint64(bareBytesReceived)},
            {QStringLiteral("faults"), faultsJson(*this)}};
}

QByteArray DockSnapshot::toJsonLine() const {
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

} // namespace lensdock
