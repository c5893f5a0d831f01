#pragma once

#include "VirtualDock.h"

#include <map>
#include <QByteArray>
#include <QJsonObject>
#include <QList>

namespace lensdock {

// A copy of the emulator's state at one moment, safe to read on any thread.
struct DockSnapshot {
    bool plugged = false;
    int plugCount = 0; // ptys created so far; grows by one per re-enumeration
    QString slavePath;
    AdapterBasicInfo adapter;
    LensInfo lens;
    bool lensMounted = false;
    bool lensConnected = false;
    bool overCurrent = false;
    bool receivingBlocks = false;
    int firmwareRequests = 0;    // firmware-update commands received, answered or not
    std::map<int, int> requests; // well-formed requests received, by function number
    QByteArray adjustBytes;
    QList<ReceivedFirmware> firmware;
    QByteArray firmwareImage;
    qsizetype bareBytesReceived = 0;
    std::map<QString, int> faults;

    QJsonObject toJson() const;
    // The state as one line of compact JSON.
    QByteArray toJsonLine() const;
};

} // namespace lensdock
