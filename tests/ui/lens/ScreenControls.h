#pragma once

#include "adjust/LensAdjustData.h"
#include "ui/AlertCatalogue.h"
#include "ui/lens/LensScreen.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/tabs/MiscellaneousTab.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTest>

// The lens screen's three tabs as the user works them: switching with the segmented control, typing,
// moving sliders by keyboard, clicking indicators, and reading back what the controls show.
namespace screen_controls {

using namespace lensdock;

// The title of the alert `kind`, as the user sees it.
inline QString titleOf(DialogId kind) {
    return qtTrId(alertRow(kind).titleKey);
}

// 0 focus adjustment, 1 focus limiter, 2 miscellaneous: clicked on the segmented control.
inline QWidget* openTab(LensScreen& screen, int index) {
    QTabBar* bar = screen.tabSwitch();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    return screen.tabView()->currentWidget();
}
inline FocusAdjustmentTab& focusTab(LensScreen& screen) {
    return *qobject_cast<FocusAdjustmentTab*>(openTab(screen, 0));
}
inline FocusLimiterTab& limiterTab(LensScreen& screen) {
    return *qobject_cast<FocusLimiterTab*>(openTab(screen, 1));
}
inline MiscellaneousTab& miscellaneousTab(LensScreen& screen) {
    return *qobject_cast<MiscellaneousTab*>(openTab(screen, 2));
}

inline void clickIndicator(QAbstractButton* button, QStyle::SubElement indicator) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect rect = button->style()->subElementRect(indicator, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, {}, rect.center());
}
inline void clickRadio(QRadioButton* radio) {
    clickIndicator(radio, QStyle::SE_RadioButtonIndicator);
}
inline void clickCheckBox(QCheckBox* box) {
    clickIndicator(box, QStyle::SE_CheckBoxIndicator);
}

inline void press(QSlider* slider, Qt::Key key, int times) {
    for (int i = 0; i < times; ++i)
        QTest::keyClick(slider, key);
}

// Opens a focus cell with a click, replaces its text by `text` and ends the edit with Return.
inline void typeFocusValue(FocusAdjustmentTab& tab, int row, int column, const QString& text) {
    QLineEdit* field = tab.textField(row, column);
    QTest::mouseClick(field, Qt::LeftButton);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

// The VC mode each row stands for, top to bottom.
constexpr int vcModeOfRow[MiscellaneousTab::vcModeRows] = {2, 1, 3};

// What the tabs show, read from their controls tab by tab: focus values from the text fields,
// limiter steps one below the slider positions, modes and switches from the checked buttons.
inline LensAdjustData shownSettings(LensScreen& screen) {
    LensAdjustData shown;
    FocusAdjustmentTab& focus = focusTab(screen);
    LensAdjustData::FocusList* lists[] = {&shown.focusZoomClose, &shown.focusZoomCenter,
                                          &shown.focusZoomInfinite};
    for (int row = 0; row < FocusAdjustmentTab::rowCount; ++row)
        for (int column = 0; column < FocusAdjustmentTab::columnCount; ++column)
            (*lists[column])[row] = focus.textField(row, column)->text().toLongLong();

    FocusLimiterTab& limiter = limiterTab(screen);
    const auto readPosition = [&limiter](int number, std::int64_t& mode, std::int64_t& near,
                                         std::int64_t& far) {
        const FocusLimitPosition* position = limiter.position(number);
        mode = position->radioSegment()->isChecked() ? 2 : 1;
        near = position->sliderNear()->value() - 1;
        far = position->sliderFar()->value() - 1;
    };
    readPosition(1, shown.focusLimitFirstMode, shown.focusLimitFirstNear, shown.focusLimitFirstFar);
    readPosition(2, shown.focusLimitSecondMode, shown.focusLimitSecondNear, shown.focusLimitSecondFar);

    MiscellaneousTab& misc = miscellaneousTab(screen);
    shown.isFullTimeManualEnable = misc.chkFulltimeManualFocus()->isChecked();
    shown.fullTimeManual = misc.sliderFulltimeManualFocus()->value();
    for (int row = 0; row < MiscellaneousTab::vcModeRows; ++row)
        if (misc.vcModeRow(row)->isChecked())
            shown.vcMode = vcModeOfRow[row];
    return shown;
}

// The factory values the emulated lens was built with: limiter positions from the lens's defaults,
// everything else at the construction values.
inline LensAdjustData factoryOf(const LensInfo& lens) {
    LensAdjustData data;
    data.focusLimitFirstNear = lens.focusLimitDefaultFirstNear;
    data.focusLimitFirstFar = lens.focusLimitDefaultFirstFar;
    data.focusLimitFirstMode = lens.focusLimitDefaultModes[0];
    data.focusLimitSecondNear = lens.focusLimitDefaultSecondNear;
    data.focusLimitSecondFar = lens.focusLimitDefaultSecondFar;
    data.focusLimitSecondMode = lens.focusLimitDefaultModes[1];
    return data;
}

} // namespace screen_controls
