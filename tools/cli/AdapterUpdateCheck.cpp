#include "AdapterUpdateCheck.h"

#include "online/FirmwareVersionCheck.h"

namespace lensdock::cli {

bool isAdapterUpdateAvailable(const QString& current, const QString& latest) {
    if (current.toUtf8().size() != 4 || latest.toUtf8().size() != 4)
        return false;
    return current.startsWith(QStringLiteral("ff")) || isFirmwareUpdateAvailable(current, latest);
}

} // namespace lensdock::cli
