#include "FaultPlan.h"
#include "HostPort.h"
#include "link/CommandSet.h"
#include "link/IdentityDecoder.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int processWaitMs = 30000;

QByteArray readLine(QProcess& process) {
    while (!process.canReadLine())
        if (!process.waitForReadyRead(processWaitMs))
            return {};
    return process.readLine().trimmed();
}
} // namespace

class TestEmulatorProgram : public QObject {
    Q_OBJECT
private slots:
    void helpDocumentsEveryOptionAndControlLine() {
        QProcess program;
        program.start(QStringLiteral(LENSDOCK_EMULATOR_EXE), {QStringLiteral("--help")});
        QVERIFY(program.waitForFinished(processWaitMs));
        const QString help = QString::fromUtf8(program.readAllStandardOutput());
        QStringList expected{"--link",
                             "--profile",
                             "--no-lens",
                             "--baud",
                             "--trace",
                             "--xmodem-receive",
                             "--reenumeration-delay",
                             "--split-delay",
                             "mount",
                             "unmount",
                             "unplug",
                             "replug",
                             "overcurrent on|off",
                             "fault KIND [COUNT]",
                             "dump",
                             "quit",
                             "ready PATH"};
        expected << FaultPlan::names();
        for (const QString& word : expected)
            QVERIFY2(help.contains(word), qPrintable(word));
    }

    void runsUntilQuitAndAnswersOnItsLink() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dock"));
        const QString profile = dir.filePath(QStringLiteral("profile.json"));
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({"builtin": "awkward", "adapter": {"firmware": "0777"}})");
        file.close();
        QProcess program;
        program.start(QStringLiteral(LENSDOCK_EMULATOR_EXE),
                      {QStringLiteral("--link"), link, QStringLiteral("--profile"), profile,
                       QStringLiteral("--no-lens")});
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());

        HostPort host;
        QVERIFY(host.open(link));
        const auto identity =
            host.exchange(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 1);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity->data)->fwVersion, QStringLiteral("0777"));
        QCOMPARE(
            host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 2)->data.at(0),
            '\0');

        program.write("mount\ndump\n");
        const QJsonObject state = QJsonDocument::fromJson(readLine(program)).object();
        QCOMPARE(state[QStringLiteral("lens")].toObject()[QStringLiteral("mounted")].toBool(), true);
        QCOMPARE(state[QStringLiteral("lens")].toObject()[QStringLiteral("model")].toString(),
                 QStringLiteral("B028"));

        program.write("unplug\nreplug\n");
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());
        program.write("quit\n");
        QVERIFY(program.waitForFinished(processWaitMs));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void bareReceiverReportsAndExits() {
        const QString sx = QStandardPaths::findExecutable(QStringLiteral("sx"));
        if (sx.isEmpty())
            QSKIP("sx (lrzsz) is not installed");
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dock"));
        const QString source = dir.filePath(QStringLiteral("source.bin"));
        const QString target = dir.filePath(QStringLiteral("target.bin"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2048, 'q'));
        file.close();
        QProcess receiver;
        receiver.start(QStringLiteral(LENSDOCK_EMULATOR_EXE),
                       {QStringLiteral("--link"), link, QStringLiteral("--xmodem-receive"), target});
        QCOMPARE(readLine(receiver), QByteArray("ready ") + link.toUtf8());
        QProcess sender;
        sender.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec \"$0\" -k -q \"$1\" <\"$2\" >\"$2\""), sx,
                      source, link});
        QCOMPARE(readLine(receiver), QByteArray("received 2048 ") + target.toUtf8());
        QVERIFY(receiver.waitForFinished(processWaitMs));
        QCOMPARE(receiver.exitCode(), 0);
        QVERIFY(sender.waitForFinished(processWaitMs));
        QFile received(target);
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray(2048, 'q'));
    }

    void badArgumentsAreRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no link") << QStringList{} << "--link PATH is required";
        QTest::newRow("bad baud") << QStringList{"--link", "/tmp/unused", "--baud", "fast"} << "--baud";
        QTest::newRow("missing profile")
            << QStringList{"--link", "/tmp/unused", "--profile", "/nonexistent.json"}
            << "cannot read profile";
    }
    void badArgumentsAreRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess program;
        program.start(QStringLiteral(LENSDOCK_EMULATOR_EXE), arguments);
        QVERIFY(program.waitForFinished(processWaitMs));
        QCOMPARE(program.exitCode(), 2);
        QVERIFY(QString::fromUtf8(program.readAllStandardError()).contains(message));
    }

    void badControlLineIsReportedAndIgnored() {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("dock"));
        QProcess program;
        program.start(QStringLiteral(LENSDOCK_EMULATOR_EXE), {QStringLiteral("--link"), link});
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());
        program.write("fault meteor\ndump\n");
        QVERIFY(QJsonDocument::fromJson(readLine(program)).isObject());
        program.closeWriteChannel();
        program.terminate();
        QVERIFY(program.waitForFinished(processWaitMs));
        QVERIFY(program.readAllStandardError().contains("unknown fault \"meteor\""));
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
