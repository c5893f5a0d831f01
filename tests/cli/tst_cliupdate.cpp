// lensdock-cli update and decode: firmware built by the packer, served by a local HTTP host,
// installed into the dock emulator on a pty.
#include "adjust/AdjustDataFile.h"
#include "adjust/AdjustPayload.h"
#include "CliDock.h"
#include "CliProcess.h"
#include "FirmwarePacker.h"
#include "LocalDownloadHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int exitOk = 0;
constexpr int exitFile = 7;
constexpr int exitUpdate = 9;
constexpr int exitCancelled = 10;

const QByteArray decodeKey = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
const QByteArray otherKey = "ff112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
constexpr std::uint8_t adapterDevice = 0x01;
constexpr std::uint8_t lensDevice = 0x00;

QByteArray dataOf(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    return data;
}

QByteArray adapterCatalogue(const QByteArray& latest, const QByteArray& key) {
    return "<zoleninfo>2026/01/01 00:00:00," + latest + "," + key + "</zoleninfo>";
}

QByteArray lensCatalogue(const QByteArray& latest, const QByteArray& key) {
    return "<lensinfo>2026/01/01 00:00:00,A036,Test Zoom," + latest +
           ",true,true,true,true,8,3,28,35,50,70,100,135,200,300,30,-30,2,10,0,9,2,7," + key + "</lensinfo>";
}

QByteArray packed(std::uint8_t device, std::uint8_t area, const QString& version, const QByteArray& key) {
    const auto result =
        FirmwarePacker::pack({{device, area, version, dataOf(3000)}}, QString::fromLatin1(key));
    if (!result.ok())
        qFatal("packer: %s", qPrintable(result.error));
    return result.bytes;
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
} // namespace

class TestCliUpdate : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome;

    CliResult update(const CliDock& dock, const LocalDownloadHost& host, const QStringList& arguments,
                     const QByteArray& input = QByteArray()) {
        CliProcess cli(dataHome.path());
        const QStringList common{QStringLiteral("--download-url"), host.url(),
                                 QStringLiteral("--reset-wait-ms"), QStringLiteral("100")};
        return cli.run(dock.port() + common + arguments, input);
    }

    static bool startHost(LocalDownloadHost& host) {
        QString error;
        if (host.start(&error))
            return true;
        qWarning("%s", qPrintable(error));
        return false;
    }

private slots:
    void adapterUpdate() {
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), adapterCatalogue("0201", decodeKey));
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
                 packed(adapterDevice, 0x00, "0201", decodeKey));
        CliDock dock;
        dock.options.lensMounted = false; // an adapter update needs no lens
        QVERIFY(dock.start());
        const CliResult result = update(
            dock, host, {QStringLiteral("--yes"), QStringLiteral("update"), QStringLiteral("adapter")});
        QCOMPARE(result.exitCode, exitOk);
        const QString text = result.outText();
        QVERIFY2(text.contains(QStringLiteral("Adapter firmware 0123 -> 0201")), qPrintable(text));
        for (const char* line : {"Downloading\n", "Decoding\n", "Sending\n", "progress 100%\n"})
            QVERIFY2(text.contains(QLatin1String(line)), line);
        QVERIFY(text.contains(QStringLiteral("Adapter firmware updated to 0201.")));
        QCOMPARE(result.err, QByteArray());
        const DockSnapshot snapshot = dock.emulator->snapshot();
        QCOMPARE(snapshot.adapter.fwVersion, QStringLiteral("0201"));
        QCOMPARE(snapshot.firmware.size(), 1);
    }

    void updateIsNotInterrupted() {
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), adapterCatalogue("0201", decodeKey));
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
                 packed(adapterDevice, 0x00, "0201", decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        CliProcess cli(dataHome.path());
        // The adapter's reset wait keeps the job running while the signal comes.
        cli.start(dock.port() + QStringList{QStringLiteral("--download-url"), host.url(),
                                            QStringLiteral("--reset-wait-ms"), QStringLiteral("1500"),
                                            QStringLiteral("--yes"), QStringLiteral("update"),
                                            QStringLiteral("adapter")});
        QVERIFY(cli.waitForOutput("Sending", 30000));
        cli.terminate();
        const CliResult result = cli.finish();
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.errText().contains(QStringLiteral("not interrupted")));
        QCOMPARE(dock.emulator->snapshot().adapter.fwVersion, QStringLiteral("0201"));
    }

    void lensUpdateAsJson() {
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/lens/lensinfo_A036E0.xml"), lensCatalogue("0200", decodeKey));
        host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed(lensDevice, 0x01, "0200", decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = update(dock, host,
                                        {QStringLiteral("--yes"), QStringLiteral("--json"),
                                         QStringLiteral("update"), QStringLiteral("lens")});
        QCOMPARE(result.exitCode, exitOk);
        const QJsonObject json = result.json();
        QVERIFY2(!json.isEmpty(), result.out.constData()); // one object, no progress lines
        QCOMPARE(json.value(QStringLiteral("updated")).toBool(), true);
        QCOMPARE(json.value(QStringLiteral("from")).toString(), QStringLiteral("0100"));
        QCOMPARE(json.value(QStringLiteral("version")).toString(), QStringLiteral("0200"));
        QCOMPARE(dock.emulator->snapshot().lens.firmwareVersion, QStringLiteral("0200"));
    }

    // The update leaves the factory settings; what the lens held is backed up and, when asked, put back.
    void lensUpdateKeepsTheSettings_data() {
        QTest::addColumn<bool>("keep");
        QTest::newRow("backed up") << false;
        QTest::newRow("--keep-settings") << true;
    }
    void lensUpdateKeepsTheSettings() {
        QFETCH(bool, keep);
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/lens/lensinfo_A036E0.xml"), lensCatalogue("0200", decodeKey));
        host.put(QStringLiteral("zolen/lens/A036E0_0200.vfwf"), packed(lensDevice, 0x01, "0200", decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        const LensInfo& lens = dock.options.profile.lens;
        LensAdjustData calibrated;
        calibrated.focusZoomClose[1] = 6;
        calibrated.vcMode = 2;
        dock.emulator->setLensSettings(AdjustPayload::encode(calibrated, lens));
        QStringList arguments{QStringLiteral("--yes"), QStringLiteral("--json"), QStringLiteral("update"),
                              QStringLiteral("lens")};
        if (keep)
            arguments << QStringLiteral("--keep-settings");
        const CliResult result = update(dock, host, arguments);
        QVERIFY2(result.exitCode == exitOk, qPrintable(result.errText()));
        QCOMPARE(dock.emulator->snapshot().lens.firmwareVersion, QStringLiteral("0200"));
        const QString backup = result.json().value(QStringLiteral("backup")).toString();
        LensAdjustData saved;
        QCOMPARE(AdjustDataFile::loadFile(backup, saved).result, AdjustFileLoadResult::success);
        QVERIFY(saved.isSameSettings(calibrated, lens));
        const auto held = AdjustPayload::decode(dock.emulator->snapshot().adjustBytes, lens);
        QVERIFY(held);
        QCOMPARE(held->isSameSettings(calibrated, lens), keep);
        QCOMPARE(result.json().value(QStringLiteral("settingsKept")).toBool(), keep);
    }

    void failedUpdates_data() {
        QTest::addColumn<QByteArray>("catalogueKey");
        QTest::addColumn<QString>("packedVersion");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong key") << otherKey << QStringLiteral("0201")
                                   << QStringLiteral("could not be decoded");
        QTest::newRow("malformed key")
            << QByteArray("xyz") << QStringLiteral("0201") << QStringLiteral("invalid key");
        QTest::newRow("version mismatch")
            << decodeKey << QStringLiteral("0202") << QStringLiteral("does not report version 0201");
    }

    void failedUpdates() {
        QFETCH(QByteArray, catalogueKey);
        QFETCH(QString, packedVersion);
        QFETCH(QString, message);
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), adapterCatalogue("0201", catalogueKey));
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
                 packed(adapterDevice, 0x00, packedVersion, decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = update(
            dock, host, {QStringLiteral("--yes"), QStringLiteral("update"), QStringLiteral("adapter")});
        QCOMPARE(result.exitCode, exitUpdate);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
    }

    void upToDateSendsNothing() {
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), adapterCatalogue("0150", decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = update(
            dock, host, {QStringLiteral("--yes"), QStringLiteral("update"), QStringLiteral("adapter")});
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(QStringLiteral("up to date")));
        QCOMPARE(dock.emulator->snapshot().firmware.size(), 0);
    }

    void declinedUpdateSendsNothing() {
        LocalDownloadHost host;
        QVERIFY(startHost(host));
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), adapterCatalogue("0201", decodeKey));
        host.put(QStringLiteral("zolen/adapter/QB117_0201.vfwf"),
                 packed(adapterDevice, 0x00, "0201", decodeKey));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result =
            update(dock, host, {QStringLiteral("update"), QStringLiteral("adapter")}, "n\n");
        QCOMPARE(result.exitCode, exitCancelled);
        QCOMPARE(dock.emulator->snapshot().firmware.size(), 0);
        QCOMPARE(dock.emulator->snapshot().adapter.fwVersion, QStringLiteral("0123"));
    }

    void decodeWritesThePlainImage() {
        QTemporaryDir files;
        const QList<FirmwareRecord> records{{lensDevice, 0x01, QStringLiteral("0200"), dataOf(2500)}};
        writeFile(files.filePath(QStringLiteral("fw.vfwf")),
                  FirmwarePacker::pack(records, QString::fromLatin1(decodeKey)).bytes);
        CliProcess cli(dataHome.path());
        const QString output = files.filePath(QStringLiteral("fw.dec"));
        const CliResult result = cli.run({QStringLiteral("decode"), files.filePath(QStringLiteral("fw.vfwf")),
                                          QStringLiteral("--key"), QString::fromLatin1(decodeKey),
                                          QStringLiteral("--output"), output});
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(QStringLiteral("Decoded 1 record(s)")));
        QCOMPARE(readFile(output), FirmwarePacker::plainImage(records).bytes);
    }

    void decodeFailuresLeaveTheOutputAlone_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("inputExists");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong key") << otherKey << true << exitUpdate << QStringLiteral("key");
        QTest::newRow("malformed key")
            << QByteArray("12") << true << exitUpdate << QStringLiteral("invalid decode key");
        QTest::newRow("missing input") << decodeKey << false << exitFile << QStringLiteral("cannot read");
    }

    void decodeFailuresLeaveTheOutputAlone() {
        QFETCH(QByteArray, key);
        QFETCH(bool, inputExists);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir files;
        const QString input = files.filePath(QStringLiteral("fw.vfwf"));
        if (inputExists)
            writeFile(input, packed(lensDevice, 0x01, QStringLiteral("0200"), decodeKey));
        const QString output = files.filePath(QStringLiteral("fw.dec"));
        writeFile(output, "previous");
        CliProcess cli(dataHome.path());
        const CliResult result = cli.run({QStringLiteral("decode"), input, QStringLiteral("--key"),
                                          QString::fromLatin1(key), QStringLiteral("--output"), output});
        QCOMPARE(result.exitCode, exitCode);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        QCOMPARE(readFile(output), QByteArray("previous"));
        QCOMPARE(QDir(files.path()).entryList(QDir::Files | QDir::Hidden).size(), inputExists ? 2 : 1);
    }
};

QTEST_GUILESS_MAIN(TestCliUpdate)
#include "tst_cliupdate.moc"
