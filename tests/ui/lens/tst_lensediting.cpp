#include "LensFixture.h"
#include "link/CommandSet.h"
#include "ScreenControls.h"
#include "ui/Translations.h"

#include <QAction>
#include <QTimer>

using namespace lensdock;
using namespace screen_controls;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;

// A value typed, a slider moved, the first limiter position's near slider driven onto its far one,
// both limiter modes switched, full-time manual focus switched off and VC mode 3 chosen.
void editAcrossTheTabs(LensScreen& screen) {
    FocusAdjustmentTab& focus = focusTab(screen);
    typeFocusValue(focus, 2, 0, QStringLiteral("-17"));
    press(focus.slider(5, 2), Qt::Key_Right, 4);

    FocusLimiterTab& limiter = limiterTab(screen);
    FocusLimitPosition* first = limiter.position(1);
    press(first->sliderFar(), Qt::Key_Left, 4);   // 10 -> 6
    press(first->sliderNear(), Qt::Key_Right, 7); // 1 -> 8 asked, held at 5
    clickRadio(first->radioSegment());
    FocusLimitPosition* second = limiter.position(2);
    press(second->sliderNear(), Qt::Key_Right, 2);
    clickRadio(second->radioRange());

    MiscellaneousTab& misc = miscellaneousTab(screen);
    clickCheckBox(misc.chkFulltimeManualFocus());
    clickRadio(misc.vcModeRow(2));
}

// Every setting away from the factory value: each focus cell typed with its own value, both limiter
// positions moved at both ends with their modes switched, and the miscellaneous settings given.
void editEverySetting(LensScreen& screen, bool fullTimeManual, int vcRow) {
    FocusAdjustmentTab& focus = focusTab(screen);
    for (int row = 0; row < FocusAdjustmentTab::rowCount; ++row) {
        for (int column = 0; column < FocusAdjustmentTab::columnCount; ++column) {
            const int value = (row * 3 + column + 1) * (column == 1 ? -1 : 1);
            typeFocusValue(focus, row, column, QString::number(value));
        }
    }
    FocusLimiterTab& limiter = limiterTab(screen);
    for (int number : {1, 2}) {
        FocusLimitPosition* position = limiter.position(number);
        press(position->sliderFar(), Qt::Key_Left, 1);
        press(position->sliderNear(), Qt::Key_Right, 1);
        clickRadio(number == 1 ? position->radioSegment() : position->radioRange());
    }
    MiscellaneousTab& misc = miscellaneousTab(screen);
    if (fullTimeManual)
        QTest::keyClick(misc.sliderFulltimeManualFocus(), Qt::Key_Right);
    else
        clickCheckBox(misc.chkFulltimeManualFocus());
    clickRadio(misc.vcModeRow(vcRow));
}

bool restoreFactorySettings(LensFixture& f) {
    const int before = f.answerer->seen().size();
    f.click(f.screen()->restoreFactoryButton());
    return QTest::qWaitFor(
               [&] {
                   return f.answerer->titles().mid(before) ==
                          QStringList{titleOf(DialogId::initializeCaution),
                                      titleOf(DialogId::setDefaultDataComplete)};
               },
               boundMs) &&
           f.waitIdle();
}
} // namespace

// The user's edits on the lens screen's tabs, carried to the lens, to a file and back.
class TestLensEditing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void whatTheTabsShowIsWhatTheLensStores() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        QCOMPARE(shownSettings(screen), factoryOf(f.lens()));
        editAcrossTheTabs(screen);
        const LensAdjustData shown = shownSettings(screen);
        QCOMPARE(shown.focusZoomClose[2], -17);
        QCOMPARE(shown.focusZoomInfinite[5], 4);
        QCOMPARE(shown.focusLimitFirstNear, 4); // pushed back below far
        QCOMPARE(shown.focusLimitFirstFar, 5);
        QVERIFY(!shown.isFullTimeManualEnable);
        QCOMPARE(shown.vcMode, 3);

        f.click(screen.applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(
            f.answerer->titles(),
            (QStringList{titleOf(DialogId::customizeCaution), titleOf(DialogId::setAdjustDataComplete)}),
            boundMs);
        QCOMPARE(f.dock->snapshot().adjustBytes, AdjustPayload::encode(shown, f.lens()));
        QVERIFY(f.waitIdle());
        QCOMPARE(shownSettings(screen), shown);
    }

    void aReadBackThatDiffersKeepsTheEditsOnTheTabs() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        editAcrossTheTabs(screen);
        const LensAdjustData shown = shownSettings(screen);
        f.dock->armFault(FaultKind::ignoreAdjustWrite);
        f.click(screen.applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(
            f.answerer->titles(),
            (QStringList{titleOf(DialogId::customizeCaution), titleOf(DialogId::setAdjustError)}), boundMs);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QVERIFY(f.waitIdle());
        QCOMPARE(shownSettings(screen), shown);
        // Applied again, the kept edits reach the lens.
        f.click(screen.applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().size(), 4, boundMs);
        QCOMPARE(f.answerer->titles().last(), titleOf(DialogId::setAdjustDataComplete));
        QCOMPARE(f.dock->snapshot().adjustBytes, AdjustPayload::encode(shown, f.lens()));
    }

    void restoringShowsTheFactoryValuesOnEveryTab() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        editEverySetting(screen, true, 1);
        QVERIFY(shownSettings(screen) != factoryOf(f.lens()));
        QVERIFY(restoreFactorySettings(f));
        QCOMPARE(shownSettings(screen), factoryOf(f.lens()));
        QCOMPARE(f.dock->snapshot().adjustBytes, AdjustPayload::encode(factoryOf(f.lens()), f.lens()));
    }

    void savingAndOpeningRoundTripsEverySetting_data() {
        QTest::addColumn<bool>("fullTimeManual");
        QTest::addColumn<int>("vcRow");
        QTest::newRow("full-time manual off, VC mode 3") << false << 2;
        QTest::newRow("full-time manual at 3, VC mode 1") << true << 1;
    }
    void savingAndOpeningRoundTripsEverySetting() {
        QFETCH(bool, fullTimeManual);
        QFETCH(int, vcRow);
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        editEverySetting(screen, fullTimeManual, vcRow);
        const LensAdjustData saved = shownSettings(screen);
        f.savePaths << f.dir.filePath(QStringLiteral("every setting"));
        f.click(screen.saveAsButton());
        QVERIFY(f.waitIdle());

        QVERIFY(restoreFactorySettings(f));
        QCOMPARE(shownSettings(screen), factoryOf(f.lens()));
        f.openPaths << f.dir.filePath(QStringLiteral("every setting.vlad"));
        f.click(screen.openButton());
        QCOMPARE(f.openDialogs, 1);
        QCOMPARE(f.saveDialogs, 1);
        QCOMPARE(f.answerer->seen().size(), 2); // the restore's two
        QCOMPARE(shownSettings(screen), saved);
        QVERIFY(f.waitIdle());
    }

    // While the lens takes the settings (its first reply lost, so the write lasts a watchdog period),
    // every lens command is tried: the buttons and the File menu.
    void commandsDuringAWriteDoNothing() {
        LensFixture f;
        QVERIFY(f.launchConnected([&f](const ModalAnswerer::Seen& seen) {
            if (seen.title == titleOf(DialogId::customizeCaution)) {
                // The write's reply, not that of an identity poll due at the same moment.
                f.dock->setFaultScope(FunctionNumber::setAdjData);
                f.dock->armFault(FaultKind::dropReply);
            }
            return seen.buttonIds.last();
        }));
        LensScreen& screen = *f.screen();
        QTest::keyClick(focusTab(screen).slider(0, 0), Qt::Key_Right);
        bool tried = false;
        QTimer duringTheWrite;
        QObject::connect(&duringTheWrite, &QTimer::timeout, [&] {
            if (tried || f.thread().appState() != ApplicationState::writingSettings)
                return;
            tried = true;
            for (QPushButton* button : {screen.applyButton(), screen.restoreFactoryButton(),
                                        screen.openButton(), screen.saveAsButton(), screen.updateButton()})
                button->click();
            for (const char* name : {"menuOpen", "menuSaveAs", "menuFactory"})
                f.action(name)->trigger();
        });
        duringTheWrite.start(5);
        f.openPaths << f.dir.filePath(QStringLiteral("refused.vlad"));
        f.savePaths << f.dir.filePath(QStringLiteral("refused"));
        f.click(screen.applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(
            f.answerer->titles(),
            (QStringList{titleOf(DialogId::customizeCaution), titleOf(DialogId::setAdjustDataComplete)}),
            boundMs);
        QVERIFY(tried);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.openDialogs + f.saveDialogs, 0);
        QVERIFY(!screen.updateWindow());
        QCOMPARE(f.lensHolds().focusZoomClose[0], 1);
        QCOMPARE(f.answerer->seen().size(), 2);
    }
};

QTEST_MAIN(TestLensEditing)
#include "tst_lensediting.moc"
