#include "LensFixture.h"
#include "ScreenControls.h"
#include "ui/ProgressPanel.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QAction>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>
#include <thread>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString applyCaution = QStringLiteral("Apply the settings");
const QString applied = QStringLiteral("Settings applied");
const QString applyFailed = QStringLiteral("Writing the settings failed");
const QString restoreCaution = QStringLiteral("Restore factory settings");
const QString restored = QStringLiteral("Factory settings restored");
const QString restoreFailed = QStringLiteral("Restoring the factory settings failed");

QString cancel(const ModalAnswerer::Seen& seen) {
    return seen.buttonIds.first();
}

FocusAdjustmentTab* focusTab(LensFixture& f) {
    return qobject_cast<FocusAdjustmentTab*>(f.screen()->tabView()->widget(0));
}

// Moves the close-distance value of the first zoom position one step up and the middle-distance
// value of the third one step down.
void editTwoValues(LensFixture& f) {
    QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
    QTest::keyClick(focusTab(f)->slider(2, 1), Qt::Key_Left);
}

using screen_controls::factoryOf;
} // namespace

class TestLensCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    void applyWritesTheEditsAndConfirmsTheReadBack() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.click(f.screen()->btnApplySettings());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, applied}), boundMs);
        QCOMPARE(f.lensHolds().focusZoomClose[0], 1);
        QCOMPARE(f.lensHolds().focusZoomCenter[2], -1);
        QCOMPARE(f.lensHolds().focusZoomInfinite[0], 0);
        QCOMPARE(f.answerer->seen().at(1).icon, QMessageBox::Warning);
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flgWriteDefault());
        QVERIFY(f.screen()->isConnectView());
        QVERIFY(!f.screen()->progressPanel()->isVisible());
        QCOMPARE(f.screen()->progressPanel()->message(), QStringLiteral("Writing the settings to the lens."));
    }

    void cancellingTheCautionWritesNothing() {
        LensFixture f;
        QVERIFY(f.launchConnected(cancel));
        const QByteArray before = f.dock->snapshot().adjustBytes;
        editTwoValues(f);
        f.click(f.screen()->btnApplySettings());
        QCOMPARE(f.answerer->titles(), QStringList{applyCaution});
        QVERIFY(f.waitIdle());
        QTest::qWait(100);
        QCOMPARE(f.dock->snapshot().adjustBytes, before);
        QCOMPARE(f.answerer->titles(), QStringList{applyCaution});
        // The edits are kept for a later apply.
        QCOMPARE(f.editing().focusZoomClose[0], 1);
    }

    void aFailedWriteIsReportedAndKeepsTheEdits_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("occasions"); // the channel sends a refused request three times more
        QTest::newRow("lens refuses the data") << "refuse-adjust-write" << 4;
        QTest::newRow("read-back differs") << "ignore-adjust-write" << 1;
    }
    void aFailedWriteIsReportedAndKeepsTheEdits() {
        QFETCH(QString, fault);
        QFETCH(int, occasions);
        LensFixture f;
        QVERIFY(f.launchConnected());
        f.dock->armFault(*FaultPlan::kindFromName(fault), occasions);
        editTwoValues(f);
        f.click(f.screen()->btnApplySettings());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, applyFailed}), boundMs);
        QCOMPARE(f.answerer->seen().at(1).icon, QMessageBox::Critical);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        QCOMPARE(f.editing().focusZoomCenter[2], -1);
        QVERIFY(f.waitIdle());
        QVERIFY(f.screen()->isConnectView());
        QVERIFY(!f.screen()->flgWriteDefault());
    }

    void restoreWritesTheFactoryValues() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.click(f.screen()->btnApplySettings());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 2, boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lensHolds().focusZoomClose[0], 1);

        f.click(f.screen()->btnRestoreFactory());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(),
                                  (QStringList{applyCaution, applied, restoreCaution, restored}), boundMs);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QCOMPARE(f.editing(), factoryOf(f.lens()));
        // The shown tab follows.
        QCOMPARE(focusTab(f)->textField(0, 0)->text(), QStringLiteral("0"));
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flgWriteDefault());
    }

    void aFailedRestoreShowsTheSettingsAsTheyWere() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.dock->armFault(FaultKind::refuseAdjustWrite, 4);
        f.click(f.screen()->btnRestoreFactory());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{restoreCaution, restoreFailed}),
                                  boundMs);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        QCOMPARE(f.editing().focusZoomCenter[2], -1);
        QTRY_COMPARE(focusTab(f)->textField(0, 0)->text(), QStringLiteral("1"));
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flgWriteDefault());
    }

    void theFactoryMenuRestoresThroughTheSameCommand() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.action("menuFactory")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{restoreCaution, restored}), boundMs);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
    }

    void commandsAreRefusedWhileNotIdle_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("apply") << "btnApplySettings";
        QTest::newRow("restore") << "btnRestoreFactory";
        QTest::newRow("open") << "btnOpen";
        QTest::newRow("save") << "btnSaveAs";
        QTest::newRow("update check") << "btnUpdate";
    }
    void commandsAreRefusedWhileNotIdle() {
        QFETCH(QString, button);
        LensFixture f;
        QVERIFY(f.launchConnected());
        f.savePaths << f.dir.filePath("refused");
        f.openPaths << f.dir.filePath("refused.vlad");
        f.thread().requestState(ApplicationState::processing);
        QTRY_COMPARE(f.thread().appState(), ApplicationState::processing);
        int writes = 0;
        QObject::connect(f.shell.get(), &AppShell::writeChanged,
                         [&writes](bool raised) { writes += raised; });
        f.click(f.screen()->findChild<QPushButton*>(button));
        QTest::qWait(50);
        QVERIFY(f.answerer->seen().isEmpty());
        QCOMPARE(f.openDialogs + f.saveDialogs, 0);
        QCOMPARE(writes, 0);
        QCOMPARE(f.thread().appNewState(), ApplicationState::processing);
    }

    void switchingTabsStoresTheTabBeingLeft() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
        f.action("menuFocusLimit")->trigger();
        QCOMPARE(f.screen()->segmentTabControl()->currentIndex(), 1);
        QCOMPARE(f.screen()->tabView()->currentIndex(), 1);
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        f.action("menuCustom")->trigger();
        QCOMPARE(f.screen()->tabView()->currentIndex(), 2);
        QTest::mouseClick(f.screen()->segmentTabControl(), Qt::LeftButton, {},
                          f.screen()->segmentTabControl()->tabRect(0).center());
        QCOMPARE(f.screen()->tabView()->currentIndex(), 0);
        QCOMPARE(f.screen()->segmentTabControl()->tabText(1), QStringLiteral("Focus Limiter"));
        QVERIFY(f.answerer->seen().isEmpty());
    }

    // The write report on its own, as the connection thread delivers it: the alert follows the
    // comparison of the read-back with the settings being edited.
    void theWriteReportChoosesTheAlert_data() {
        QTest::addColumn<bool>("replied");
        QTest::addColumn<int>("readBackClose0");
        QTest::addColumn<QString>("title");
        QTest::newRow("same") << true << 1 << applied;
        QTest::newRow("different") << true << 2 << applyFailed;
        QTest::newRow("no reply") << false << 1 << applyFailed;
    }
    void theWriteReportChoosesTheAlert() {
        QFETCH(bool, replied);
        QFETCH(int, readBackClose0);
        QFETCH(QString, title);
        LensFixture f;
        QVERIFY(f.launchConnected());
        LensAdjustData edited = f.editing();
        edited.focusZoomClose[0] = 1;
        f.context->currentAdjustData().set(edited);
        LensAdjustData readBack = edited;
        readBack.focusZoomClose[0] = readBackClose0;
        CommDataFormat reply;
        reply.data = AdjustPayload::encode(readBack, f.lens());
        const auto response = replied ? std::optional<CommDataFormat>(reply) : std::nullopt;
        const auto error = replied ? UsbThreadErrorCode::success : UsbThreadErrorCode::failure;
        f.thread().requestState(ApplicationState::processing);
        std::jthread connection(
            [&] { f.screen()->usbSerialThreadResult(ApplicationState::adjDataWriting, error, response); });
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), QStringList{title}, boundMs);
        connection.join();
        QCOMPARE(f.thread().appNewState(), ApplicationState::lensConnect);
    }
};

QTEST_MAIN(TestLensCommands)
#include "tst_lenscommands.moc"
