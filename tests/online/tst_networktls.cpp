#include "LocalDownloadHost.h"
#include "online/NetworkInterface.h"
#include "RecordingListeners.h"

#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTest>

using namespace lensdock;

namespace {
const QByteArray catalogue = "<zoleninfo>2026/03/04 05:06:07,0102,KEY</zoleninfo>";
}

class TestNetworkTls : public QObject {
    Q_OBJECT
    LocalDownloadHost trusted{LocalDownloadHost::Tls::trusted};
    LocalDownloadHost untrusted{LocalDownloadHost::Tls::untrusted};

    static std::vector<FileDownloadCall> downloadCatalogueFrom(const LocalDownloadHost& host) {
        NetworkInterface network(host.downloadHost());
        auto listener = std::make_shared<RecordingNotificationListener>();
        network.setNotificationDelegate(listener);
        if (!network.downloadAdapterModelsInfo())
            return {};
        return listener->waitForCalls(1);
    }

private slots:
    void initTestCase() {
        // The test CA must be known before the first request.
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        QVERIFY(configuration.addCaCertificates(LocalDownloadHost::caCertificatePath()));
        QSslConfiguration::setDefaultConfiguration(configuration);
        QString error;
        QVERIFY2(trusted.start(&error), qPrintable(error));
        QVERIFY2(untrusted.start(&error), qPrintable(error));
        trusted.put("zolen/adapter/zoleninfo.xml", catalogue);
        untrusted.put("zolen/adapter/zoleninfo.xml", catalogue);
        QVERIFY(trusted.url().startsWith("https://"));
    }

    void hostWithACertificateOfATrustedAuthorityServesTheCatalogue() {
        const auto calls = downloadCatalogueFrom(trusted);
        QCOMPARE(calls.size(), size_t(1));
        QVERIFY2(!calls[0].error, calls[0].error ? qPrintable(calls[0].error->description) : "");
        QCOMPARE(calls[0].data, catalogue);
    }

    void hostWithAnUntrustedCertificateIsRefused() {
        const auto calls = downloadCatalogueFrom(untrusted);
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].type, NetworkFileType::adapterModelsInfo);
        QVERIFY(!calls[0].data);
        QVERIFY(calls[0].error);
        QCOMPARE(calls[0].error->domain, NetworkError::platformDomain);
        QCOMPARE(calls[0].error->code, int(QNetworkReply::SslHandshakeFailedError));
    }

    void firmwareFromAnUntrustedHostIsRefused() {
        NetworkInterface network(untrusted.downloadHost());
        auto listener = std::make_shared<RecordingFirmwareListener>();
        network.setDelegate(listener);
        QVERIFY(network.downloadAdapterFirmware("zoleninfo.xml"));
        QVERIFY(listener->waitForCompletion());
        QCOMPARE(listener->finished(), QList<QByteArray>());
        QCOMPARE(listener->completed()[0]->code, int(QNetworkReply::SslHandshakeFailedError));
    }
};

QTEST_GUILESS_MAIN(TestNetworkTls)
#include "tst_networktls.moc"
