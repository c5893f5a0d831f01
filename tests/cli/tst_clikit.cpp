// Update kits: built from the download host into a folder, then used offline through
// --download-url file://… for updates of the dock emulator's adapter and lens.
#include "BlockingDownload.h"
#include "CliDock.h"
#include "CliProcess.h"
#include "FirmwarePacker.h"
#include "KitBuilder.h"
#include "LocalDownloadHost.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using cli::BlockingDownload;
using cli::KitBuilder;

namespace {
constexpr int exitOk = 0;
constexpr int exitUpdate = 9;

const QByteArray decodeKey = "00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
const QByteArray otherKey = "ff112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978";
constexpr std::uint8_t adapterDevice = 0x01;
constexpr std::uint8_t lensDevice = 0x00;

QByteArray adapterCatalogue(const QByteArray& key) {
    return "<zoleninfo>2026/01/01 00:00:00,0201," + key + "</zoleninfo>";
}

QByteArray lensCatalogue(const QByteArray& model) {
    return "<lensinfo>2026/01/01 00:00:00," + model +
           ",Test Zoom,0200,true,true,true,true,8,3,28,35,50,70,"
           "100,135,200,300,30,-30,2,10,0,9,2,7," +
           decodeKey + "</lensinfo>";
}

QByteArray packed(std::uint8_t device, const QString& version, const QByteArray& key) {
    QByteArray data(3000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + 3) & 0xFF);
    const auto result = FirmwarePacker::pack({{device, quint8(device == lensDevice ? 1 : 0), version, data}},
                                             QString::fromLatin1(key));
    if (!result.ok())
        qFatal("packer: %s", qPrintable(result.error));
    return result.bytes;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a host serves for the adapter and one lens model on one mount, by path.
QMap<QString, QByteArray> hostFiles(const QByteArray& model, const QByteArray& suffix,
                                    const QByteArray& adapterKey = decodeKey) {
    const QString lens = QStringLiteral("zolen/lens/");
    return {{"zolen/adapter/zoleninfo.xml", adapterCatalogue(adapterKey)},
            {"zolen/adapter/QB117_0201.vfwf", packed(adapterDevice, "0201", decodeKey)},
            {lens + "lensinfo_" + model + suffix + ".xml", lensCatalogue(model)},
            {lens + "lensimage_" + model + suffix + ".png", "lens picture " + model},
            {lens + "focusadjustment_" + model + ".png", "focus adjustment picture"},
            {lens + "focuslimit_" + model + ".png", "focus limit picture"},
            {lens + model + suffix + "_0200.vfwf", packed(lensDevice, "0200", decodeKey)}};
}

void serve(LocalDownloadHost& host, const QMap<QString, QByteArray>& files) {
    for (auto it = files.begin(); it != files.end(); ++it)
        host.put(it.key(), it.value());
}

// Every file of `files` sits in `folder` with its content, and nothing else does.
bool holdsExactly(const QString& folder, const QMap<QString, QByteArray>& files) {
    QStringList found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    QStringList expected = files.keys();
    expected.sort();
    if (found != expected) {
        qWarning("kit holds %s", qPrintable(found.join(' ')));
        return false;
    }
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (readFile(QDir(folder).filePath(it.key())) != it.value())
            return false;
    }
    return true;
}
} // namespace

class TestCliKit : public QObject {
    Q_OBJECT
    QTemporaryDir dataHome;

    CliResult runCli(const QStringList& arguments) {
        CliProcess cli(dataHome.path());
        return cli.run(arguments);
    }

    static QString fileUrl(const QString& folder) { return QUrl::fromLocalFile(folder).toString(); }

private slots:
    void initTestCase() {
        // The test CA must be known before the first request.
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        QVERIFY(configuration.addCaCertificates(LocalDownloadHost::caCertificatePath()));
        QSslConfiguration::setDefaultConfiguration(configuration);
    }

    void kitFromTheHttpsHostUpdatesBothDevicesOffline() {
        QTemporaryDir kit;
        const auto files = hostFiles("A036", "E0");
        {
            LocalDownloadHost host(LocalDownloadHost::Tls::trusted);
            QString error;
            QVERIFY2(host.start(&error), qPrintable(error));
            serve(host, files);
            BlockingDownload downloads(host.downloadHost(), NetworkLimits());
            KitBuilder builder(downloads, kit.path());
            const auto failure = builder.build({QStringLiteral("E0"), {QStringLiteral("A036")}});
            QVERIFY2(!failure, failure ? qPrintable(failure->message) : "");
            qint64 total = 0;
            for (const QByteArray& content : files)
                total += content.size();
            QCOMPARE(builder.totalBytes(), total);
        } // the host stops here: what follows is offline
        QVERIFY(holdsExactly(kit.path(), files));
        CliDock dock;
        QVERIFY(dock.start());
        for (const char* target : {"lens", "adapter"}) {
            const CliResult result =
                runCli(dock.port() + QStringList{"--download-url", fileUrl(kit.path()), "--reset-wait-ms",
                                                 "100", "--yes", "update", target});
            QVERIFY2(result.exitCode == exitOk, qPrintable(result.errText()));
        }
        const DockSnapshot snapshot = dock.emulator->snapshot();
        QCOMPARE(snapshot.lens.firmwareVersion, QStringLiteral("0200"));
        QCOMPARE(snapshot.adapter.fwVersion, QStringLiteral("0201"));
    }

    // The mounted lens, or models named with --for on the mount --mount names (no lens needed).
    void kitCommandWritesTheHostLayout_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("lensMounted");
        QTest::addColumn<QByteArray>("model");
        QTest::addColumn<QByteArray>("suffix");
        QTest::newRow("mounted lens") << QStringList{} << true << QByteArray("A036") << QByteArray("E0");
        QTest::newRow("--for on another mount") << QStringList{"--for", "B100", "--mount", "nikon"} << false
                                                << QByteArray("B100") << QByteArray("N0");
    }
    void kitCommandWritesTheHostLayout() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, lensMounted);
        QFETCH(QByteArray, model);
        QFETCH(QByteArray, suffix);
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        const auto files = hostFiles(model, suffix);
        serve(host, files);
        CliDock dock;
        dock.options.lensMounted = lensMounted;
        QVERIFY(dock.start());
        QTemporaryDir kit;
        const CliResult result =
            runCli(dock.port() + QStringList{"--download-url", host.url(), "kit", kit.path()} + arguments);
        QVERIFY2(result.exitCode == exitOk, qPrintable(result.errText()));
        QVERIFY(holdsExactly(kit.path(), files));
        const QString text = result.outText();
        QVERIFY2(text.contains("Wrote zolen/lens/" + model + suffix + "_0200.vfwf"), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("%1 files").arg(files.size())), qPrintable(text));
    }

    // A firmware file that does not decipher is not kept, nor the catalogue that names it.
    void firmwareFailingItsCheckIsNotKept() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        serve(host, hostFiles("A036", "E0", otherKey));
        QTemporaryDir kit;
        BlockingDownload downloads(host.downloadHost(), NetworkLimits());
        KitBuilder builder(downloads, kit.path());
        const auto failure = builder.build({QStringLiteral("E0"), {QStringLiteral("A036")}});
        QVERIFY(failure);
        QCOMPARE(int(failure->code), exitUpdate);
        QVERIFY(holdsExactly(kit.path(), {}));
    }

    // No update would use the firmware a device already runs, so the host need not have it.
    void firmwareTheDevicesRunIsLeftOut() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        auto files = hostFiles("A036", "E0");
        files.remove("zolen/adapter/QB117_0201.vfwf");
        files.remove("zolen/lens/A036E0_0200.vfwf");
        serve(host, files);
        QTemporaryDir kit;
        BlockingDownload downloads(host.downloadHost(), NetworkLimits());
        KitBuilder builder(downloads, kit.path());
        cli::KitRequest request{QStringLiteral("E0"), {QStringLiteral("A036")}, QStringLiteral("0201"), {}};
        request.lensVersions.insert(QStringLiteral("A036"), QStringLiteral("0200"));
        const auto failure = builder.build(request);
        QVERIFY2(!failure, failure ? qPrintable(failure->message) : "");
        QVERIFY(holdsExactly(kit.path(), files));
        QCOMPARE(builder.skipped().size(), 2);
    }

    // A damaged firmware file fails the same way whether it comes over HTTP or from a kit folder.
    void truncatedFirmwareFailsAsOverHttp() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        auto files = hostFiles("A036", "E0");
        QByteArray& firmware = files["zolen/lens/A036E0_0200.vfwf"];
        firmware.chop(firmware.size() / 2);
        serve(host, files);
        QList<CliResult> results;
        for (const QString& url : {host.url(), fileUrl(host.rootPath())}) {
            CliDock dock;
            QVERIFY(dock.start());
            results << runCli(dock.port() + QStringList{"--download-url", url, "--yes", "update", "lens"});
            QCOMPARE(dock.emulator->snapshot().lens.firmwareVersion, QStringLiteral("0100"));
        }
        QCOMPARE(results[0].exitCode, exitUpdate);
        QCOMPARE(results[1].exitCode, results[0].exitCode);
        QCOMPARE(results[1].errorLines(), results[0].errorLines());
    }

    void verboseNamesTheHostAndWhereItWasSet_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("expected");
        QTest::newRow("settings over environment")
            << "https://settings.test"
            << "https://environment.test"
            << "Download host https://settings.test (from the settings file ";
        QTest::newRow("environment") << ""
                                     << "file:///srv/kit"
                                     << "Download host file:///srv/kit (from the environment variable "
                                        "LENSDOCK_DOWNLOAD_URL)";
    }
    void verboseNamesTheHostAndWhereItWasSet() {
        QFETCH(QString, stored);
        QFETCH(QString, environment);
        QFETCH(QString, expected);
        QTemporaryDir home;
        QDir().mkpath(home.filePath("config/lensdock"));
        QFile settings(home.filePath("config/lensdock/lensdock.conf"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\ndownloadUrl=" + stored.toUtf8() + "\n");
        settings.close();
        CliProcess cli(home.path());
        cli.setEnvironment("LENSDOCK_DOWNLOAD_URL", environment);
        const CliResult result = cli.run({"--verbose", "--port", home.filePath("no-dock"), "info"});
        QVERIFY2(result.errText().contains(expected), qPrintable(result.errText()));
    }
};

QTEST_GUILESS_MAIN(TestCliKit)
#include "tst_clikit.moc"
