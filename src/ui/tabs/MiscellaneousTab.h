#pragma once

#include "adjust/LensAdjustData.h"
#include "ui/tabs/SettingsTab.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QRadioButton;
class QSlider;

namespace lensdock {

// Full-time manual focus (on or off, and a level of 1 to 3) and the VC mode of the current adjust
// data. The VC mode rows list mode 2 first, then mode 1 and mode 3.
class MiscellaneousTab : public SettingsTab {
    Q_OBJECT
public:
    static constexpr int vcModeRows = 3;

    explicit MiscellaneousTab(AppShell& shell, QWidget* parent = nullptr);

    void showAdjustData() override;
    void storeAdjustData() override;

    QCheckBox* chkFulltimeManualFocus() const { return chkFulltimeManualFocus_; }
    QSlider* sliderFulltimeManualFocus() const { return sliderFulltimeManualFocus_; }
    QButtonGroup* radioVcMode() const { return radioVcMode_; }
    QRadioButton* vcModeRow(int row) const;
    // The row showing `mode`, and the mode of `row`.
    static int rowOfVcMode(std::int64_t mode);
    static int vcModeOfRow(int row);

protected:
    void copyControls(LensAdjustData& data) const override;

private:
    QGroupBox* buildFullTimeManual();
    QGroupBox* buildVcMode();
    void btnPushFulltimeManualFocus();
    void showFullTimeManual(const LensInfo& lens, const LensAdjustData& data);
    void showVcMode(const LensInfo& lens, std::int64_t vcMode);

    QCheckBox* chkFulltimeManualFocus_ = nullptr;
    QSlider* sliderFulltimeManualFocus_ = nullptr;
    QButtonGroup* radioVcMode_ = nullptr;
    QWidget* vcModeBox_ = nullptr;
};

} // namespace lensdock
