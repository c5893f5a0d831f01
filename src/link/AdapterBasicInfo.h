#pragma once

#include <QString>

namespace lensdock {

// What the adapter reports about itself.
struct AdapterBasicInfo {
    QString fwVersion = QStringLiteral("0000");
    int mountInfo = 1;
    QString hwVersion = QStringLiteral("00");
    QString communicationVersion = QStringLiteral("0000");

    friend bool operator==(const AdapterBasicInfo&, const AdapterBasicInfo&) = default;
};

} // namespace lensdock
