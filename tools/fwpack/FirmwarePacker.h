#pragma once

#include "FirmwareRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace lensdock {

// Builds firmware files: the plain image (header + data per record) and its enciphered form.
namespace FirmwarePacker {
struct Result {
    QByteArray bytes;
    QString error; // empty on success

    bool ok() const { return error.isEmpty(); }
};

Result plainImage(const QList<FirmwareRecord>& records);
Result pack(const QList<FirmwareRecord>& records, const QString& decodeKey);
} // namespace FirmwarePacker

} // namespace lensdock
