#include "ui/tabs/FocusLimiterTab.h"

#include "context/AppContext.h"
#include "ui/AppShell.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusLimitView.h"

#include <QVBoxLayout>

namespace lensdock {

FocusLimiterTab::FocusLimiterTab(AppShell& shell, QWidget* parent)
    : SettingsTab(shell, parent), position1_(new FocusLimitPosition(1, this)),
      position2_(new FocusLimitPosition(2, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(position1_);
    layout->addWidget(position2_);
    layout->addStretch(1);
    const QImage picture = shell.pictures().focusLimitImage.get();
    const int switchType = context().lensInfo().get().focusLimitSwitchType;
    for (FocusLimitPosition* position : {position1_, position2_}) {
        if (!picture.isNull())
            position->view()->setFocusIndicatorImage(picture);
        position->setSwitchLayout(switchType);
    }
}

void FocusLimiterTab::showAdjustData() {
    const LensInfo lens = context().lensInfo().get();
    const LensAdjustData data = context().currentAdjustData().get();
    const bool supported = lens.supportsFocusLimit;
    position1_->showLimits(supported && lens.focusLimitCount > 0, data.focusLimitFirstMode,
                           data.focusLimitFirstNear, data.focusLimitFirstFar, lens.focusLimitDivisions);
    position2_->showLimits(supported && lens.focusLimitCount > 1, data.focusLimitSecondMode,
                           data.focusLimitSecondNear, data.focusLimitSecondFar, lens.focusLimitDivisions);
}

void FocusLimiterTab::storeAdjustData() {
    const LensInfo lens = context().lensInfo().get();
    context().currentAdjustData().update([&](LensAdjustData& data) {
        copyControls(data);
        data.correctSettings(lens);
    });
}

void FocusLimiterTab::copyControls(LensAdjustData& data) const {
    position1_->storeLimits(data.focusLimitFirstMode, data.focusLimitFirstNear, data.focusLimitFirstFar);
    position2_->storeLimits(data.focusLimitSecondMode, data.focusLimitSecondNear, data.focusLimitSecondFar);
}

} // namespace lensdock
