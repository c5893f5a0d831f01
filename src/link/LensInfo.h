#pragma once

#include <array>
#include <QString>

namespace lensdock {

// What the lens reports about itself: identity, supported settings and their ranges.
struct LensInfo {
    QString modelCode = QStringLiteral("A000");
    QString serialCode = QStringLiteral("0000000000000000");
    QString firmwareVersion = QStringLiteral("0000");
    QString version2 = QStringLiteral("0000");
    QString version3 = QStringLiteral("0000");
    QString version4 = QStringLiteral("0000");
    QString version5 = QStringLiteral("0000");
    QString version6 = QStringLiteral("0000");
    bool supportsFocusZoom = false;
    bool supportsFullTimeManual = false;
    bool supportsFocusLimit = false;
    bool supportsVcMode = false;
    int vcModeType = 0;
    int zoomCount = 8;
    int focusPointCount = 3;
    int focusLimitCount = 2;
    int focusLimitSwitchType = 1;
    std::array<int, 4> focusLimitDefaultModes{1, 1, 1, 1};
    int focusLimitDivisions = 10;
    int focusAdjustMax = 30;
    int focusAdjustMin = -30;
    int focusLimitDefaultFirstNear = 0;
    int focusLimitDefaultFirstFar = 9;
    int focusLimitDefaultSecondNear = 0;
    int focusLimitDefaultSecondFar = 9;
    std::array<int, 8> zoomFocalLengths{};
    int lensKind = 0;

    // Largest step of the focus limiter scale.
    int focusLimitMaxStep() const { return focusLimitDivisions - 1; }

    friend bool operator==(const LensInfo&, const LensInfo&) = default;
};

} // namespace lensdock
