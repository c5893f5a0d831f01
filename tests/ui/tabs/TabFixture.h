#pragma once

#include "context/AppContext.h"
#include "ui/AppShell.h"

#include <memory>
#include <QTest>

// The application objects a settings tab needs, without a window or a running connection thread,
// and lenses of different capabilities.
struct TabFixture {
    std::unique_ptr<lensdock::AppContext> context;
    std::unique_ptr<lensdock::AppShell> shell;

    explicit TabFixture(const lensdock::LensInfo& lens) {
        lensdock::AppOptions options;
        options.downloadHost = *lensdock::DownloadHost::fromUrl(QStringLiteral("http://127.0.0.1:1"));
        context = std::make_unique<lensdock::AppContext>(options);
        shell = std::make_unique<lensdock::AppShell>(*context, lensdock::AppShell::Options());
        context->lensInfo().set(lens);
    }

    lensdock::LensAdjustData data() const { return context->currentAdjustData().get(); }
    void setData(const lensdock::LensAdjustData& data) { context->currentAdjustData().set(data); }
};

// Everything offered: 8 zoom positions, 3 distances, two limiter positions, VC mode with mode 3.
inline lensdock::LensInfo zoomLens() {
    lensdock::LensInfo lens;
    lens.modelCode = QStringLiteral("A036");
    lens.supportsFocusZoom = true;
    lens.supportsFullTimeManual = true;
    lens.supportsFocusLimit = true;
    lens.supportsVcMode = true;
    lens.vcModeType = 0;
    lens.zoomCount = 8;
    lens.focusPointCount = 3;
    lens.focusLimitCount = 2;
    lens.focusLimitDivisions = 10;
    lens.focusAdjustMax = 30;
    lens.focusAdjustMin = -30;
    lens.zoomFocalLengths = {28, 35, 50, 70, 100, 135, 200, 300};
    return lens;
}

// A prime lens: one zoom position, no limiter, no VC.
inline lensdock::LensInfo primeLens() {
    lensdock::LensInfo lens;
    lens.modelCode = QStringLiteral("F045");
    lens.supportsFocusZoom = true;
    lens.supportsFullTimeManual = true;
    lens.zoomCount = 1;
    lens.focusPointCount = 3;
    lens.focusAdjustMax = 20;
    lens.focusAdjustMin = -20;
    lens.zoomFocalLengths = {45, 0, 0, 0, 0, 0, 0, 0};
    return lens;
}

// Awkward: 5 zoom positions, 2 distances, an off-centre range, one limiter position on a scale of
// 6 steps, no mode 3 of VC, full-time manual focus not offered.
inline lensdock::LensInfo awkwardLens() {
    lensdock::LensInfo lens;
    lens.modelCode = QStringLiteral("B061");
    lens.supportsFocusZoom = true;
    lens.supportsFocusLimit = true;
    lens.supportsVcMode = true;
    lens.vcModeType = 1;
    lens.zoomCount = 5;
    lens.focusPointCount = 2;
    lens.focusLimitCount = 1;
    lens.focusLimitDivisions = 6;
    lens.focusLimitSwitchType = 0;
    lens.focusAdjustMax = 15;
    lens.focusAdjustMin = -10;
    lens.zoomFocalLengths = {18, 24, 40, 85, 120, 0, 0, 0};
    return lens;
}

// A lens that reports none of the settings.
inline lensdock::LensInfo bareLens() {
    return lensdock::LensInfo();
}
