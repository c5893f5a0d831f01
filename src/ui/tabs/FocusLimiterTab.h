#pragma once

#include "ui/tabs/SettingsTab.h"

namespace lensdock {

class FocusLimitPosition;

// The two focus limiter switch positions of the current adjust data. A position the lens does not
// offer is shown disabled and stays so for the life of the tab.
class FocusLimiterTab : public SettingsTab {
    Q_OBJECT
public:
    explicit FocusLimiterTab(AppShell& shell, QWidget* parent = nullptr);

    void showAdjustData() override;
    void storeAdjustData() override;

    // 1 or 2.
    FocusLimitPosition* position(int number) const { return number == 1 ? position1_ : position2_; }

protected:
    void copyControls(LensAdjustData& data) const override;

private:
    FocusLimitPosition* position1_;
    FocusLimitPosition* position2_;
};

} // namespace lensdock
