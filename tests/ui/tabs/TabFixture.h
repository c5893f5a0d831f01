#pragma once

#include "context/AppContext.h"
#include "ui/AppShell.h"

#include <memory>
#include <QApplication>
#include <QCheckBox>
#include <QStyleOptionButton>
#include <QTest>

Q_DECLARE_METATYPE(lensdock::LensInfo)

// The application objects a settings tab needs, without a window or a running connection thread.
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

// Everything offered: 8 zoom positions, 3 distances from -30 to 30, two limiter positions of 10 steps,
// the middle switch first, VC mode with mode 3.
inline lensdock::LensInfo zoomLens() {
    lensdock::LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    lens.zoomFocalLengths = {28, 35, 50, 70, 100, 135, 200, 300};
    return lens;
}

// A prime lens: one zoom position, -20 to 20, no limiter, no VC.
inline lensdock::LensInfo primeLens() {
    lensdock::LensInfo lens = zoomLens();
    lens.supportsFocusLimit = lens.supportsVcMode = false;
    lens.zoomCount = 1;
    lens.focusAdjustMax = 20;
    lens.focusAdjustMin = -20;
    return lens;
}

// Awkward: 5 zoom positions, 2 distances, an off-centre range, one limiter position on a scale of
// 6 steps with the bottom switch first, no mode 3 of VC, full-time manual focus not offered.
inline lensdock::LensInfo awkwardLens() {
    lensdock::LensInfo lens = zoomLens();
    lens.supportsFullTimeManual = false;
    lens.vcModeType = 1;
    lens.zoomCount = 5;
    lens.focusPointCount = 2;
    lens.focusLimitCount = 1;
    lens.focusLimitDivisions = 6;
    lens.focusLimitSwitchType = 0;
    lens.focusAdjustMax = 15;
    lens.focusAdjustMin = -10;
    return lens;
}

// Clicks the indicator of a radio button or check box.
inline void clickIndicator(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    const auto element =
        qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      button->style()->subElementRect(element, &option, button).center());
}

inline void press(QWidget* widget, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(widget, key);
}
