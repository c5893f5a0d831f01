#pragma once

#include <QString>

namespace lensdock {

// The record of the adapter catalogue: latest adapter firmware and its decode key.
struct AdapterModelInfo {
    QString infoDate = QStringLiteral("2000/01/01 00:00:00");
    QString latestVersion = QStringLiteral("0000");
    QString decodeKey;

    friend bool operator==(const AdapterModelInfo&, const AdapterModelInfo&) = default;
};

} // namespace lensdock
