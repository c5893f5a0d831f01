// The lens's firmware from the lens screen, a lens that draws too much current, and quitting while the
// dock owes an answer that will never come.
#include "FirmwarePacker.h"
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "LogCapture.h"
#include "session/LensFlow.h"
#include "session/SettingsLibrary.h"
#include "ui/Translations.h"
#include "ui/UpdateWindow.h"

#include <QLabel>
#include <QProcess>

using namespace lensdock;

namespace {
constexpr int boundMs = LensFixture::courseBoundMs;
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");

// The lens is taken off and the dock stops answering; true once a reply has been dropped, so a
// request waits in vain (counting requests instead would miss one that arrives while arming).
bool takeLensOffUnanswered(DockEmulator& emulator) {
    constexpr int dropped = 1000;
    emulator.armFault(FaultKind::dropReply, dropped);
    emulator.unmountLens();
    return QTest::qWaitFor([&] { return emulator.snapshot().faults[QStringLiteral("drop-reply")] < dropped; },
                           boundMs);
}
} // namespace

class TestLensConnection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // The update check against what the host serves, each kept as the local copy; an update through
    // the update window that puts the settings from before back; one sent completely whose lens did
    // not come back; over-current. Offline, the local copy offers nothing, and closing the window does
    // not sit out a wait for an answer (the watchdog at its real pace: 20 s per attempt).
    void theLensFirmwareFromTheLensScreen() {
        bool agree = false;
        LensFixture f;
        LensAdjustData calibrated;
        calibrated.focusZoomInfinite[3] = -6;
        f.heldAtStart = calibrated;
        QVERIFY(f.launchConnected([&agree](const ModalAnswerer::Seen& seen) {
            return agree ? seen.buttonIds.last() : seen.buttonIds.first();
        }));
        QCOMPARE(f.screen()->firmwareVersionLabel()->text(), QStringLiteral("Version 1"));
        const std::pair<QString, DialogId> checks[] = {
            {QStringLiteral("garbage"), DialogId::getModelInfoError},
            {QStringLiteral("missing"), DialogId::getModelInfoError},
            {QStringLiteral("0100"), DialogId::updateLensLatest},
            {QStringLiteral("0200"), DialogId::updateLensCaution}};
        for (const auto& [served, alert] : checks) {
            if (served == QStringLiteral("garbage"))
                f.host.put(f.lensCataloguePath(), "<lensinfo>not a catalogue</lensinfo>");
            else if (served == QStringLiteral("missing"))
                QVERIFY(QFile::remove(f.host.rootPath() + '/' + f.lensCataloguePath()));
            else
                f.serveLensCatalogue(served, decodeKey);
            const qsizetype alerts = f.answerer->seen().size();
            f.click(f.screen()->updateButton());
            QTRY_COMPARE_WITH_TIMEOUT(f.answerer->titles().mid(alerts), QStringList{titleOf(alert)}, boundMs);
            QVERIFY(f.waitIdle());
            QVERIFY(!f.screen()->updateWindow());
            QFile copy(f.libraryFolder + QStringLiteral("/Varnet/lens/lensinfo_A036E0.xml"));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            QCOMPARE(copy.readAll().contains("not a catalogue"),
                     !served.startsWith('0')); // kept when missing
        }
        QVERIFY(f.answerer->seen().last().informativeText.endsWith(QStringLiteral("0100 \u2192 0200")));

        const auto packed = FirmwarePacker::pack({{0x00, 0x01, "0200", QByteArray(2000, '\x5a')}}, decodeKey);
        QVERIFY(packed.ok());
        f.host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed.bytes);
        agree = true;
        const qsizetype alerts = f.answerer->seen().size();
        f.click(f.screen()->updateButton());
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::setAdjustDataComplete), boundMs);
        QStringList asked;
        for (DialogId kind : {DialogId::updateLensCaution, DialogId::updateComplete,
                              DialogId::restoreSettingsConfirm, DialogId::setAdjustDataComplete})
            asked << titleOf(kind);
        QCOMPARE(f.answerer->titles().mid(alerts), asked);
        QCOMPARE(f.dock->snapshot().lens.firmwareVersion, QStringLiteral("0200"));
        QTRY_COMPARE(f.screen()->firmwareVersionLabel()->text(), QStringLiteral("Version 2"));
        QVERIFY(f.lensHolds().isSameSettings(calibrated, f.lens()));
        QCOMPARE(f.leftInStore(), QStringList());
        // What was put back was backed up before the update; the factory settings it replaced, too.
        const auto backups = SettingsLibrary(FileIO(f.libraryFolder)).backups(f.lens());
        QCOMPARE(backups.size(), 2);
        QCOMPARE(backups.last().name, QStringLiteral("firmware-update"));
        QVERIFY(f.answerer->seen()
                    .at(alerts + 2)
                    .informativeText.contains(QFileInfo(backups.last().path).fileName()));

        QVERIFY(f.waitIdle());
        f.thread().requestState(ApplicationState::firmwareUpdate);
        QTRY_COMPARE(f.thread().appState(), ApplicationState::firmwareUpdate);
        f.screen()->flow().updateFinished(FwErrorCode::errorRemovedAfterSend);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.answerer->seen().last().informativeText.contains(QStringLiteral("sent to the lens completely")),
            boundMs);
        QVERIFY(f.backAtTheConnectScreen());

        QVERIFY(f.waitIdle());
        f.dock->setOverCurrent(true);
        QTRY_VERIFY_WITH_TIMEOUT(f.saw(DialogId::overCurrentError), boundMs);
        QVERIFY(f.backAtTheConnectScreen());
        QVERIFY(f.thread().awaitLensRemoval());
        QTest::qWait(200); // a second report would come now
        QCOMPARE(f.answerer->titles().count(titleOf(DialogId::overCurrentError)), 1);

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
        QCOMPARE(f.exitCode.load(), 0);
        QVERIFY(capture.contains("[USB] Wait abandoned"));
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
        QVERIFY(!f.context->channel().isPortOpen());
    }

    // The program itself, ended by a signal as a desktop session or a service manager would.
    void aSignalEndsTheProgramPromptly() {
        LensFixture f;
        QVERIFY(f.startDock() && f.startHost());
        f.serveCatalogues(QStringLiteral("0100"), f.lens());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), f.dir.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), f.dir.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), f.dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LENSDOCK_APP_EXE), {QStringLiteral("--port"), f.dockOptions.linkPath,
                                                         QStringLiteral("--download-url"), f.host.url()});
        QVERIFY(program.waitForStarted());
        // The lens screen has read the settings and polls the lens.
        QTRY_VERIFY_WITH_TIMEOUT(f.dock->snapshot().requests[FunctionNumber::getAdjData] > 0, boundMs);
        QVERIFY(takeLensOffUnanswered(*f.dock));
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(f.dock->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
    }
};

QTEST_MAIN(TestLensConnection)
#include "tst_lensconnection.moc"
