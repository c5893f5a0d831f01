// The lens's firmware from the lens screen, a lens that draws too much current, and quitting while the
// dock owes an answer that will never come.
#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "LogCapture.h"
#include "session/LensFlow.h"
#include "ui/ConnectScreen.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QLabel>
#include <QProcess>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString decodeKey = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";

// The lens is taken off and the dock stops answering; true once a reply has been dropped, so a
// request waits in vain (counting requests instead would miss one that arrives while arming).
bool takeLensOffUnanswered(DockEmulator& emulator) {
    constexpr int dropped = 1000;
    emulator.armFault(FaultKind::dropReply, dropped);
    emulator.unmountLens();
    return QTest::qWaitFor([&] { return emulator.snapshot().faults["drop-reply"] < dropped; }, boundMs);
}

bool backAtTheConnectScreen(LensFixture& f) {
    return QTest::qWaitFor(
        [&] { return !f.shell->connected() && qobject_cast<ConnectScreen*>(f.window->content()); }, boundMs);
}
} // namespace

class TestLensConnection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // The update check against what the host serves; an update through the update window; one sent
    // completely whose lens did not come back; over-current. Offline, the local copy offers nothing, and
    // closing the window does not sit out a wait for an answer (the watchdog at its real pace: 20 s per
    // attempt).
    void theLensFirmwareFromTheLensScreen() {
        bool agree = false;
        LensFixture f;
        QVERIFY(f.launchConnected([&agree](const ModalAnswerer::Seen& seen) {
            return agree ? seen.buttonIds.last() : seen.buttonIds.first();
        }));
        const std::pair<QString, DialogId> checks[] = {{"garbage", DialogId::getModelInfoError},
                                                       {"missing", DialogId::getModelInfoError},
                                                       {"0100", DialogId::updateLensLatest},
                                                       {"0200", DialogId::updateLensCaution}};
        f.type(1, 1, "3"); // not applied: the update's caution says it would be lost
        for (const auto& [served, alert] : checks) {
            if (served == "garbage")
                f.host.put(f.lensCataloguePath(), "<lensinfo>not a catalogue</lensinfo>");
            else if (served == "missing")
                QVERIFY(QFile::remove(f.host.rootPath() + '/' + f.lensCataloguePath()));
            else
                f.serveLensCatalogue(served, decodeKey);
            const qsizetype alerts = f.answerer->seen().size();
            f.click(f.screen()->updateButton());
            QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().mid(alerts), QStringList{titleOf(alert)}, boundMs);
            QVERIFY(f.waitIdle());
            QVERIFY(!f.screen()->updateWindow());
        }
        const QString caution = f.answerer->seen().last().informativeText;
        QVERIFY(caution.contains("factory settings") && caution.contains("lost unless you cancel"));
        QVERIFY(caution.endsWith("0100 \u2192 0200"));

        const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", QByteArray(2000, '\x5a')}}, decodeKey);
        QVERIFY(packed.ok());
        f.host.put("zolen/lens/A036E0_0200.vfwf", packed.bytes);
        agree = true;
        const qsizetype alerts = f.answerer->seen().size();
        f.click(f.screen()->updateButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::updateComplete), boundMs);
        QVERIFY(f.waitIdle());
        QCOMPARE(f.answerer->titles().mid(alerts),
                 (QStringList{titleOf(DialogId::updateLensCaution), titleOf(DialogId::updateComplete)}));
        QCOMPARE(f.dock->snapshot().lens.firmwareVersion, "0200");
        QTRY_COMPARE(f.screen()->firmwareVersionLabel()->text(), "Version 2");

        f.thread().requestState(ApplicationState::firmwareUpdate);
        QTRY_COMPARE(f.thread().appState(), ApplicationState::firmwareUpdate);
        f.screen()->flow().updateFinished(FwErrorCode::errorRemovedAfterSend);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.answerer->seen().last().informativeText.contains("sent to the lens completely"), boundMs);
        QVERIFY(backAtTheConnectScreen(f));

        QVERIFY(f.waitIdle());
        f.dock->setOverCurrent(true);
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::overCurrentError), boundMs);
        QVERIFY(backAtTheConnectScreen(f));
        QVERIFY(f.thread().awaitLensRemoval());

        f.stop();
        f.watchdog = std::chrono::milliseconds(100);
        QVERIFY(f.startDock());
        f.launch(GuiFixture::unreachableHost());
        QVERIFY(f.waitIdle());
        QCOMPARE(f.context->lensModelsInfoSource().load(), LensModelsInfoSource::localCopy);
        QVERIFY2(!f.saw(DialogId::updateLensConfirm), qPrintable(f.answerer->titles().join(", ")));
        QVERIFY(takeLensOffUnanswered(*f.dock));
        QVERIFY(f.context->channel().isResponseWaiting());
        LogCapture capture;
        f.window->close();
        QTRY_VERIFY_WITH_TIMEOUT(f.endCount == 1, 15000);
        QVERIFY(f.exitCode == 0 && !f.context->channel().isPortOpen() &&
                capture.contains("[USB] Wait abandoned"));
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
    }

    // The program itself, ended by a signal as a desktop session or a service manager would.
    void aSignalEndsTheProgramPromptly() {
        LensFixture f;
        QVERIFY(f.startDock() && f.startHost());
        f.serveCatalogues("0100", f.lens());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", f.dir.path());
        environment.insert("XDG_DATA_HOME", f.dir.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", f.dir.filePath("config"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LENSDOCK_APP_EXE),
                      {"--port", f.dockOptions.linkPath, "--download-url", f.host.url()});
        QVERIFY(program.waitForStarted());
        // The lens screen has read the settings and polls the lens.
        QTRY_VERIFY_WITH_TIMEOUT(f.dock->snapshot().requests[FunctionNumber::getAdjData] > 0, boundMs);
        QVERIFY(takeLensOffUnanswered(*f.dock));
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
    }
};

QTEST_MAIN(TestLensConnection)
#include "tst_lensconnection.moc"
