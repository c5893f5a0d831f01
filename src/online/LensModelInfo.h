#pragma once

#include <array>
#include <QString>

namespace lensdock {

// The record of a lens catalogue: display name, latest firmware and its decode key, and the lens's
// capabilities and ranges as the host lists them.
struct LensModelInfo {
    QString infoDate = QStringLiteral("2000/01/01 00:00:00");
    QString modelCode = QStringLiteral("A000");
    QString lensName;
    QString latestVersion = QStringLiteral("0000");
    bool supportsFocusZoom = false;
    bool supportsFullTimeManual = false;
    bool supportsFocusLimit = false;
    bool supportsVcMode = false;
    int zoomCount = 8;
    int focusPointCount = 3;
    std::array<int, 8> zoomFocalLengths{};
    int focusAdjustMax = 30;
    int focusAdjustMin = -30;
    int focusLimitCount = 2;
    int focusLimitDivisions = 10;
    int focusLimitDefaultFirstNear = 0;
    int focusLimitDefaultFirstFar = 9;
    int focusLimitDefaultSecondNear = 0;
    int focusLimitDefaultSecondFar = 9;
    QString decodeKey;

    friend bool operator==(const LensModelInfo&, const LensModelInfo&) = default;
};

} // namespace lensdock
