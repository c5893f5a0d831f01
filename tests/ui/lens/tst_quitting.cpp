// Quitting while the dock owes an answer that will never come, and starting while another program
// holds the dock.
#include "LensFixture.h"
#include "link/CommandSet.h"
#include "LogCapture.h"
#include "ui/Translations.h"

#include <csignal>
#include <QProcess>
#include <QSerialPort>

using namespace lensdock;
using namespace std::chrono_literals;

namespace {
int releaseCount(const DockEmulator& emulator) {
    return emulator.snapshot().requests[FunctionNumber::reqLensDisconnect];
}

// The lens is taken off and the dock stops answering; true once a reply has been dropped, so a
// request waits in vain (counting requests instead would miss one that arrives while arming).
bool takeLensOffUnanswered(DockEmulator& emulator) {
    constexpr int dropped = 1000;
    emulator.armFault(FaultKind::dropReply, dropped);
    emulator.unmountLens();
    const QString name = QStringLiteral("drop-reply");
    return QTest::qWaitFor([&] { return emulator.snapshot().faults[name] < dropped; }, 20000);
}
} // namespace

class TestQuitting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Translations::install(*qApp, QLocale(QLocale::English)); }

    // The watchdog runs at its real pace here: without the quit cutting the wait short, the window
    // would stay for 20 s per attempt.
    void closingTheWindowDoesNotWaitForTheDock() {
        LensFixture gui;
        gui.watchdog = 100ms;
        QVERIFY(gui.launchConnected());
        QVERIFY(takeLensOffUnanswered(*gui.dock));
        QVERIFY(gui.context->channel().isResponseWaiting());
        LogCapture capture;
        gui.window->close();
        QTRY_VERIFY_WITH_TIMEOUT(gui.endCount == 1, 15000);
        QCOMPARE(gui.exitCode.load(), 0);
        QVERIFY(capture.contains("[USB] Wait abandoned"));
        QCOMPARE(releaseCount(*gui.dock), 1);
        QVERIFY(!gui.context->channel().isPortOpen());
    }

    // The program itself, ended by a signal as a desktop session or a service manager would.
    void aSignalEndsTheProgramPromptly() {
        LensFixture gui;
        QVERIFY(gui.startDock() && gui.startHost());
        gui.serveCatalogues(QStringLiteral("0100"), gui.lens());
        QTemporaryDir home;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LENSDOCK_APP_EXE), {QStringLiteral("--port"), gui.dockOptions.linkPath,
                                                         QStringLiteral("--download-url"), gui.host.url()});
        QVERIFY(program.waitForStarted());
        // The lens screen has read the settings and polls the lens.
        QTRY_VERIFY_WITH_TIMEOUT(gui.dock->snapshot().requests[FunctionNumber::getAdjData] > 0, 20000);
        QVERIFY(takeLensOffUnanswered(*gui.dock));
        program.terminate();
        QVERIFY(program.waitForFinished(15000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(releaseCount(*gui.dock), 1);
    }

    // At launch, with the dock's port held by another program: the alert says so, with the holder.
    void anAdapterInUseIsNamedAsSuch() {
        GuiFixture gui;
        QVERIFY(gui.startDock());
        QSerialPort holder(gui.dockOptions.linkPath);
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        gui.launch(GuiFixture::unreachableHost());
        QTRY_VERIFY_WITH_TIMEOUT(gui.endCount == 1, 20000);
        QCOMPARE(gui.countOf(QStringLiteral("Adapter in use")), 1);
        QCOMPARE(gui.countOf(QStringLiteral("Adapter not found")), 0);
        const QString text = gui.answerer->seen().first().informativeText;
        QVERIFY2(text.contains(QStringLiteral("Another program is using the lens dock")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("(PID %1)").arg(QCoreApplication::applicationPid())),
                 qPrintable(text));
    }
};

QTEST_MAIN(TestQuitting)
#include "tst_quitting.moc"
