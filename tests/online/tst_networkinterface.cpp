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
const QByteArray catalogue = "<zoleninfo>2026/03/04 05:06:07,0102,KEY</zoleninfo>";

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
// catalogue), "picture <code>", "adjustment <code>", "file <path>", "adapterfw <name>" or "lensfw
// <name>"; lenses on mount N0.
bool request(NetworkInterface& network, const QString& what) {
    const QString verb = what.section(' ', 1, 1);
    const QString name = what.section(' ', 2);
    if (verb == "catalogue")
        return network.downloadAdapterModelsInfo();
    if (verb == "lens")
        return network.downloadLensModelsInfo(name, "N0");
    if (verb == "picture")
        return network.downloadLensImage(name, "N0");
    if (verb == "adjustment")
        return network.downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, name);
    if (verb == "adapterfw")
        return network.downloadAdapterFirmware(name);
    if (verb == "lensfw")
        return network.downloadLensFirmware(name);
    return network.downloadFile(name);
}

// What the data listener was told: the type, then "data <content>" or "<error domain> <code>", marked
// when the error is a time-out.
QString describe(const QList<FileDownloadCall>& calls) {
    QStringList told;
    for (const FileDownloadCall& call : calls) {
        const QString type = QStringList{"adapter catalogue", "lens catalogue", "lens picture",
                                         "adjustment picture", "limit picture"}[int(call.type)];
        if (!call.error)
            told << type + ": data " + QString::fromUtf8(call.data.value_or("(none)"));
        else
            told << QString("%1: %2 %3%4")
                        .arg(type, call.error->domain, QString::number(call.error->code),
                             call.error->isTimeout() ? " (time-out)" : "");
    }
    return told.join(", ");
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
            each->put("zolen/adapter/zoleninfo.xml", catalogue);
        }
        const std::pair<const char*, QByteArray> files[] = {
            {"lens/lensinfo_E000N0.xml", ""},
            {"lens/lensinfo_BIGN0.xml", QByteArray(1000, 'x')},
            {"lens/lensimage_A000N0.png", "picture"},
            {"lens/focusadjustment_A000.png", "adjustment"},
            {"lens/moved-elsewhere.png", "moved"},
            {"lens/fw_empty.bin", ""},
            {"adapter/fw_UNSIZED.bin", countingBytes(700)},
            {"lens/fw_big.bin", countingBytes(1000)},
            {"lens/fw_big_UNSIZED.bin", countingBytes(1000)}};
        for (const auto& [path, content] : files)
            host.put(QString("zolen/") + path, content);
        QVERIFY(QFile(outside.filePath("secret.png")).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(outside.filePath("secret.png"),
                            host.rootPath() + "/zolen/lens/lensimage_LINKN0.png"));
        QVERIFY(QFile::link(host.rootPath() + "/zolen/adapter/zoleninfo.xml",
                            host.rootPath() + "/zolen/lens/lensinfo_INSIDEN0.xml"));
    }

    // Each download as `what` (the host, then the download) with its size and time bounds, and what
    // its listener is told: the data report, or the firmware listener's calls. A refused name is never
    // asked for. Whatever a host answers is the firmware file; the decoder refuses what is none.
    void downloads_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<NetworkLimits>("limits");
        QTest::addColumn<QString>("told");
        const auto row = [](const QString& what, const QString& told, const NetworkLimits& limits = {},
                            const char* name = nullptr) {
            QTest::newRow(name ? name : qPrintable(what)) << what << limits << told;
        };
        const QString data = ": data " + QString(catalogue), missing = "picture: HTTP ERROR 404 404";
        const QString refused = NetworkError::refusedNameDomain + " 0";
        const QString timedOut = "lens picture: " + transport(QNetworkReply::TimeoutError) + " (time-out)";
        const QString tooLarge = "completed " + NetworkError::tooLargeDomain + " 200";
        const QString all700 = RecordingFirmwareListener::finishedWith(countingBytes(700));
        for (const QString source : {"http", "folder"}) {
            row(source + " catalogue", "adapter catalogue" + data);
            row(source + " lens E000", "lens catalogue: " + NetworkError::emptyDataDomain + " 200");
            row(source + " picture B404", "lens " + missing);
            row(source + " lens BIG", "lens catalogue: " + NetworkError::tooLargeDomain + " 200",
                {.maxDataBytes = 100});
        }
        // A web server serves nothing outside its root, so a symlink leading out is a missing file.
        row("folder picture LINK", "lens " + missing, {}, "folder: symlink leading out");
        row("folder lens INSIDE", "lens catalogue" + data, {}, "folder: symlink inside");
        row("folder file zolen/lens", "limit " + missing, {}, "folder: a folder in place of a file");
        row("http picture A000", "lens picture: data picture");
        row("http adjustment A000", "adjustment picture: data adjustment");
        row("http picture MOVED", "limit picture: data moved", {}, "redirect to an unmatched name");
        row("http picture HOLD", timedOut, {.requestTimeout = 150ms}, "idle time-out");
        row("http picture HOLD", timedOut, {.requestTimeout = 30s, .downloadFileTimeout = 150ms},
            "whole-transfer time-out");
        row("trusted catalogue", "adapter catalogue" + data);
        row("untrusted catalogue", "adapter catalogue: " + transport(QNetworkReply::SslHandshakeFailedError));
        row("http file zolen/../../secret.xml", "limit picture: " + refused);
        for (const QString& code :
             {"../../../etc/passwd", "A0?redirect=x", "%2e%2e", "A0\r\n", "\xe3\x83\xac"})
            row("http lens " + code, "lens catalogue: " + refused);
        row("http adapterfw fw_UNSIZED.bin", all700 + ", completed", {},
            "firmware of unannounced size: no progress");
        row("folder adapterfw fw_UNSIZED.bin", "progress 1, " + all700 + ", completed");
        row("http lensfw fw_empty.bin", RecordingFirmwareListener::finishedWith({}) + ", completed");
        row("folder lensfw fw_missing.bin",
            RecordingFirmwareListener::finishedWith("Not Found") + ", completed");
        row("http lensfw fw_big.bin", tooLarge, {.maxFirmwareBytes = 999});
        row("http lensfw fw_big_UNSIZED.bin", tooLarge, {.maxFirmwareBytes = 600});
        row("http lensfw ../fw_big.bin", "completed " + refused);
        row("untrusted adapterfw zoleninfo.xml",
            "completed " + transport(QNetworkReply::SslHandshakeFailedError));
    }
    void downloads() {
        QFETCH(QString, what);
        QFETCH(NetworkLimits, limits);
        QFETCH(QString, told);
        const bool refused = told.contains(NetworkError::refusedNameDomain);
        const QString recordedBefore = NetworkInterface::lensModelsInfoPath();
        LogCapture log;
        auto data = std::make_shared<RecordingNotificationListener>();
        auto firmware = std::make_shared<RecordingFirmwareListener>();
        NetworkInterface network(hostOf(what), limits);
        network.setNotificationDelegate(data);
        network.setDelegate(firmware);
        QCOMPARE(request(network, what), !refused);
        QCOMPARE(what.contains("fw ") ? firmware->waitForCompletion().join(", ") : describe(data->waitFor(1)),
                 told);
        // The address asked for is logged; a refused name is logged instead and changes no recorded path.
        const QString firstLine = log.untimed().value(0);
        QVERIFY2(firstLine.startsWith(refused ? "[Network] Refused" : "[Network] " + hostOf(what).toString()),
                 qPrintable(firstLine));
        QVERIFY(!refused || NetworkInterface::lensModelsInfoPath() == recordedBefore);
    }

    // Outcomes a real host does not produce (the downloads above show the others), told as they come.
    void reportsOfOtherOutcomes() {
        const QUrl url("https://h/zolen/lens/lensinfo_A000N0.xml");
        const NetworkError reset{NetworkError::platformDomain, QNetworkReply::RemoteHostClosedError, "reset",
                                 url};
        auto listener = std::make_shared<RecordingNotificationListener>();
        NetworkInterface network(host.downloadHost());
        network.setNotificationDelegate(listener);
        for (const DataTaskOutcome& outcome : {DataTaskOutcome{QByteArray(""), HttpResponse{url, 404}, {}},
                                               {QByteArray("<x"), HttpResponse{url, 200}, reset},
                                               {{}, {}, reset},
                                               {},
                                               {QByteArray("x"), {}, {}},
                                               {{}, HttpResponse{url, 200}, {}}})
            network.dataTaskCompleted(outcome);
        QCOMPARE(describe(listener->values()).split(", "),
                 (QStringList{"lens catalogue: DATA SIZE ERROR 0 Byte 404", "lens catalogue: QNetworkReply 2",
                              "lens catalogue: QNetworkReply 2", "limit picture: NO RESPONSE 0",
                              "limit picture: NO RESPONSE 0", "lens catalogue: NO RESPONSE 0"}));
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

    // Results go to the listener set last; with none set, or once the service is gone, they are
    // dropped. A listener may ask for reachability on the network thread itself, where no answer
    // could arrive while it waited (the host is named here, so it is looked up).
    void onlyTheCurrentListenerHears() {
        struct AskingListener : RecordingNotificationListener {
            NetworkInterface* network = nullptr;
            std::atomic<int> reachable = -1;
            void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                       const std::optional<NetworkError>& error) override {
                reachable = network->isNetworkReachable() ? 1 : 0;
                RecordingNotificationListener::fileDownloadCompleted(type, data, error);
            }
        };
        auto earlier = std::make_shared<RecordingNotificationListener>();
        auto later = std::make_shared<AskingListener>();
        {
            NetworkInterface network(
                *DownloadHost::fromUrl(QString(host.url()).replace("127.0.0.1", "localhost")));
            later->network = &network;
            network.setNotificationDelegate(earlier);
            network.setNotificationDelegate(later);
            QVERIFY(network.downloadAdapterModelsInfo());
            QCOMPARE(later->waitFor(1).size(), 1);
            QCOMPARE(later->reachable.load(), 1);
            network.setNotificationDelegate(nullptr);
            network.dataTaskCompleted(
                {catalogue, HttpResponse{host.url() + "/zolen/adapter/zoleninfo.xml", 200}, {}});
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
};

QTEST_GUILESS_MAIN(TestNetworkInterface)
#include "tst_networkinterface.moc"
