#include "LensFixture.h"
#include "ScreenControls.h"
#include "session/LensFlow.h"
#include "ui/ProgressPanel.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusValueSlider.h"
#include "ui/Translations.h"

#include <QAction>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabBar>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DialogId)

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString applyCaution = QStringLiteral("Apply the settings");
const QString applied = QStringLiteral("Settings applied");
const QString applyFailed = QStringLiteral("Writing the settings failed");
const QString restoreCaution = QStringLiteral("Restore factory settings");
const QString restored = QStringLiteral("Factory settings restored");
const QString restoreFailed = QStringLiteral("Restoring the factory settings failed");

// Answers every question with yes (later, as a window does) and keeps what was asked.
struct YesAsker : QObject, Asker {
    QList<DialogId> asked;
    void ask(DialogId kind, const QString&, Answer answer) override {
        asked << kind;
        QMetaObject::invokeMethod(
            this, [answer] { answer(DialogResponse::yes); }, Qt::QueuedConnection);
    }
};

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
        f.click(f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, applied}), boundMs);
        QCOMPARE(f.lensHolds().focusZoomClose[0], 1);
        QCOMPARE(f.lensHolds().focusZoomCenter[2], -1);
        QCOMPARE(f.lensHolds().focusZoomInfinite[0], 0);
        QCOMPARE(f.answerer->seen().at(1).icon, QMessageBox::Information);
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flow().isRestoring());
        QVERIFY(f.screen()->flow().isConnectView());
        QVERIFY(!f.screen()->progressPanel()->isVisible());
        QCOMPARE(f.screen()->progressPanel()->message(), QStringLiteral("Writing the settings to the lens."));
    }

    void cancellingTheCautionWritesNothing() {
        LensFixture f;
        QVERIFY(f.launchConnected(cancel));
        const QByteArray before = f.dock->snapshot().adjustBytes;
        editTwoValues(f);
        f.click(f.screen()->applyButton());
        QTRY_COMPARE(f.answerer->titles(), QStringList{applyCaution});
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
        f.click(f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, applyFailed}), boundMs);
        QCOMPARE(f.answerer->seen().at(1).icon, QMessageBox::Critical);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        QCOMPARE(f.editing().focusZoomCenter[2], -1);
        QVERIFY(f.waitIdle());
        QVERIFY(f.screen()->flow().isConnectView());
        QVERIFY(!f.screen()->flow().isRestoring());
    }

    void restoreWritesTheFactoryValues() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.click(f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->seen().size(), 2, boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.lensHolds().focusZoomClose[0], 1);

        f.click(f.screen()->restoreFactoryButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(),
                                  (QStringList{applyCaution, applied, restoreCaution, restored}), boundMs);
        QCOMPARE(f.lensHolds(), factoryOf(f.lens()));
        QCOMPARE(f.editing(), factoryOf(f.lens()));
        // The shown tab follows.
        QCOMPARE(focusTab(f)->textField(0, 0)->text(), QStringLiteral("0"));
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flow().isRestoring());
    }

    void aFailedRestoreShowsTheSettingsAsTheyWere() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        editTwoValues(f);
        f.click(f.screen()->applyButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles(), (QStringList{applyCaution, applied}), boundMs);
        QVERIFY(f.waitIdle());
        const LensAdjustData applied = f.lensHolds();
        f.dock->armFault(FaultKind::refuseAdjustWrite, 4);
        f.click(f.screen()->restoreFactoryButton());
        QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().mid(2), (QStringList{restoreCaution, restoreFailed}),
                                  boundMs);
        QCOMPARE(f.lensHolds(), applied);
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        QCOMPARE(f.editing().focusZoomCenter[2], -1);
        QTRY_COMPARE(focusTab(f)->textField(0, 0)->text(), QStringLiteral("1"));
        QVERIFY(f.waitIdle());
        QVERIFY(!f.screen()->flow().isRestoring());
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
        f.thread().requestState(ApplicationState::holdingLens);
        QTRY_COMPARE(f.thread().appState(), ApplicationState::holdingLens);
        int writes = 0;
        QObject::connect(f.shell.get(), &AppShell::writeChanged,
                         [&writes](bool raised) { writes += raised; });
        f.click(f.screen()->findChild<QPushButton*>(button));
        QTest::qWait(50);
        QVERIFY(f.answerer->seen().isEmpty());
        QCOMPARE(f.openDialogs + f.saveDialogs, 0);
        QCOMPARE(writes, 0);
        QCOMPARE(f.thread().appNewState(), ApplicationState::holdingLens);
    }

    void switchingTabsStoresTheTabBeingLeft() {
        LensFixture f;
        QVERIFY(f.launchConnected());
        QTest::keyClick(focusTab(f)->slider(0, 0), Qt::Key_Right);
        f.action("menuFocusLimit")->trigger();
        QCOMPARE(f.screen()->tabSwitch()->currentIndex(), 1);
        QCOMPARE(f.screen()->tabView()->currentIndex(), 1);
        QCOMPARE(f.editing().focusZoomClose[0], 1);
        f.action("menuCustom")->trigger();
        QCOMPARE(f.screen()->tabView()->currentIndex(), 2);
        QTest::mouseClick(f.screen()->tabSwitch(), Qt::LeftButton, {},
                          f.screen()->tabSwitch()->tabRect(0).center());
        QCOMPARE(f.screen()->tabView()->currentIndex(), 0);
        QCOMPARE(f.screen()->tabSwitch()->tabText(1), QStringLiteral("Focus Limiter"));
        QVERIFY(f.answerer->seen().isEmpty());
    }

    // The write report on its own, as the connection thread delivers it: the alert follows the
    // comparison of the read-back with the settings being edited.
    // A write is judged by what the lens holds afterwards: its own read-back, or, when the write's
    // answers were lost, a separate read.
    void theLensDecidesTheWriteResult_data() {
        QTest::addColumn<bool>("writeReplied");
        QTest::addColumn<int>("writeReadBack"); // focusZoomClose[0] the lens reports
        QTest::addColumn<bool>("readReplied");
        QTest::addColumn<int>("readBack");
        QTest::addColumn<DialogId>("alert");
        QTest::newRow("read back the same") << true << 1 << false << 0 << DialogId::setAdjustDataComplete;
        QTest::newRow("read back different") << true << 2 << false << 0 << DialogId::setAdjustError;
        QTest::newRow("answers lost, lens took it")
            << false << 0 << true << 1 << DialogId::setAdjustDataComplete;
        QTest::newRow("answers lost, lens kept its own")
            << false << 0 << true << 2 << DialogId::setAdjustError;
        QTest::newRow("answers lost, unreadable") << false << 0 << false << 0 << DialogId::setAdjustError;
    }
    void theLensDecidesTheWriteResult() {
        QFETCH(bool, writeReplied);
        QFETCH(int, writeReadBack);
        QFETCH(bool, readReplied);
        QFETCH(int, readBack);
        QFETCH(DialogId, alert);
        GuiFixture gui;
        gui.launchWithoutWindow();
        const LensInfo lens = DockProfile::zoomLens().lens;
        gui.context->setConnectedLens(lens);
        YesAsker asker;
        LensFlow flow(*gui.context, asker,
                      LensFlow::Options{FileIO(gui.libraryFolder), std::chrono::milliseconds(0)});
        flow.start();
        LensAdjustData edited = gui.context->currentAdjustData().get();
        edited.focusZoomClose[0] = 1;
        gui.context->currentAdjustData().set(edited);
        const auto replyWith = [&](bool replied, int close0) -> std::optional<CommDataFormat> {
            if (!replied)
                return std::nullopt;
            LensAdjustData held = edited;
            held.focusZoomClose[0] = close0;
            CommDataFormat reply;
            reply.data = AdjustPayload::encode(held, lens);
            return reply;
        };
        flow.apply();
        QTRY_COMPARE(gui.context->connectionThread().appNewState(), ApplicationState::writingSettings);
        flow.exchange(ApplicationState::writingSettings,
                      writeReplied ? ExchangeResult::success : ExchangeResult::failure,
                      replyWith(writeReplied, writeReadBack));
        if (!writeReplied) {
            QCOMPARE(gui.context->connectionThread().appNewState(), ApplicationState::readingSettings);
            flow.exchange(ApplicationState::readingSettings,
                          readReplied ? ExchangeResult::success : ExchangeResult::failure,
                          replyWith(readReplied, readBack));
        }
        QTRY_COMPARE(asker.asked.size(), 2);
        QCOMPARE(asker.asked.last(), alert);
        QTRY_COMPARE(gui.context->connectionThread().appNewState(), ApplicationState::lensConnected);
    }
};

QTEST_MAIN(TestLensCommands)
#include "tst_lenscommands.moc"
