#include "online/FirmwareVersionCheck.h"

#include <optional>

namespace lensdock {

namespace {

std::optional<int> majorNumberOf(const QString& version) {
    if (version.toUtf8().size() != 4)
        return std::nullopt;
    const QString head = version.left(2);
    for (QChar c : head)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return head.toInt();
}

} // namespace

bool isFirmwareUpdateAvailable(const QString& deviceVersion, const QString& latestVersion) {
    const std::optional<int> device = majorNumberOf(deviceVersion);
    const std::optional<int> latest = majorNumberOf(latestVersion);
    return device && latest && *device < *latest;
}

bool isAdapterUpdateOffered(const QString& adapterVersion, const QString& latestVersion, bool atLaunch) {
    if (adapterVersion.toUtf8().size() != 4 || latestVersion.toUtf8().size() != 4)
        return false;
    if (adapterVersion.startsWith(QStringLiteral("ff")))
        return true;
    return atLaunch && isFirmwareUpdateAvailable(adapterVersion, latestVersion);
}

} // namespace lensdock
