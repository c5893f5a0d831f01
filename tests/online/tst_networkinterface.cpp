#include "LocalDownloadHost.h"
#include "LogCapture.h"
#include "online/NetworkInterface.h"
#include "RecordingListeners.h"

#include <atomic>
#include <QFile>
#include <QNetworkReply>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::NetworkLimits)
using namespace std::chrono_literals;

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

} // namespace

class TestNetworkInterface : public QObject {
    Q_OBJECT
    LocalDownloadHost host;

    struct Service {
        std::shared_ptr<RecordingNotificationListener> listener =
            std::make_shared<RecordingNotificationListener>();
        std::shared_ptr<RecordingFirmwareListener> firmware = std::make_shared<RecordingFirmwareListener>();
        std::unique_ptr<NetworkInterface> network;
    };

    Service service(NetworkLimits limits = NetworkLimits()) {
        Service result;
        result.network = std::make_unique<NetworkInterface>(host.downloadHost(), limits);
        result.network->setNotificationDelegate(result.listener);
        result.network->setDelegate(result.firmware);
        return result;
    }

    static NetworkLimits idleTimeoutOf(std::chrono::milliseconds idle) {
        NetworkLimits limits;
        limits.requestTimeout = idle;
        return limits;
    }

private slots:
    void initTestCase() {
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put("zolen/adapter/zoleninfo.xml", adapterCatalogue);
        host.put("zolen/lens/lensinfo_E000N0.xml", "");
        host.put("zolen/lens/lensimage_A000N0.png", lensPicture);
        host.put("zolen/lens/moved-elsewhere.png", movedPicture);
        host.put("zolen/lens/big.bin", countingBytes(1000));
        host.put("zolen/lens/fw_empty.bin", "");
        host.put("zolen/adapter/fw_UNSIZED.bin", countingBytes(700));
        host.put("zolen/lens/fw_big.bin", countingBytes(1000));
        host.put("zolen/lens/fw_big_UNSIZED.bin", countingBytes(1000));
    }

    void catalogueWithStatus200IsReportedAsData() {
        LogCapture log;
        Service s = service();
        QVERIFY(s.network->downloadAdapterModelsInfo());
        const auto calls = s.listener->waitForCalls(1);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].type, NetworkFileType::adapterModelsInfo);
        QVERIFY(!calls[0].error);
        QCOMPARE(calls[0].data, adapterCatalogue);
        QVERIFY(log.contains("[Network] " + host.url() + "/zolen/adapter/zoleninfo.xml"));
    }

    void dataDownloadOutcomes_data() {
        QTest::addColumn<bool>("picture"); // lens picture, else lens catalogue
        QTest::addColumn<QString>("modelCode");
        QTest::addColumn<NetworkFileType>("type");
        QTest::addColumn<QString>("domain"); // empty: data expected
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty body") << false << "E000" << NetworkFileType::lensModelsInfo
                                    << "DATA SIZE ERROR 0 Byte" << 200 << QByteArray();
        QTest::newRow("missing file")
            << false << "B404" << NetworkFileType::lensModelsInfo << "HTTP ERROR 404" << 404 << QByteArray();
        QTest::newRow("lens picture")
            << true << "A000" << NetworkFileType::lensImage << "" << 0 << lensPicture;
        QTest::newRow("redirect to an unmatched name")
            << true << "MOVED" << NetworkFileType::focusLimitImage << "" << 0 << movedPicture;
    }
    void dataDownloadOutcomes() {
        QFETCH(bool, picture);
        QFETCH(QString, modelCode);
        QFETCH(NetworkFileType, type);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QByteArray, data);
        Service s = service();
        QVERIFY(picture ? s.network->downloadLensImage(modelCode, "N0")
                        : s.network->downloadLensModelsInfo(modelCode, "N0"));
        const auto calls = s.listener->waitForCalls(1);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].type, type);
        QCOMPARE(calls[0].data.has_value(), domain.isEmpty());
        QCOMPARE(calls[0].error.has_value(), !domain.isEmpty());
        if (calls[0].data)
            QCOMPARE(*calls[0].data, data);
        if (calls[0].error) {
            QCOMPARE(calls[0].error->domain, domain);
            QCOMPARE(calls[0].error->code, code);
        }
    }

    void pictureTimeOutIsClassifiedFromTheFailingAddress_data() {
        QTest::addColumn<NetworkLimits>("limits");
        NetworkLimits whole;
        whole.requestTimeout = 30s;
        whole.downloadFileTimeout = 150ms;
        QTest::newRow("idle") << idleTimeoutOf(150ms);
        QTest::newRow("whole transfer") << whole;
    }
    void pictureTimeOutIsClassifiedFromTheFailingAddress() {
        QFETCH(NetworkLimits, limits);
        Service s = service(limits);
        QVERIFY(s.network->downloadLensImage("HOLD", "N0"));
        const auto calls = s.listener->waitForCalls(1);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].type, NetworkFileType::lensImage);
        QVERIFY(!calls[0].data);
        QVERIFY(calls[0].error);
        QCOMPARE(calls[0].error->domain, NetworkError::platformDomain);
        QCOMPARE(calls[0].error->code, int(QNetworkReply::TimeoutError));
        QVERIFY(calls[0].error->isTimeout());
        QCOMPARE(calls[0].error->failingUrl.fileName(), QString("lensimage_HOLDN0.png"));
    }

    void replyLargerThanTheBoundIsAnError() {
        NetworkLimits limits;
        limits.maxDataBytes = 100;
        Service s = service(limits);
        QVERIFY(s.network->downloadFile("zolen/lens/big.bin"));
        const auto calls = s.listener->waitForCalls(1);
        QCOMPARE(calls.size(), size_t(1));
        QVERIFY(!calls[0].data);
        QCOMPARE(calls[0].error->domain, NetworkError::tooLargeDomain);
    }

    void lensDownloadsRecordTheirPaths() {
        Service s = service();
        QVERIFY(s.network->downloadLensModelsInfo("A000", "N0"));
        QVERIFY(s.network->downloadLensImage("A000", "N0"));
        QVERIFY(s.network->downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, "A000"));
        QVERIFY(s.network->downloadLensFeatureImage(NetworkFileType::lensImage, "A000"));
        QCOMPARE(NetworkInterface::lensModelsInfoPath(), QString("zolen/lens/lensinfo_A000N0.xml"));
        QCOMPARE(NetworkInterface::lensImagePath(), QString("zolen/lens/lensimage_A000N0.png"));
        QCOMPARE(NetworkInterface::focusAdjustmentImagePath(),
                 QString("zolen/lens/focusadjustment_A000.png"));
        QCOMPARE(NetworkInterface::focusLimitImagePath(), QString("zolen/lens/focuslimit_A000.png"));
        const auto calls = s.listener->waitForCalls(4);
        QCOMPARE(calls.size(), size_t(4));
        QList<NetworkFileType> types;
        for (const auto& call : calls)
            types << call.type;
        std::sort(types.begin(), types.end());
        QCOMPARE(types, (QList<NetworkFileType>{NetworkFileType::lensModelsInfo, NetworkFileType::lensImage,
                                                NetworkFileType::focusAdjustmentImage,
                                                NetworkFileType::focusLimitImage}));
    }

    void hostileModelCodeIsRefusedBeforeAnyRequest_data() {
        QTest::addColumn<QString>("modelCode");
        QTest::newRow("climbing") << "../../../etc/passwd";
        QTest::newRow("query") << "A0?redirect=x";
        QTest::newRow("percent") << "%2e%2e";
        QTest::newRow("control") << QString::fromLatin1("A0\r\n");
        QTest::newRow("non-ASCII") << QString::fromUtf8("\xe3\x83\xac\xe3\x83\xb3");
    }
    void hostileModelCodeIsRefusedBeforeAnyRequest() {
        QFETCH(QString, modelCode);
        Service s = service();
        QVERIFY(s.network->downloadLensModelsInfo("A000", "N0"));
        QVERIFY(s.listener->waitForCalls(1).size() == 1);
        LogCapture log;
        QVERIFY(!s.network->downloadLensModelsInfo(modelCode, "N0"));
        const auto calls = s.listener->waitForCalls(2);
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[1].type, NetworkFileType::lensModelsInfo);
        QVERIFY(!calls[1].data);
        QCOMPARE(calls[1].error->domain, NetworkError::refusedNameDomain);
        QCOMPARE(NetworkInterface::lensModelsInfoPath(), QString("zolen/lens/lensinfo_A000N0.xml"));
        QCOMPARE(log.untimed().size(), 1);
        QVERIFY2(log.untimed().first().startsWith("[Network] Refused model code"),
                 qPrintable(log.lines().first()));
    }

    void unsafeDownloadPathIsRefused() {
        Service s = service();
        QVERIFY(!s.network->downloadFile("zolen/../../secret.xml"));
        const auto calls = s.listener->waitForCalls(1);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].error->domain, NetworkError::refusedNameDomain);
    }

    void firmwareProgressFollowsTheAnnouncedSize() {
        Service s = service();
        QVERIFY(s.network->downloadLensFirmware("fw_STAGED.bin"));
        QVERIFY2(s.firmware->waitForProgress(0.25),
                 qPrintable(QString::number(s.firmware->progress().size())));
        host.put("release", "");
        QVERIFY(s.firmware->waitForCompletion());
        QCOMPARE(s.firmware->finished(), QList<QByteArray>{countingBytes(1000)});
        QCOMPARE(s.firmware->completed().size(), size_t(1));
        QVERIFY(!s.firmware->completed()[0]);
        QCOMPARE(s.firmware->progress().last(), 1.0);
        const QStringList events = s.firmware->events();
        QCOMPARE(events.mid(events.size() - 2), (QStringList{"finished", "completed"}));
    }

    void firmwareOfUnannouncedSizeReportsNoProgress() {
        Service s = service();
        QVERIFY(s.network->downloadAdapterFirmware("fw_UNSIZED.bin"));
        QVERIFY(s.firmware->waitForCompletion());
        QCOMPARE(s.firmware->progress(), QList<double>());
        QCOMPARE(s.firmware->finished(), QList<QByteArray>{countingBytes(700)});
        QVERIFY(!s.firmware->completed()[0]);
    }

    void firmwareFailures_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("started");
        QTest::newRow("too large") << "fw_big.bin" << qint64(999) << "DATA SIZE ERROR too large" << true;
        QTest::newRow("too large, size not announced")
            << "fw_big_UNSIZED.bin" << qint64(600) << "DATA SIZE ERROR too large" << true;
        QTest::newRow("unsafe name") << "../fw_big.bin" << qint64(1000) << "INVALID RESOURCE NAME" << false;
    }
    void firmwareFailures() {
        QFETCH(QString, fileName);
        QFETCH(qint64, maxBytes);
        QFETCH(QString, domain);
        QFETCH(bool, started);
        NetworkLimits limits;
        limits.maxFirmwareBytes = maxBytes;
        Service s = service(limits);
        QCOMPARE(s.network->downloadLensFirmware(fileName), started);
        QVERIFY(s.firmware->waitForCompletion());
        QCOMPARE(s.firmware->finished(), QList<QByteArray>());
        QCOMPARE(s.firmware->completed().size(), size_t(1));
        QVERIFY(s.firmware->completed()[0]);
        QCOMPARE(s.firmware->completed()[0]->domain, domain);
    }

    // Whatever the host answers is handed over as the file; the decoder refuses what is no firmware.
    void firmwareStatusIsLeftToTheDecoder_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("emptyBody");
        QTest::newRow("missing: the error page") << "fw_missing.bin" << false;
        QTest::newRow("empty") << "fw_empty.bin" << true;
    }
    void firmwareStatusIsLeftToTheDecoder() {
        QFETCH(QString, fileName);
        QFETCH(bool, emptyBody);
        Service s = service(NetworkLimits());
        QVERIFY(s.network->downloadLensFirmware(fileName));
        QVERIFY(s.firmware->waitForCompletion());
        QCOMPARE(s.firmware->finished().size(), 1);
        QCOMPARE(s.firmware->finished().first().isEmpty(), emptyBody);
        QCOMPARE(s.firmware->completed().size(), size_t(1));
        QVERIFY(!s.firmware->completed()[0]);
    }

    void firmwareDownloadNeedsAListener() {
        NetworkInterface network(host.downloadHost());
        LogCapture log;
        QVERIFY(!network.downloadLensFirmware("fw_big.bin"));
        QCOMPARE(log.untimed(),
                 QStringList{"[Network] Firmware download refused: no listener is registered"});
    }

    void listenerRegisteredLastReceivesTheResult() {
        Service s = service();
        auto later = std::make_shared<RecordingNotificationListener>();
        s.network->setNotificationDelegate(later);
        QVERIFY(s.network->downloadAdapterModelsInfo());
        QCOMPARE(later->waitForCalls(1).size(), size_t(1));
        QCOMPARE(s.listener->calls().size(), size_t(0));
    }

    void withoutListenerTheResultIsDropped() {
        NetworkInterface network(host.downloadHost());
        DataTaskOutcome outcome;
        outcome.response = HttpResponse{QUrl(host.url() + "/zolen/adapter/zoleninfo.xml"), 200};
        outcome.data = adapterCatalogue;
        network.dataTaskCompleted(outcome);
        auto listener = std::make_shared<RecordingNotificationListener>();
        network.setNotificationDelegate(listener);
        network.setNotificationDelegate(nullptr);
        network.dataTaskCompleted(outcome);
        QCOMPARE(listener->calls().size(), size_t(0));
    }

    void droppingTheServiceWithADownloadInFlightReportsNothing() {
        auto listener = std::make_shared<RecordingNotificationListener>();
        {
            NetworkInterface network(host.downloadHost());
            network.setNotificationDelegate(listener);
            QVERIFY(network.downloadLensImage("HOLD", "N0"));
        }
        QCOMPARE(listener->calls().size(), size_t(0));
    }

    // A listener may ask on the network thread itself, where no answer could arrive while it waited.
    void reachabilityAskedFromAListenerCall() {
        struct AskingListener : NetworkInterfaceNotificationDelegate {
            NetworkInterface* network = nullptr;
            RecordingNotificationListener recorder;
            std::atomic<int> reachable = -1;
            void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                       const std::optional<NetworkError>& error) override {
                reachable = network->isNetworkReachable() ? 1 : 0;
                recorder.fileDownloadCompleted(type, data, error);
            }
        };
        const QString byName = QString(host.url()).replace("127.0.0.1", "localhost");
        NetworkInterface network(*DownloadHost::fromUrl(byName));
        auto listener = std::make_shared<AskingListener>();
        listener->network = &network;
        network.setNotificationDelegate(listener);
        QVERIFY(network.downloadAdapterModelsInfo());
        QCOMPARE(listener->recorder.waitForCalls(1).size(), size_t(1));
        QCOMPARE(listener->reachable.load(), 1);
    }

    void reachability_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("literal address") << host.url() << true;
        QTest::newRow("literal address without server") << "http://192.0.2.1:9" << true;
        QTest::newRow("resolvable name") << "http://localhost:9" << true;
        QTest::newRow("unresolvable name") << "https://no-such-host.invalid" << false;
    }
    void reachability() {
        QFETCH(QString, url);
        QFETCH(bool, reachable);
        NetworkInterface network(*DownloadHost::fromUrl(url));
        QCOMPARE(network.isNetworkReachable(), reachable);
    }
};

QTEST_GUILESS_MAIN(TestNetworkInterface)
#include "tst_networkinterface.moc"
