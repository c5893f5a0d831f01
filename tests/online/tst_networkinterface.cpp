// Downloads from real local hosts: HTTP, HTTPS with a trusted and with an untrusted certificate, and a
// folder laid out like the host (which must answer as the same files served over HTTP do).
#include "LocalDownloadHost.h"
#include "LogCapture.h"
#include "online/NetworkInterface.h"
#include "RecordingListeners.h"

#include <atomic>
#include <QFile>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(lensdock::NetworkLimits)

namespace {

const QByteArray adapterCatalogue = "<zoleninfo>2026/03/04 05:06:07,0102,KEY</zoleninfo>";
const QByteArray lensPicture = "picture of A000";
const QByteArray movedPicture = "picture after a redirect";

QByteArray countingBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

// How a transport error Qt reports is told: "<domain> <code>".
QString transport(QNetworkReply::NetworkError code) {
    return QString("%1 %2").arg(NetworkError::platformDomain).arg(code);
}

// Starts the download `what` names after its host: "catalogue" (the adapter's), "lens <code>" (a lens
// catalogue), "picture <code>", "file <path>", "adapterfw <name>" or "lensfw <name>"; lenses on mount N0.
bool request(NetworkInterface& network, const QString& what) {
    const QString verb = what.section(' ', 1, 1);
    const QString name = what.section(' ', 2);
    if (verb == "catalogue")
        return network.downloadAdapterModelsInfo();
    if (verb == "lens")
        return network.downloadLensModelsInfo(name, "N0");
    if (verb == "picture")
        return network.downloadLensImage(name, "N0");
    if (verb == "adapterfw")
        return network.downloadAdapterFirmware(name);
    if (verb == "lensfw")
        return network.downloadLensFirmware(name);
    return network.downloadFile(name);
}

// What a listener was told: "data: <content>" or "<error domain> <code>", marked when it is a time-out.
QString describe(const FileDownloadCall& call) {
    if (!call.error)
        return "data: " + QString::fromUtf8(call.data.value_or("(none)"));
    return QString("%1 %2%3")
        .arg(call.error->domain)
        .arg(call.error->code)
        .arg(call.error->isTimeout() ? " (time-out)" : "");
}

} // namespace

class TestNetworkInterface : public QObject {
    Q_OBJECT
    LocalDownloadHost host;
    LocalDownloadHost trusted{LocalDownloadHost::Tls::trusted};
    LocalDownloadHost untrusted{LocalDownloadHost::Tls::untrusted};
    QTemporaryDir outside;

    // The host `what` starts with: "http", "trusted", "untrusted" or "folder" (the HTTP host's root).
    DownloadHost hostOf(const QString& what) const {
        const QString source = what.section(' ', 0, 0);
        if (source == "folder")
            return *DownloadHost::fromUrl(QUrl::fromLocalFile(host.rootPath()).toString());
        return (source == "trusted" ? trusted : source == "untrusted" ? untrusted : host).downloadHost();
    }

private slots:
    void initTestCase() {
        // The test CA must be known before the first request.
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        QVERIFY(configuration.addCaCertificates(LocalDownloadHost::caCertificatePath()));
        QSslConfiguration::setDefaultConfiguration(configuration);
        QString error;
        for (LocalDownloadHost* each : {&host, &trusted, &untrusted}) {
            QVERIFY2(each->start(&error), qPrintable(error));
            each->put("zolen/adapter/zoleninfo.xml", adapterCatalogue);
        }
        host.put("zolen/lens/lensinfo_E000N0.xml", "");
        host.put("zolen/lens/lensinfo_BIGN0.xml", QByteArray(1000, 'x'));
        host.put("zolen/lens/lensimage_A000N0.png", lensPicture);
        host.put("zolen/lens/moved-elsewhere.png", movedPicture);
        host.put("zolen/lens/fw_empty.bin", "");
        host.put("zolen/adapter/fw_UNSIZED.bin", countingBytes(700));
        host.put("zolen/lens/fw_big.bin", countingBytes(1000));
        host.put("zolen/lens/fw_big_UNSIZED.bin", countingBytes(1000));
        QFile secret(outside.filePath("secret.png"));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("not for the host") > 0);
        secret.close();
        QVERIFY(QFile::link(secret.fileName(), host.rootPath() + "/zolen/lens/lensimage_LINKN0.png"));
        QVERIFY(QFile::link(host.rootPath() + "/zolen/adapter/zoleninfo.xml",
                            host.rootPath() + "/zolen/lens/lensinfo_INSIDEN0.xml"));
    }

    // Each download as `what` (the host, then the download) with its size and time bounds: the type and
    // the report its listener gets. A refused name is never asked for.
    void dataDownloads_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<NetworkLimits>("limits");
        QTest::addColumn<NetworkFileType>("type");
        QTest::addColumn<QString>("report");
        using T = NetworkFileType;
        const NetworkLimits plain;
        const NetworkLimits bounded{.maxDataBytes = 100};
        const QString catalogue = "data: " + adapterCatalogue;
        const QString missing = "HTTP ERROR 404 404";
        const QString refused = NetworkError::refusedNameDomain + " 0";
        const QString timedOut = transport(QNetworkReply::TimeoutError) + " (time-out)";
        for (const QString source : {"http", "folder"}) {
            QTest::addRow("%s: catalogue", qPrintable(source))
                << source + " catalogue" << plain << T::adapterModelsInfo << catalogue;
            QTest::addRow("%s: empty catalogue", qPrintable(source))
                << source + " lens E000" << plain << T::lensModelsInfo
                << NetworkError::emptyDataDomain + " 200";
            QTest::addRow("%s: missing picture", qPrintable(source))
                << source + " picture B404" << plain << T::lensImage << missing;
            QTest::addRow("%s: oversized catalogue", qPrintable(source))
                << source + " lens BIG" << bounded << T::lensModelsInfo
                << NetworkError::tooLargeDomain + " 200";
        }
        // A web server serves nothing outside its root, so a symlink leading out is a missing file.
        QTest::newRow("folder: symlink leading out")
            << "folder picture LINK" << plain << T::lensImage << missing;
        QTest::newRow("folder: symlink inside")
            << "folder lens INSIDE" << plain << T::lensModelsInfo << catalogue;
        QTest::newRow("folder: a folder in place of a file")
            << "folder file zolen/lens" << plain << T::focusLimitImage << missing;
        QTest::newRow("picture") << "http picture A000" << plain << T::lensImage
                                 << "data: " + QString(lensPicture);
        QTest::newRow("redirect to an unmatched name")
            << "http picture MOVED" << plain << T::focusLimitImage << "data: " + QString(movedPicture);
        QTest::newRow("idle time-out")
            << "http picture HOLD" << NetworkLimits{.requestTimeout = 150ms} << T::lensImage << timedOut;
        QTest::newRow("whole-transfer time-out")
            << "http picture HOLD" << NetworkLimits{.requestTimeout = 30s, .downloadFileTimeout = 150ms}
            << T::lensImage << timedOut;
        QTest::newRow("trusted certificate")
            << "trusted catalogue" << plain << T::adapterModelsInfo << catalogue;
        QTest::newRow("untrusted certificate") << "untrusted catalogue" << plain << T::adapterModelsInfo
                                               << transport(QNetworkReply::SslHandshakeFailedError);
        QTest::newRow("unsafe path") << "http file zolen/../../secret.xml" << plain << T::focusLimitImage
                                     << refused;
        const QStringList hostileCodes{"../../../etc/passwd", "A0?redirect=x", "%2e%2e",
                                       QString::fromLatin1("A0\r\n"), QString::fromUtf8("\xe3\x83\xac")};
        for (const QString& code : hostileCodes)
            QTest::addRow("hostile model code %s", qPrintable(code.toUtf8().toPercentEncoding()))
                << "http lens " + code << plain << T::lensModelsInfo << refused;
    }
    void dataDownloads() {
        QFETCH(QString, what);
        QFETCH(NetworkLimits, limits);
        QFETCH(NetworkFileType, type);
        QFETCH(QString, report);
        const bool refused = report.startsWith(NetworkError::refusedNameDomain);
        const QString recordedBefore = NetworkInterface::lensModelsInfoPath();
        LogCapture log;
        auto listener = std::make_shared<RecordingNotificationListener>();
        NetworkInterface network(hostOf(what), limits);
        network.setNotificationDelegate(listener);
        QCOMPARE(request(network, what), !refused);
        const auto calls = listener->waitFor(1);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].type, type);
        QCOMPARE(describe(calls[0]), report);
        // The address asked for is logged; a refused name is logged instead and changes no recorded path.
        const QString firstLine = log.untimed().value(0);
        QVERIFY2(firstLine.startsWith(refused ? "[Network] Refused" : "[Network] " + hostOf(what).toString()),
                 qPrintable(firstLine));
        if (refused)
            QCOMPARE(NetworkInterface::lensModelsInfoPath(), recordedBefore);
    }

    void lensDownloadsRecordTheirPaths() {
        NetworkInterface network(host.downloadHost());
        QVERIFY(network.downloadLensModelsInfo("A000", "N0"));
        QVERIFY(network.downloadLensImage("A000", "N0"));
        QVERIFY(network.downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, "A000"));
        QVERIFY(network.downloadLensFeatureImage(NetworkFileType::lensImage, "A000"));
        QCOMPARE(NetworkInterface::lensModelsInfoPath(), QString("zolen/lens/lensinfo_A000N0.xml"));
        QCOMPARE(NetworkInterface::lensImagePath(), QString("zolen/lens/lensimage_A000N0.png"));
        QCOMPARE(NetworkInterface::focusAdjustmentImagePath(),
                 QString("zolen/lens/focusadjustment_A000.png"));
        QCOMPARE(NetworkInterface::focusLimitImagePath(), QString("zolen/lens/focuslimit_A000.png"));
    }

    // Whatever the host answered is handed over as the file; the decoder refuses what is no firmware.
    void firmwareDownloads_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<NetworkLimits>("limits");
        QTest::addColumn<QStringList>("calls");
        const QString all700 = RecordingFirmwareListener::finishedWith(countingBytes(700));
        const QString tooLarge = "completed " + NetworkError::tooLargeDomain + " 200";
        QTest::newRow("size not announced: no progress")
            << "http adapterfw fw_UNSIZED.bin" << NetworkLimits() << QStringList{all700, "completed"};
        QTest::newRow("from a folder") << "folder adapterfw fw_UNSIZED.bin" << NetworkLimits()
                                       << QStringList{"progress 1", all700, "completed"};
        QTest::newRow("empty") << "http lensfw fw_empty.bin" << NetworkLimits()
                               << QStringList{RecordingFirmwareListener::finishedWith({}), "completed"};
        QTest::newRow("missing: the error page")
            << "folder lensfw fw_missing.bin" << NetworkLimits()
            << QStringList{RecordingFirmwareListener::finishedWith("Not Found"), "completed"};
        QTest::newRow("too large") << "http lensfw fw_big.bin" << NetworkLimits{.maxFirmwareBytes = 999}
                                   << QStringList{tooLarge};
        QTest::newRow("too large, size not announced")
            << "http lensfw fw_big_UNSIZED.bin" << NetworkLimits{.maxFirmwareBytes = 600}
            << QStringList{tooLarge};
        QTest::newRow("unsafe name") << "http lensfw ../fw_big.bin" << NetworkLimits()
                                     << QStringList{"completed " + NetworkError::refusedNameDomain + " 0"};
        QTest::newRow("untrusted certificate")
            << "untrusted adapterfw zoleninfo.xml" << NetworkLimits()
            << QStringList{"completed " + transport(QNetworkReply::SslHandshakeFailedError)};
    }
    void firmwareDownloads() {
        QFETCH(QString, what);
        QFETCH(NetworkLimits, limits);
        QFETCH(QStringList, calls);
        auto listener = std::make_shared<RecordingFirmwareListener>();
        NetworkInterface network(hostOf(what), limits);
        network.setDelegate(listener);
        QCOMPARE(request(network, what), !calls.first().contains(NetworkError::refusedNameDomain));
        QCOMPARE(listener->waitForCompletion(), calls);
    }

    void firmwareProgressFollowsTheAnnouncedSize() {
        auto listener = std::make_shared<RecordingFirmwareListener>();
        NetworkInterface network(host.downloadHost());
        network.setDelegate(listener);
        QVERIFY(network.downloadLensFirmware("fw_STAGED.bin"));
        QVERIFY(listener->waitUntil([](const QStringList& calls) { return calls.contains("progress 0.25"); })
                    .contains("progress 0.25"));
        host.put("release", "");
        const QStringList calls = listener->waitForCompletion();
        QCOMPARE(calls.mid(calls.size() - 3),
                 (QStringList{"progress 1", RecordingFirmwareListener::finishedWith(countingBytes(1000)),
                              "completed"}));
    }

    // Results go to the listener set last; with none set, or once the service is gone, they are dropped.
    void onlyTheCurrentListenerHears() {
        auto earlier = std::make_shared<RecordingNotificationListener>();
        auto later = std::make_shared<RecordingNotificationListener>();
        {
            NetworkInterface network(host.downloadHost());
            network.setNotificationDelegate(earlier);
            network.setNotificationDelegate(later);
            QVERIFY(network.downloadAdapterModelsInfo());
            QCOMPARE(later->waitFor(1).size(), 1);
            network.setNotificationDelegate(nullptr);
            const QUrl url(host.url() + "/zolen/adapter/zoleninfo.xml");
            network.dataTaskCompleted({adapterCatalogue, HttpResponse{url, 200}, std::nullopt});
            network.setNotificationDelegate(earlier);
            QVERIFY(network.downloadLensImage("HOLD", "N0"));
            LogCapture log;
            QVERIFY(!network.downloadLensFirmware("fw_big.bin"));
            QCOMPARE(log.untimed(),
                     QStringList{"[Network] Firmware download refused: no listener is registered"});
        }
        QCOMPARE(earlier->values().size(), 0);
        QCOMPARE(later->values().size(), 1);
    }

    void reachability_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("reachable");
        const QString folder = QUrl::fromLocalFile(host.rootPath()).toString();
        QTest::newRow("literal address") << host.url() << true;
        QTest::newRow("literal address without server") << "http://192.0.2.1:9" << true;
        QTest::newRow("resolvable name") << "http://localhost:9" << true;
        QTest::newRow("unresolvable name") << "https://no-such-host.invalid" << false;
        QTest::newRow("folder") << folder << true;
        QTest::newRow("missing folder") << folder + "/missing" << false;
        QTest::newRow("file in place of the folder") << folder + "/zolen/adapter/zoleninfo.xml" << false;
    }
    void reachability() {
        QFETCH(QString, url);
        QFETCH(bool, reachable);
        NetworkInterface network(*DownloadHost::fromUrl(url));
        QCOMPARE(network.isNetworkReachable(), reachable);
    }

    // A listener may ask on the network thread itself, where no answer could arrive while it waited.
    void reachabilityAskedFromAListenerCall() {
        struct AskingListener : RecordingNotificationListener {
            NetworkInterface* network = nullptr;
            std::atomic<int> reachable = -1;
            void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                       const std::optional<NetworkError>& error) override {
                reachable = network->isNetworkReachable() ? 1 : 0;
                RecordingNotificationListener::fileDownloadCompleted(type, data, error);
            }
        };
        NetworkInterface network(
            *DownloadHost::fromUrl(QString(host.url()).replace("127.0.0.1", "localhost")));
        auto listener = std::make_shared<AskingListener>();
        listener->network = &network;
        network.setNotificationDelegate(listener);
        QVERIFY(network.downloadAdapterModelsInfo());
        QCOMPARE(listener->waitFor(1).size(), 1);
        QCOMPARE(listener->reachable.load(), 1);
    }
};

QTEST_GUILESS_MAIN(TestNetworkInterface)
#include "tst_networkinterface.moc"
