// lensdock-cli against the dock emulator on a pty: the device commands, their output and exit codes.
#include "CliDock.h"
#include "CliProcess.h"
#include "link/CommandSet.h"

#include <csignal>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int exitOk = 0;
constexpr int exitUsage = 2;
constexpr int exitNoAdapter = 3;
constexpr int exitNoLens = 4;
constexpr int exitDevice = 5;
constexpr int exitFile = 7;
constexpr int exitCancelled = 10;
constexpr int outputBoundMs = 20000;

// A file for the emulator's zoom lens (model A036) with values unlike its factory settings.
const QByteArray customFile = "ZOLAD,20260101120000,A036,0100,"
                              "5,-3,0,0,0,0,0,1,"
                              "0,0,0,0,0,0,0,0,"
                              "0,0,0,0,0,0,0,-30,"
                              "1,3,"
                              "1,8,2,"
                              "0,5,1,"
                              "1";

QStringList elements(const QByteArray& line) {
    return QString::fromUtf8(line).split(QLatin1Char(','));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

// No download host: the catalogue lookup of `info` meets a closed port and goes on without it.

QStringList offline() {
    return {QStringLiteral("--download-url"), QStringLiteral("http://127.0.0.1:9")};
}
} // namespace

class TestCliDevice : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome;

    CliResult run(const CliDock& dock, const QStringList& arguments, const QByteArray& input = QByteArray()) {
        CliProcess cli(dataHome.path());
        return cli.run(dock.port() + offline() + arguments, input);
    }

private slots:
    void helpFromTheExecutable_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << QStringLiteral("Exit status:");
        QTest::newRow("help apply") << QStringList{QStringLiteral("help"), QStringLiteral("apply")}
                                    << QStringLiteral("apply FILE.vlad [--dry-run]");
        QTest::newRow("read --help") << QStringList{QStringLiteral("read"), QStringLiteral("--help")}
                                     << QStringLiteral("read [--output FILE.vlad]");
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")}
                                   << QStringLiteral("lensdock-cli " LENSDOCK_EXPECTED_VERSION "\n");
    }

    void helpFromTheExecutable() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        CliProcess cli(dataHome.path());
        const CliResult result = cli.run(arguments);
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(expected));
        QCOMPARE(result.err, QByteArray());
    }

    void usageErrorFromTheExecutable() {
        CliProcess cli(dataHome.path());
        const CliResult result = cli.run({QStringLiteral("--json"), QStringLiteral("apply")});
        QCOMPARE(result.exitCode, exitUsage);
        QCOMPARE(result.errorLines(), QStringList{QStringLiteral("lensdock-cli: apply: missing argument (see "
                                                                 "lensdock-cli help apply)")});
        QCOMPARE(result.out, QByteArray());
    }

    void infoShowsAdapterAndLens() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, {QStringLiteral("info")});
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, exitOk);
        QCOMPARE(result.err, QByteArray());
        const QString text = result.outText();
        for (const char* expected :
             {"0123", "Canon", "A036", "EMU0000000000001", "0100", "28, 35, 50, 70, 100"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
    }

    void infoAsJson() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, {QStringLiteral("--json"), QStringLiteral("info")});
        QCOMPARE(result.exitCode, exitOk);
        const QJsonObject json = result.json();
        QCOMPARE(json.value(QStringLiteral("ok")).toBool(), true);
        const QJsonObject adapter = json.value(QStringLiteral("adapter")).toObject();
        QCOMPARE(adapter.value(QStringLiteral("firmwareVersion")).toString(), QStringLiteral("0123"));
        QCOMPARE(adapter.value(QStringLiteral("mountInfo")).toInt(), 1);
        QCOMPARE(adapter.value(QStringLiteral("hardwareVersion")).toString(), QStringLiteral("01"));
        QCOMPARE(adapter.value(QStringLiteral("communicationVersion")).toString(), QStringLiteral("0100"));
        const QJsonObject lens = json.value(QStringLiteral("lens")).toObject();
        QCOMPARE(lens.value(QStringLiteral("modelCode")).toString(), QStringLiteral("A036"));
        QCOMPARE(lens.value(QStringLiteral("serialNumber")).toString(), QStringLiteral("EMU0000000000001"));
        QCOMPARE(lens.value(QStringLiteral("zoomCount")).toInt(), 8);
        QCOMPARE(lens.value(QStringLiteral("focusLimitDivisions")).toInt(), 10);
        QVERIFY(lens.value(QStringLiteral("name")).isNull());
    }

    void readShowsTheFactoryState() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, {QStringLiteral("--json"), QStringLiteral("read")});
        QCOMPARE(result.exitCode, exitOk);
        const QJsonObject settings = result.json().value(QStringLiteral("settings")).toObject();
        const QJsonObject focus = settings.value(QStringLiteral("focusAdjustment")).toObject();
        QCOMPARE(focus.value(QStringLiteral("close")).toArray().size(), 8);
        QCOMPARE(settings.value(QStringLiteral("limiter2.near")).toInt(), 2);
        QCOMPARE(settings.value(QStringLiteral("limiter2.far")).toInt(), 7);
        QCOMPARE(settings.value(QStringLiteral("limiter2.mode")).toString(), QStringLiteral("segment"));
        QCOMPARE(settings.value(QStringLiteral("vcMode")).toInt(), 2);
    }

    // The demo brings its own dock: the zoom lens as it leaves the factory. It keeps its pty and
    // downloads in a temporary folder of its own and leaves neither that nor the user's store behind.
    void demoReadsTheDemoLens() {
        QTemporaryDir home;
        QTemporaryDir temporary;
        CliProcess cli(home.path());
        cli.setTemporaryFolder(temporary.path());
        const CliResult result =
            cli.run({QStringLiteral("--demo"), QStringLiteral("--json"), QStringLiteral("read")});
        QCOMPARE(result.exitCode, exitOk);
        const LensInfo lens = DockProfile::zoomLens().lens;
        const QJsonObject settings = result.json().value(QStringLiteral("settings")).toObject();
        const QJsonObject focus = settings.value(QStringLiteral("focusAdjustment")).toObject();
        QCOMPARE(focus.value(QStringLiteral("close")).toArray().size(), lens.zoomCount);
        QCOMPARE(settings.value(QStringLiteral("limiter2.near")).toInt(), lens.focusLimitDefaultSecondNear);
        QCOMPARE(settings.value(QStringLiteral("limiter2.far")).toInt(), lens.focusLimitDefaultSecondFar);
        QCOMPARE(QDir(temporary.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QCOMPARE(QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    void demoRefusesAnotherPort() {
        const CliResult result = CliProcess(dataHome.path())
                                     .run({QStringLiteral("--demo"), QStringLiteral("--port"),
                                           QStringLiteral("/dev/null"), QStringLiteral("read")});
        QCOMPARE(result.exitCode, exitUsage);
        QVERIFY(result.errText().contains(QStringLiteral("--demo")));
    }

    void readSavesAnAdjustDataFile() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString requested = files.filePath(QStringLiteral("settings"));
        const CliResult result = run(dock, {QStringLiteral("read"), QStringLiteral("--output"), requested});
        QCOMPARE(result.exitCode, exitOk);
        const QByteArray saved = readFile(requested + QStringLiteral(".vlad"));
        const QStringList parts = elements(saved);
        QCOMPARE(parts.size(), 37);
        QCOMPARE(parts.at(0), QStringLiteral("ZOLAD"));
        QCOMPARE(parts.at(1).size(), 14);
        QCOMPARE(parts.at(2), QStringLiteral("A036"));
        QCOMPARE(parts.at(3), QStringLiteral("0100"));
        QCOMPARE(parts.mid(28).join(QLatin1Char(',')), QStringLiteral("1,2,0,9,1,2,7,2,2"));
        QVERIFY(!saved.endsWith('\n'));
    }

    void applyThenReadRoundTrips() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        const CliResult applied = run(dock, {QStringLiteral("--yes"), QStringLiteral("apply"), input});
        QCOMPARE(applied.exitCode, exitOk);
        QVERIFY(applied.outText().contains(QStringLiteral("verified")));
        QVERIFY(dock.emulator->snapshot().adjustBytes != before);

        const QString output = files.filePath(QStringLiteral("back.vlad"));
        const CliResult read = run(dock, {QStringLiteral("read"), QStringLiteral("--output"), output});
        QCOMPARE(read.exitCode, exitOk);
        const QStringList back = elements(readFile(output));
        const QStringList sent = elements(customFile);
        QCOMPARE(back.size(), 37);
        QCOMPARE(back.mid(2), sent.mid(2));
    }

    void applyListsTheChanges() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const CliResult result = run(
            dock, {QStringLiteral("--json"), QStringLiteral("--dry-run"), QStringLiteral("apply"), input});
        QCOMPARE(result.exitCode, exitOk);
        QStringList changed;
        for (const QJsonValue& change : result.json().value(QStringLiteral("changes")).toArray())
            changed << change.toObject().value(QStringLiteral("setting")).toString();
        const QStringList expected{QStringLiteral("focus.close.1"),        QStringLiteral("focus.close.2"),
                                   QStringLiteral("focus.close.8"),        QStringLiteral("focus.infinity.8"),
                                   QStringLiteral("fullTimeManual.level"), QStringLiteral("limiter1.near"),
                                   QStringLiteral("limiter1.far"),         QStringLiteral("limiter1.mode"),
                                   QStringLiteral("limiter2.near"),        QStringLiteral("limiter2.far"),
                                   QStringLiteral("limiter2.mode"),        QStringLiteral("vcMode")};
        QCOMPARE(changed, expected);
        QCOMPARE(result.json().value(QStringLiteral("written")).toBool(), false);
    }

    void dryRunWritesNothing() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        const CliResult result = run(dock, {QStringLiteral("apply"), input, QStringLiteral("--dry-run")});
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(QStringLiteral("VC mode: 2 -> 1")));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
    }

    void declinedConfirmationWritesNothing_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("no") << QByteArray("n\n");
        QTest::newRow("empty line") << QByteArray("\n");
        QTest::newRow("end of input") << QByteArray();
        QTest::newRow("anything else") << QByteArray("sure\n");
    }

    void declinedConfirmationWritesNothing() {
        QFETCH(QByteArray, answer);
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        const CliResult result = run(dock, {QStringLiteral("apply"), input}, answer);
        QCOMPARE(result.exitCode, exitCancelled);
        QVERIFY(result.errText().contains(QStringLiteral("cancelled")));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
    }

    void confirmedByAnswer() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, {QStringLiteral("factory-reset")}, "yes\n");
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.errText().contains(QStringLiteral("[y/N]")));
    }

    void factoryResetRestoresTheFactoryValues() {
        CliDock dock;
        QVERIFY(dock.start());
        const QByteArray factory = dock.emulator->snapshot().adjustBytes;
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        QCOMPARE(run(dock, {QStringLiteral("--yes"), QStringLiteral("apply"), input}).exitCode, exitOk);
        QVERIFY(dock.emulator->snapshot().adjustBytes != factory);
        const CliResult result =
            run(dock, {QStringLiteral("--yes"), QStringLiteral("--json"), QStringLiteral("factory-reset")});
        QCOMPARE(result.exitCode, exitOk);
        QCOMPARE(result.json().value(QStringLiteral("written")).toBool(), true);
        QCOMPARE(dock.emulator->snapshot().adjustBytes, factory);
    }

    void unusableFilesAreRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QByteArray model = customFile;
        model.replace("A036", "B000");
        QByteArray shortFile = customFile;
        shortFile.chop(2); // 36 elements
        QByteArray value = customFile;
        value.replace(",-30,", ",x,");
        QTest::newRow("other model") << QStringLiteral("other.vlad") << model << QStringLiteral("B000");
        QTest::newRow("36 elements") << QStringLiteral("short.vlad") << shortFile
                                     << QStringLiteral("not a valid adjust-data file");
        QTest::newRow("not a number")
            << QStringLiteral("value.vlad") << value << QStringLiteral("not a whole number");
        QTest::newRow("wrong extension")
            << QStringLiteral("custom.txt") << customFile << QStringLiteral("not an adjust-data file");
        QTest::newRow("trailing line break") << QStringLiteral("newline.vlad") << customFile + '\n'
                                             << QStringLiteral("not a whole number");
    }

    void unusableFilesAreRefused() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(name);
        writeFile(input, content);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        const CliResult result = run(dock, {QStringLiteral("--yes"), QStringLiteral("apply"), input});
        QCOMPARE(result.exitCode, exitFile);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
    }

    void missingFile() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result =
            run(dock, {QStringLiteral("apply"), dataHome.filePath(QStringLiteral("absent.vlad"))});
        QCOMPARE(result.exitCode, exitFile);
        QVERIFY(result.errText().contains(QStringLiteral("cannot read")));
    }

    void unwritableOutputIsAFileError() {
        CliDock dock;
        QVERIFY(dock.start());
        const QString output = dataHome.filePath(QStringLiteral("no/such/folder/x.vlad"));
        const CliResult result = run(dock, {QStringLiteral("read"), QStringLiteral("--output"), output});
        QCOMPARE(result.exitCode, exitFile);
        QVERIFY(result.errText().contains(QStringLiteral("cannot save")));
        QVERIFY(!QFile::exists(output));
    }

    void noAdapter() {
        QTemporaryDir dir;
        CliProcess cli(dataHome.path());
        const CliResult result = cli.run({QStringLiteral("--port"), dir.filePath(QStringLiteral("absent")),
                                          QStringLiteral("--json"), QStringLiteral("info")});
        QCOMPARE(result.exitCode, exitNoAdapter);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY(result.errText().contains(QStringLiteral("no adapter")));
        QCOMPARE(result.json().value(QStringLiteral("exitCode")).toInt(), exitNoAdapter);
        QCOMPARE(result.json().value(QStringLiteral("ok")).toBool(), false);
    }

    void noLensMounted_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("info") << QStringLiteral("info");
        QTest::newRow("read") << QStringLiteral("read");
        QTest::newRow("factory-reset") << QStringLiteral("factory-reset");
    }

    void noLensMounted() {
        QFETCH(QString, command);
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        const CliResult result =
            run(dock, {QStringLiteral("--wait"), QStringLiteral("0.3"), QStringLiteral("--yes"), command});
        QCOMPARE(result.exitCode, exitNoLens);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY(result.errText().contains(QStringLiteral("no lens mounted within 0.3 s")));
        QCOMPARE(result.out, QByteArray());
    }

    void lensMountedWhileWaiting() {
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        CliProcess cli(dataHome.path());
        cli.start(dock.port() + offline() +
                  QStringList{QStringLiteral("--wait"), QStringLiteral("20"), QStringLiteral("info")});
        dock.emulator->mountLens();
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(QStringLiteral("A036")));
    }

    void overCurrent() {
        CliDock dock;
        QVERIFY(dock.start());
        dock.emulator->setOverCurrent(true);
        const CliResult result = run(dock, {QStringLiteral("info")});
        QCOMPARE(result.exitCode, exitDevice);
        QVERIFY(result.errText().contains(QStringLiteral("over-current")));
    }

    void adapterThatDoesNotAnswer() {
        CliDock dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::dropReply, 4); // the request and its three resends
        const CliResult result = run(dock, {QStringLiteral("info")});
        QCOMPARE(result.exitCode, exitDevice);
        QVERIFY(result.errText().contains(QStringLiteral("adapter did not identify itself")));
    }

    void unplugDuringApply() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        CliProcess cli(dataHome.path());
        cli.start(dock.port() + offline() + QStringList{QStringLiteral("apply"), input});
        QVERIFY(cli.waitForOutput("Changes", outputBoundMs));
        dock.emulator->unplug();
        QVERIFY(dock.emulator->waitForUnplugged(std::chrono::milliseconds(outputBoundMs)));
        cli.write("y\n");
        const CliResult result = cli.finish();
        QVERIFY(result.finished);
        QVERIFY2(result.exitCode == exitNoAdapter, qPrintable(result.errText()));
        QVERIFY2(result.errText().contains(QStringLiteral("adapter was unplugged")),
                 qPrintable(result.errText()));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
    }

    void lensRemovedDuringApply() {
        CliDock dock;
        QVERIFY(dock.start());
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("custom.vlad"));
        writeFile(input, customFile);
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        CliProcess cli(dataHome.path());
        cli.start(dock.port() + offline() + QStringList{QStringLiteral("apply"), input});
        QVERIFY(cli.waitForOutput("Changes", outputBoundMs));
        dock.emulator->unmountLens();
        cli.write("y\n");
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, exitNoLens);
        QVERIFY2(result.errText().contains(QStringLiteral("lens stopped answering")),
                 qPrintable(result.errText()));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
    }

    // Interrupted while an answer is outstanding that will never come, the tool does not sit out the
    // watchdog (20 s here, with resends): it releases the lens and ends with the signal's status.
    void interruptedWhileAnAnswerIsOutstanding_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void interruptedWhileAnAnswerIsOutstanding() {
        QFETCH(int, signal);
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        CliProcess cli(dataHome.path());
        cli.start(dock.port() + offline() +
                  QStringList{QStringLiteral("--watchdog-tick-ms"), QStringLiteral("100"),
                              QStringLiteral("--verbose"), QStringLiteral("--wait"), QStringLiteral("60"),
                              QStringLiteral("info")});
        QVERIFY(cli.waitForError("Change appState: 3", outputBoundMs)); // waiting for a lens
        constexpr int dropped = 1000;
        dock.emulator->armFault(FaultKind::dropReply, dropped);
        // Once a reply has been dropped, a request is outstanding for good.
        const QString name = QStringLiteral("drop-reply");
        QTRY_VERIFY_WITH_TIMEOUT(dock.emulator->snapshot().faults[name] < dropped, outputBoundMs);
        cli.signal(signal);
        const CliResult result = cli.finish();
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 128 + signal);
        // The outstanding request was given up at once, not sat out.
        QVERIFY2(result.errText().contains(QStringLiteral("[USB] Wait abandoned")),
                 qPrintable(result.errText()));
        QCOMPARE(dock.emulator->snapshot().requests[FunctionNumber::reqLensDisconnect], 1);
        QVERIFY2(result.errText().endsWith(QStringLiteral("lensdock-cli: interrupted\n")),
                 qPrintable(result.errText()));
    }

    // While one run holds the adapter, another says so instead of claiming there is no adapter.
    void anAdapterInUseIsNamedAsSuch() {
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        CliProcess holder(dataHome.path());
        holder.start(dock.port() + offline() +
                     QStringList{QStringLiteral("--verbose"), QStringLiteral("--wait"), QStringLiteral("60"),
                                 QStringLiteral("info")});
        QVERIFY(holder.waitForError("Change appState: 3", outputBoundMs));
        const CliResult second = run(dock, {QStringLiteral("info")});
        QCOMPARE(second.exitCode, exitNoAdapter);
        QCOMPARE(second.errorLines().size(), 1);
        const QString line = second.errorLines().first();
        QVERIFY2(line.contains(QStringLiteral("in use by another program")), qPrintable(line));
        QVERIFY2(line.contains(dock.options.linkPath), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("lensdock-cli (PID ")), qPrintable(line));
        holder.terminate();
        QCOMPARE(holder.finish().exitCode, 128 + SIGTERM);
    }

    void diagnosticsOnlyWhenVerbose() {
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult quiet = run(dock, {QStringLiteral("info")});
        QCOMPARE(quiet.err, QByteArray());
        QVERIFY(!quiet.outText().contains(QStringLiteral("[Thread]")));
        const CliResult verbose = run(dock, {QStringLiteral("--verbose"), QStringLiteral("info")});
        QCOMPARE(verbose.exitCode, exitOk);
        QVERIFY(verbose.errText().contains(QStringLiteral("[Thread] Change appState: 255")));
        QVERIFY(!verbose.outText().contains(QStringLiteral("[Thread]")));
    }

    void lensIsReleasedAtTheEnd() {
        CliDock dock;
        QVERIFY(dock.start());
        QCOMPARE(run(dock, {QStringLiteral("read")}).exitCode, exitOk);
        QVERIFY(!dock.emulator->snapshot().lensConnected);
    }
};

QTEST_GUILESS_MAIN(TestCliDevice)
#include "tst_clidevice.moc"
