#include "Bytes.h"
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
const QString emulatorExe = QStringLiteral(LENSDOCK_EMULATOR_EXE);
const QString fwpackExe = QStringLiteral(LENSDOCK_FWPACK_EXE);
const QString key = QStringLiteral("00112233445566778899AABBCCDDEEFF0123456789abcdeffedcba9876543210");

QByteArray readLine(QProcess& process) {
    while (!process.canReadLine())
        if (!process.waitForReadyRead(processWaitMs))
            return {};
    return process.readLine().trimmed();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The emulator and the firmware packer as the programs a developer runs.
class TestEmulatorProgram : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void runsUntilQuitAndAnswersOnItsLink() {
        const QString link = dir.filePath(QStringLiteral("dock"));
        const QString profile = writeFile(dir.filePath(QStringLiteral("profile.json")),
                                          R"({"builtin": "awkward", "adapter": {"firmware": "0777"}})");
        QProcess program;
        program.start(emulatorExe, {"--link", link, "--profile", profile, "--no-lens"});
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());

        HostPort host;
        QVERIFY(host.open(link));
        const auto identity =
            host.exchange(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 1);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity->data)->fwVersion, QStringLiteral("0777"));
        const auto mounted =
            host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 2);
        QCOMPARE(mounted->data, hexBytes("00"));

        // A bad line is reported and the next one still obeyed.
        program.write("fault meteor\nmount\ndump\n");
        const QJsonObject state = QJsonDocument::fromJson(readLine(program)).object();
        QCOMPARE(state[QStringLiteral("lens")].toObject()[QStringLiteral("mounted")].toBool(), true);
        QCOMPARE(state[QStringLiteral("lens")].toObject()[QStringLiteral("model")].toString(),
                 QStringLiteral("B028"));

        program.write("unplug\nreplug\n");
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());
        program.write("quit\n");
        QVERIFY(program.waitForFinished(processWaitMs));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardError().contains("unknown fault \"meteor\""));
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void bareReceiverStoresWhatSxSends() {
        const QString sx = QStandardPaths::findExecutable(QStringLiteral("sx"));
        if (sx.isEmpty())
            QSKIP("sx (lrzsz) is not installed");
        const QString link = dir.filePath(QStringLiteral("bare"));
        const QString source = writeFile(dir.filePath(QStringLiteral("source.bin")), QByteArray(2048, 'q'));
        const QString target = dir.filePath(QStringLiteral("target.bin"));
        QProcess receiver;
        receiver.start(emulatorExe, {"--link", link, "--xmodem-receive", target});
        QCOMPARE(readLine(receiver), QByteArray("ready ") + link.toUtf8());
        QProcess sender;
        sender.start("sh", {"-c", "exec \"$0\" -k -q \"$1\" <\"$2\" >\"$2\"", sx, source, link});
        QCOMPARE(readLine(receiver), QByteArray("received 2048 ") + target.toUtf8());
        QVERIFY(receiver.waitForFinished(processWaitMs));
        QCOMPARE(receiver.exitCode(), 0);
        QVERIFY(sender.waitForFinished(processWaitMs));
        QCOMPARE(readAll(target), QByteArray(2048, 'q'));
    }

    // The data file's name holds a comma. The expected bytes were worked out by hand: the file key
    // for `key` (the header's first 64 bytes are zero), and the header's size, version, CRC-16 of
    // "ABC", device and area.
    void packerWritesBothFiles() {
        const QString data = writeFile(dir.filePath(QStringLiteral("data,1.bin")), "ABC");
        const QString out = dir.filePath(QStringLiteral("fw.vfwf"));
        const QString plain = dir.filePath(QStringLiteral("fw.dec"));
        QProcess tool;
        tool.start(fwpackExe,
                   {"--key", key, "--record", "1,0x02,0102," + data, "--out", out, "--plain", plain});
        QVERIFY(tool.waitForFinished(processWaitMs));
        QCOMPARE(tool.exitCode(), 0);
        const QByteArray packed = readAll(out);
        QCOMPARE(packed.left(32), hexBytes("43 78 52 5B 21 27 33 03 E1 F5 C3 CF B5 8F 81 90 "
                                           "75 74 2A 15 ED E8 A4 9F 96 B9 C8 CD 02 3D 5E 79"));
        QCOMPARE(packed.right(3), hexBytes("02 3A 11"));
        QCOMPARE(readAll(plain).mid(64, 10), hexBytes("03 00 00 00 01 02 94 39 01 02"));
    }

    void badArgumentsAreRefused_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString out = dir.filePath(QStringLiteral("refused.vfwf"));
        const auto pack = [&](const char* name, const QString& packKey, const QString& record,
                              const char* message) {
            QTest::newRow(name) << fwpackExe
                                << QStringList{"--key", packKey, "--record", record, "--out", out} << 1
                                << message;
        };
        QTest::newRow("emulator without a link")
            << emulatorExe << QStringList{} << 2 << "--link PATH is required";
        QTest::newRow("emulator baud")
            << emulatorExe << QStringList{"--link", out, "--baud", "fast"} << 2 << "--baud";
        QTest::newRow("emulator profile missing")
            << emulatorExe << QStringList{"--link", out, "--profile", "/nonexistent.json"} << 2
            << "cannot read profile";
        pack("packer key", "12", "1,0,0102," + fwpackExe, "64 hexadecimal digits");
        pack("three fields", key, "1,0,0102", "is not DEVICE,AREA,VERSION,DATAFILE");
        pack("device 256", key, "256,0,0102,x", "device and area must be 0 to 255");
        pack("missing data file", key, "1,0,0102,/nonexistent/data.bin", "cannot read");
        pack("bad version", key, "1,0,1.2," + fwpackExe, "record 1: version");
    }
    void badArgumentsAreRefused() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess process;
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(processWaitMs));
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY2(QString::fromUtf8(process.readAllStandardError()).contains(message), qPrintable(message));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("refused.vfwf"))));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorProgram)
#include "tst_emulatorprogram.moc"
