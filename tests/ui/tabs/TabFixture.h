#pragma once

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <memory>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
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
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = true;
    lens.supportsVcMode = true;
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

// The three tabs hosted the way the lens screen hosts them: pages of a stack, switched after `write`
// has been raised, so that the tab being left stores its values and the one shown starts afresh.
struct TabStack {
    TabFixture f{zoomLens()};
    QStackedWidget stack;
    lensdock::FocusAdjustmentTab* focus = new lensdock::FocusAdjustmentTab(*f.shell);
    lensdock::FocusLimiterTab* limiter = new lensdock::FocusLimiterTab(*f.shell);
    lensdock::MiscellaneousTab* misc = new lensdock::MiscellaneousTab(*f.shell);
    TabStack() {
        for (QWidget* tab : QWidgetList{focus, limiter, misc})
            stack.addWidget(tab);
        stack.show();
    }
};

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

// The handle of `slider` as its style draws it.
inline QRect handleOf(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->value();
    option.tickPosition = slider->tickPosition();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
}

// "1" for each of a limiter position's mode buttons and sliders that takes input, else "0".
inline QString enabledControls(const lensdock::FocusLimitPosition* p) {
    QString enabled;
    for (QWidget* control : QWidgetList{p->radioRange(), p->radioSegment(), p->sliderNear(), p->sliderFar()})
        enabled += control->isEnabled() ? '1' : '0';
    return enabled;
}

// Mode, near and far of each limiter position.
inline QList<qint64> limits(const lensdock::LensAdjustData& d) {
    return {d.focusLimitFirstMode,  d.focusLimitFirstNear,  d.focusLimitFirstFar,
            d.focusLimitSecondMode, d.focusLimitSecondNear, d.focusLimitSecondFar};
}

inline QImage greyPicture(int grey) {
    QImage picture(392, 45, QImage::Format_ARGB32);
    picture.fill(QColor(grey, grey, grey));
    return picture;
}
