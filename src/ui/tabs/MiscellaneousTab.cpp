#include "ui/tabs/MiscellaneousTab.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/tabs/FocusedWheelSlider.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lensdock {

namespace {
constexpr int fullTimeManualMinimum = 1;
constexpr int fullTimeManualMaximum = 3;
// What the level slider shows while full-time manual focus is off or not offered.
constexpr int fullTimeManualShownWhenOff = 2;
// Each level a clear move of the mouse, not a twitch.
constexpr int pixelsPerLevel = 60;
// A lens of this VC mode type offers no mode 3.
constexpr int vcModeTypeWithoutMode3 = 1;
constexpr int vcModeRowOfMode3 = 2;

// What each VC mode row means, in the order of the rows (mode 2, 1, 3).
QStringList vcModeToolTips() {
    return {
        //% "Mode 2: the standard setting of the image stabiliser."
        qtTrId("vcMode2ToolTip"),
        //% "Mode 1: another setting of the image stabiliser. "
        //% "What it changes depends on the lens; see the lens's manual."
        qtTrId("vcMode1ToolTip"),
        //% "Mode 3: a further setting of the image stabiliser that only some lenses offer; "
        //% "on the others it cannot be chosen. What it changes depends on the lens; see the lens's manual."
        qtTrId("vcMode3ToolTip"),
    };
}
} // namespace

MiscellaneousTab::MiscellaneousTab(AppShell& shell, QWidget* parent) : SettingsTab(shell, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildFullTimeManual());
    layout->addWidget(buildVcMode());
    layout->addStretch(1);
}

QGroupBox* MiscellaneousTab::buildFullTimeManual() {
    //% "Full-time manual focus"
    auto* group = new QGroupBox(qtTrId("fullTimeManualTitle"), this);
    //% "Allow manual focusing while autofocus is on"
    chkFulltimeManualFocus_ = new QCheckBox(qtTrId("fullTimeManualEnable"), group);
    chkFulltimeManualFocus_->setObjectName(QStringLiteral("chkFulltimeManualFocus"));
    auto* slider = new FocusedWheelSlider(group);
    slider->setObjectName(QStringLiteral("sliderFulltimeManualFocus"));
    slider->setRange(fullTimeManualMinimum, fullTimeManualMaximum);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setPageStep(1);
    // As the other sliders of the tabs: the wheel scrolls the page until the slider is clicked.
    slider->setFocusPolicy(Qt::ClickFocus);
    slider->setMinimumStepWidth(pixelsPerLevel);
    sliderFulltimeManualFocus_ = slider;
    auto* layout = new QGridLayout(group);
    layout->addWidget(chkFulltimeManualFocus_, 0, 0, 1, 4);
    //% "Sensitivity"
    layout->addWidget(new QLabel(qtTrId("fullTimeManualValue"), group), 1, 0, 2, 1);
    layout->addWidget(sliderFulltimeManualFocus_, 1, 1, 1, 3);
    //% "Low"
    layout->addWidget(new QLabel(qtTrId("fullTimeManual1"), group), 2, 1, Qt::AlignLeft);
    //% "Standard"
    layout->addWidget(new QLabel(qtTrId("fullTimeManual2"), group), 2, 2, Qt::AlignHCenter);
    //% "High"
    layout->addWidget(new QLabel(qtTrId("fullTimeManual3"), group), 2, 3, Qt::AlignRight);
    connect(chkFulltimeManualFocus_, &QCheckBox::clicked, this, [this] { btnPushFulltimeManualFocus(); });
    return group;
}

QGroupBox* MiscellaneousTab::buildVcMode() {
    //% "VC mode"
    auto* group = new QGroupBox(qtTrId("vcModeTitle"), this);
    vcModeBox_ = new QWidget(group);
    vcModeBox_->setObjectName(QStringLiteral("radioVcMode"));
    auto* rows = new QVBoxLayout(vcModeBox_);
    rows->setContentsMargins(0, 0, 0, 0);
    radioVcMode_ = new QButtonGroup(this);
    //% "Mode 1"
    const QString mode1 = qtTrId("vcMode1");
    //% "Mode 2 (standard)"
    const QString mode2 = qtTrId("vcMode2");
    //% "Mode 3"
    const QString mode3 = qtTrId("vcMode3");
    const QString rowTexts[vcModeRows] = {mode2, mode1, mode3};
    const QStringList rowTips = vcModeToolTips();
    for (int row = 0; row < vcModeRows; ++row) {
        auto* button = new QRadioButton(rowTexts[row], vcModeBox_);
        button->setToolTip(rowTips[row]);
        radioVcMode_->addButton(button, row);
        rows->addWidget(button);
    }
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(vcModeBox_);
    //% "Choose how the image stabiliser behaves. Mode 3 is not offered by every lens."
    auto* description = new QLabel(qtTrId("vcModeDescription"), group);
    description->setWordWrap(true);
    layout->addWidget(description);
    return group;
}

QRadioButton* MiscellaneousTab::vcModeRow(int row) const {
    return qobject_cast<QRadioButton*>(radioVcMode_->button(row));
}

int MiscellaneousTab::rowOfVcMode(std::int64_t mode) {
    switch (mode) {
    case 3:
        return 2;
    case 1:
        return 1;
    default:
        return 0;
    }
}

int MiscellaneousTab::vcModeOfRow(int row) {
    switch (row) {
    case 0:
        return 2;
    case 1:
        return 1;
    default:
        return 3;
    }
}

void MiscellaneousTab::showAdjustData() {
    const LensInfo lens = context().lensInfo().get();
    LensAdjustData data = context().currentAdjustData().get();
    if (lens.supportsVcMode && lens.vcModeType == vcModeTypeWithoutMode3 && data.vcMode == 3) {
        // A lens without mode 3 never keeps it, stored or not.
        data.vcMode = 2;
        context().currentAdjustData().update([](LensAdjustData& current) {
            if (current.vcMode == 3)
                current.vcMode = 2;
        });
    }
    showFullTimeManual(lens, data);
    showVcMode(lens, data.vcMode);
}

void MiscellaneousTab::showFullTimeManual(const LensInfo& lens, const LensAdjustData& data) {
    if (!lens.supportsFullTimeManual) {
        chkFulltimeManualFocus_->setEnabled(false);
        sliderFulltimeManualFocus_->setEnabled(false);
        sliderFulltimeManualFocus_->setValue(fullTimeManualShownWhenOff);
        return;
    }
    chkFulltimeManualFocus_->setEnabled(true);
    chkFulltimeManualFocus_->setChecked(data.isFullTimeManualEnable);
    sliderFulltimeManualFocus_->setEnabled(data.isFullTimeManualEnable);
    sliderFulltimeManualFocus_->setValue(data.isFullTimeManualEnable ? int(data.fullTimeManual)
                                                                     : fullTimeManualShownWhenOff);
}

void MiscellaneousTab::showVcMode(const LensInfo& lens, std::int64_t vcMode) {
    if (!lens.supportsVcMode) {
        vcModeBox_->setEnabled(false);
        vcModeRow(0)->setChecked(true);
        return;
    }
    vcModeBox_->setEnabled(true);
    vcModeRow(vcModeRowOfMode3)->setEnabled(lens.vcModeType != vcModeTypeWithoutMode3);
    vcModeRow(rowOfVcMode(vcMode))->setChecked(true);
}

void MiscellaneousTab::btnPushFulltimeManualFocus() {
    sliderFulltimeManualFocus_->setEnabled(chkFulltimeManualFocus_->isChecked());
}

void MiscellaneousTab::storeAdjustData() {
    const LensInfo lens = context().lensInfo().get();
    context().currentAdjustData().update([&](LensAdjustData& data) {
        copyControls(data);
        data.correctSettings(lens);
    });
}

void MiscellaneousTab::copyControls(LensAdjustData& data) const {
    const bool enabled = chkFulltimeManualFocus_->isChecked();
    data.isFullTimeManualEnable = enabled;
    data.fullTimeManual = enabled ? sliderFulltimeManualFocus_->value() : 0;
    data.vcMode = vcModeOfRow(radioVcMode_->checkedId());
}

} // namespace lensdock
