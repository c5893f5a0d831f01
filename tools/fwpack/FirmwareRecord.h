#pragma once

#include <cstdint>
#include <QByteArray>
#include <QString>

namespace lensdock {

// One firmware image for one device area, before it is packed into a firmware file.
struct FirmwareRecord {
    std::uint8_t targetDevice = 0;
    std::uint8_t targetArea = 0;
    QString version = QStringLiteral("0000"); // four decimal digits, as the device reports it
    QByteArray data;
};

} // namespace lensdock
