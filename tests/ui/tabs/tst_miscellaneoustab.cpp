#include "TabFixture.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionButton>
#include <QWheelEvent>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::LensInfo)

namespace {
// Clicks the indicator of a check box or radio button.
void clickIndicator(QAbstractButton* button, QStyle::SubElement indicator) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect rect = button->style()->subElementRect(indicator, &option, button);
    QTest::mouseClick(button, Qt::LeftButton, {}, rect.center());
}

void clickRow(MiscellaneousTab& tab, int row) {
    clickIndicator(tab.vcModeRow(row), QStyle::SE_RadioButtonIndicator);
}

void clickCheckBox(MiscellaneousTab& tab) {
    clickIndicator(tab.chkFulltimeManualFocus(), QStyle::SE_CheckBoxIndicator);
}

LensAdjustData withFullTimeManual(bool enabled, int level, int vcMode = 2) {
    LensAdjustData data;
    data.isFullTimeManualEnable = enabled;
    data.fullTimeManual = level;
    data.vcMode = vcMode;
    return data;
}
} // namespace

class TestMiscellaneousTab : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void fullTimeManualIsShownAsTheLensOffersIt_data() {
        QTest::addColumn<LensInfo>("lens");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("checkEnabled");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("sliderEnabled");
        QTest::addColumn<int>("shownLevel");
        QTest::newRow("on at 3") << zoomLens() << true << 3 << true << true << true << 3;
        QTest::newRow("on at 1") << zoomLens() << true << 1 << true << true << true << 1;
        QTest::newRow("off at 3") << zoomLens() << false << 3 << true << false << false << 2;
        QTest::newRow("not offered") << awkwardLens() << true << 3 << false << false << false << 2;
    }
    void fullTimeManualIsShownAsTheLensOffersIt() {
        QFETCH(LensInfo, lens);
        QFETCH(bool, enabled);
        QFETCH(int, level);
        QFETCH(bool, checkEnabled);
        QFETCH(bool, checked);
        QFETCH(bool, sliderEnabled);
        QFETCH(int, shownLevel);
        TabFixture f(lens);
        f.setData(withFullTimeManual(enabled, level));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QCOMPARE(tab.chkFulltimeManualFocus()->isEnabled(), checkEnabled);
        QCOMPARE(tab.chkFulltimeManualFocus()->isChecked(), checked);
        QCOMPARE(tab.sliderFulltimeManualFocus()->isEnabled(), sliderEnabled);
        QCOMPARE(tab.sliderFulltimeManualFocus()->value(), shownLevel);
    }

    void offStoresLevelZeroWhichTheCorrectionTurnsIntoTwo() {
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(false, 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        f.shell->raiseWrite();
        QCOMPARE(f.data().isFullTimeManualEnable, false);
        QCOMPARE(f.data().fullTimeManual, 2);
    }

    void switchingOnEnablesTheSliderAtItsValue() {
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(false, 1));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        clickCheckBox(tab);
        QVERIFY(tab.chkFulltimeManualFocus()->isChecked());
        QVERIFY(tab.sliderFulltimeManualFocus()->isEnabled());
        QCOMPARE(tab.sliderFulltimeManualFocus()->value(), 2);
        QTest::keyClick(tab.sliderFulltimeManualFocus(), Qt::Key_Right);
        f.shell->raiseWrite();
        QCOMPARE(f.data().isFullTimeManualEnable, true);
        QCOMPARE(f.data().fullTimeManual, 3);
        clickCheckBox(tab);
        QVERIFY(!tab.sliderFulltimeManualFocus()->isEnabled());
    }

    void levelMovedByTheUserIsStored() {
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(true, 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QTest::keyClick(tab.sliderFulltimeManualFocus(), Qt::Key_Left);
        QTest::keyClick(tab.sliderFulltimeManualFocus(), Qt::Key_Left);
        QTest::keyClick(tab.sliderFulltimeManualFocus(), Qt::Key_Left); // stops at 1
        f.shell->raiseWrite();
        QCOMPARE(f.data().isFullTimeManualEnable, true);
        QCOMPARE(f.data().fullTimeManual, 1);
    }

    void vcModeSelectsItsRow_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("row");
        QTest::newRow("mode 2 first") << 2 << 0;
        QTest::newRow("mode 1 second") << 1 << 1;
        QTest::newRow("mode 3 third") << 3 << 2;
        QTest::newRow("unknown mode first") << 9 << 0;
    }
    void vcModeSelectsItsRow() {
        QFETCH(int, mode);
        QFETCH(int, row);
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(true, 2, mode));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QCOMPARE(tab.radioVcMode()->checkedId(), row);
        QVERIFY(tab.vcModeRow(row)->isChecked());
        for (int r = 0; r < MiscellaneousTab::vcModeRows; ++r)
            QVERIFY(tab.vcModeRow(r)->isEnabled());
    }

    void clickedRowIsStoredAsItsMode_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("mode");
        QTest::newRow("first row") << 0 << 2;
        QTest::newRow("second row") << 1 << 1;
        QTest::newRow("third row") << 2 << 3;
    }
    void clickedRowIsStoredAsItsMode() {
        QFETCH(int, row);
        QFETCH(int, mode);
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(true, 2, row == 2 ? 1 : 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        clickRow(tab, row);
        QVERIFY(tab.vcModeRow(row)->isChecked());
        f.shell->raiseWrite();
        QCOMPARE(f.data().vcMode, mode);
    }

    void aLensWithoutModeThreeDisablesItsRowAndDropsIt() {
        TabFixture f(awkwardLens());
        f.setData(withFullTimeManual(true, 2, 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QVERIFY(!tab.vcModeRow(2)->isEnabled());
        QVERIFY(tab.vcModeRow(0)->isEnabled());
        QVERIFY(tab.vcModeRow(0)->isChecked());
        // Changed at once, with nothing stored.
        QCOMPARE(f.data().vcMode, 2);
    }

    void aLensWithoutVcModeShowsAndStoresModeTwo() {
        TabFixture f(primeLens());
        f.setData(withFullTimeManual(true, 2, 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QCOMPARE(f.data().vcMode, 3);
        QVERIFY(tab.vcModeRow(0)->isChecked());
        for (int r = 0; r < MiscellaneousTab::vcModeRows; ++r)
            QVERIFY(!tab.vcModeRow(r)->isEnabled());
        f.shell->raiseWrite();
        QCOMPARE(f.data().vcMode, 2);
    }

    // The wheel over the tab scrolls the page; it moves the level only once the user has clicked it.
    void theWheelMovesTheLevelOnlyWhenItsSliderHasTheFocus() {
        TabFixture f(zoomLens());
        f.setData(withFullTimeManual(true, 3));
        MiscellaneousTab tab(*f.shell);
        tab.show();
        QApplication::setActiveWindow(&tab);
        QVERIFY(QTest::qWaitForWindowActive(&tab));
        QSlider* slider = tab.sliderFulltimeManualFocus();
        auto turnWheelDown = [slider] {
            const QPointF centre = QRectF(slider->rect()).center();
            QWheelEvent wheel(centre, slider->mapToGlobal(centre), {}, {0, -120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(slider, &wheel);
        };
        turnWheelDown();
        QCOMPARE(slider->value(), 3);
        QTest::mouseClick(slider, Qt::LeftButton, {}, slider->rect().center());
        QVERIFY(slider->hasFocus());
        const int clicked = slider->value();
        turnWheelDown();
        QCOMPARE(slider->value(), clicked - 1);
    }

    void controlShowsTheDataAgainAndHiddenTabsIgnoreTheFlags() {
        TabFixture f(zoomLens());
        MiscellaneousTab tab(*f.shell);
        tab.show();
        f.setData(withFullTimeManual(true, 1, 1));
        f.shell->raiseControl();
        QCOMPARE(tab.sliderFulltimeManualFocus()->value(), 1);
        QCOMPARE(tab.radioVcMode()->checkedId(), 1);
        tab.hide();
        tab.vcModeRow(2)->setChecked(true);
        f.shell->raiseWrite();
        QCOMPARE(f.data().vcMode, 1);
    }
};

QTEST_MAIN(TestMiscellaneousTab)
#include "tst_miscellaneoustab.moc"
