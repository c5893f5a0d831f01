// The user's edits on the lens screen's tabs, carried to the lens; the marks and questions about values
// not yet written; the window's keys, size and look.
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/FocusLimitPosition.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/Translations.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsEffect>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>

using namespace lensdock;
constexpr int boundMs = LensFixture::courseBoundMs;

class TestLensEditing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // Under a dark desktop theme the window stays light. Edits on every tab, the tabs switched by
    // their keys and a value being typed taken by Ctrl+Return, reach the lens; while it takes them
    // every other command is refused; a refused factory restore shows them again. With nothing
    // unapplied, closing asks nothing.
    void editsTravelFromTheTabsToTheLens() {
        const QPalette before = QApplication::palette();
        const auto restorePalette = qScopeGuard([&before] { QApplication::setPalette(before); });
        QApplication::setPalette(QPalette(QColor(0x35, 0x35, 0x35), QColor(0x20, 0x20, 0x20)));
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensScreen& screen = *f.screen();
        for (QWidget* widget : QWidgetList{f.window.get(), screen.applyButton()}) {
            const QPalette palette = widget->palette();
            QVERIFY(palette.color(QPalette::Window).lightness() > 200 &&
                    palette.color(QPalette::Base).lightness() > 200);
            QVERIFY(palette.color(QPalette::WindowText).lightness() < 100 &&
                    palette.color(QPalette::ButtonText).lightness() < 100);
        }
        QCOMPARE(screen.infoPanel()->txtLensName()->text(), QStringLiteral("Test Zoom 28-300"));
        QCOMPARE(screen.infoPanel()->txtMountName()->text(), QStringLiteral("Canon"));
        const LensAdjustData factory = f.lensHolds();
        f.press("Ctrl+2");
        FocusLimitPosition* first =
            qobject_cast<FocusLimiterTab*>(screen.tabView()->currentWidget())->position(1);
        QTest::keyClick(first->sliderFar(), Qt::Key_Left);
        LensFixture::tick(first->radioSegment());
        f.press("Ctrl+Tab");
        LensFixture::tick(qobject_cast<MiscellaneousTab*>(screen.tabView()->currentWidget())->vcModeRow(2));
        QTRY_VERIFY(f.window->isWindowModified() && screen.applyButton()->font().bold());
        f.press("Ctrl+Tab"); // wraps
        QLineEdit* field =
            qobject_cast<FocusAdjustmentTab*>(screen.tabView()->currentWidget())->textField(2, 0);
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("-17"));

        // The write's reply lost (not that of an identity poll due at the same moment): the write
        // lasts a watchdog period, and the other commands are tried meanwhile.
        f.dock->setFaultScope(FunctionNumber::setAdjData);
        f.dock->armFault(FaultKind::dropReply);
        f.press("Ctrl+Return");
        QTRY_COMPARE_WITH_TIMEOUT(f.thread().appState(), ApplicationState::writingSettings, boundMs);
        for (QPushButton* button : {screen.applyButton(), screen.restoreFactoryButton(), screen.openButton(),
                                    screen.saveAsButton(), screen.updateButton()})
            button->click();
        for (const char* name : {"menuOpen", "menuSaveAs", "menuFactory"})
            f.action(name)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setAdjustDataComplete), boundMs);
        QCOMPARE(f.openDialogs + f.saveDialogs, 0);
        const LensAdjustData held = f.lensHolds();
        QCOMPARE(held.focusZoomClose[2], -17);
        QCOMPARE(held.focusLimitFirstFar, factory.focusLimitFirstFar - 1);
        QCOMPARE(held.focusLimitFirstMode, 2); // segment
        QCOMPARE(held.vcMode, 3);
        QTRY_VERIFY(!f.window->isWindowModified() && !screen.applyButton()->font().bold());
        const std::pair<const char*, int> tabKeys[] = {{"Ctrl+3", 2},
                                                       {"Ctrl+PgUp", 1},
                                                       {"Ctrl+Shift+Backtab", 0},
                                                       {"Ctrl+Shift+Backtab", 2},
                                                       {"Ctrl+1", 0}};
        for (const auto& [keys, index] : tabKeys) {
            f.press(keys);
            QVERIFY2(screen.tabSwitch()->currentIndex() == index && screen.tabView()->currentIndex() == index,
                     keys);
        }

        QVERIFY(f.waitIdle());
        f.dock->armFault(FaultKind::refuseAdjustWrite, 4); // the request and its three resends
        f.click(screen.restoreFactoryButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setDefaultError), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lensHolds(), held);
        QVERIFY(f.editing().isSameSettings(held, f.lens()));
        QCOMPARE(field->text(), QStringLiteral("-17"));
        f.window->close();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QCOMPARE(f.answerer->seen().size(), 4); // the two commands' caution and result
    }

    // Unapplied edits leave with their lens and are offered back once when the same lens (by its
    // serial number) returns, not for another lens of the model. Each screen has one window size
    // however often it comes back through the fades. Closing asks before the edits are lost.
    void editsComeBackWithTheSameLens() {
        QString restore = QStringLiteral("dialogBtnNo");
        QString discard = QStringLiteral("dialogBtnCancel");
        LensFixture f;
        f.fade = std::chrono::milliseconds(40);
        QVERIFY(f.launchConnected([&](const ModalAnswerer::Seen& seen) {
            if (seen.title == titleOf(DialogId::restoreEditsConfirm))
                return restore;
            return seen.title == titleOf(DialogId::discardChangesConfirm) ? discard : seen.buttonIds.last();
        }));
        const auto faded = [&f] {
            return QTest::qWaitFor([&f] { return f.window->findChildren<QGraphicsEffect*>().isEmpty(); },
                                   boundMs);
        };
        QVERIFY(faded());
        const QSize lensSize = f.window->size();
        std::optional<QSize> connectSize;
        const auto remount = [&](const QString& serial) {
            f.dock->unmountLens();
            QVERIFY(QTest::qWaitFor([&] { return !f.screen(); }, boundMs) && faded());
            QVERIFY(!f.window->isWindowModified());
            // The connect screen gets the room it asks for, not the lens screen's height.
            QCOMPARE(f.window->centralWidget()->height(), f.window->content()->sizeHint().height());
            QCOMPARE(f.window->size(), connectSize.value_or(f.window->size()));
            connectSize = f.window->size();
            f.dock->setLensSerial(serial);
            f.dock->mountLens();
            QVERIFY(f.waitIdle() && faded());
            QCOMPARE(f.window->size(), lensSize);
        };
        const auto edit = [&f] {
            f.type(4, 2, QStringLiteral("12"));
            LensFixture::tick(f.tab<MiscellaneousTab>(2).vcModeRow(2));
        };
        const auto offers = [&f] {
            return int(f.answerer->titles().count(titleOf(DialogId::restoreEditsConfirm)));
        };
        const QString serial = f.lens().serialCode;
        edit();
        for (const QString& lens : {QStringLiteral("9999999999999999"), serial, serial}) {
            remount(lens);
            QVERIFY(!QTest::currentTestFailed());
            QCOMPARE(offers(), lens == serial ? 1 : 0); // declined, and not asked again
            QCOMPARE(f.tab().textField(4, 2)->text(), QStringLiteral("0"));
        }
        edit();
        restore = QStringLiteral("dialogBtnYes");
        remount(serial);
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(offers(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(f.window->isWindowModified(), boundMs);
        QVERIFY(f.tab<MiscellaneousTab>(2).vcModeRow(2)->isChecked());
        QCOMPARE(f.tab().textField(4, 2)->text(), QStringLiteral("12"));

        f.window->close(); // cancelled: all stays
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::discardChangesConfirm), boundMs);
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), boundMs);
        QVERIFY(f.window->isVisible() && f.endCount == 0 && f.window->isWindowModified());
        discard = QStringLiteral("dialogBtnDiscard");
        f.action("menuQuit")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(f.endCount.load(), 1, boundMs);
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::setAdjData], 0);
    }
};

QTEST_MAIN(TestLensEditing)
#include "tst_lensediting.moc"
