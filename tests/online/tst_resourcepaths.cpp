#include "online/DownloadHost.h"
#include "online/DownloadHostSetting.h"
#include "online/NetworkInterface.h"
#include "online/ResourcePaths.h"

#include <QCommandLineParser>
#include <QTest>

using namespace lensdock;

class TestResourcePaths : public QObject {
    Q_OBJECT

private slots:
    void adapterCatalogueAddressUsesTheDefaultHostOverHttps() {
        const QUrl address = DownloadHost().address(ResourcePaths::adapterModelsInfo());
        QCOMPARE(address.scheme(), QString("https"));
        QVERIFY(!address.host().isEmpty());
        QCOMPARE(address.port(), -1);
        QVERIFY2(address.toString().endsWith("/zolen/adapter/zoleninfo.xml"), qPrintable(address.toString()));
    }

    void lensPathsOfModelA000OnMount2() {
        const QString suffix = ResourcePaths::mountSuffix(2);
        QCOMPARE(ResourcePaths::lensImage("A000", suffix), QString("zolen/lens/lensimage_A000N0.png"));
        QCOMPARE(ResourcePaths::focusLimitImage("A000"), QString("zolen/lens/focuslimit_A000.png"));
        QCOMPARE(ResourcePaths::focusAdjustmentImage("A000"), QString("zolen/lens/focusadjustment_A000.png"));
        QCOMPARE(ResourcePaths::lensModelsInfo("A000", suffix), QString("zolen/lens/lensinfo_A000N0.xml"));
        QCOMPARE(ResourcePaths::adapterFirmware("adapter_0105.bin"),
                 QString("zolen/adapter/adapter_0105.bin"));
        QCOMPARE(ResourcePaths::lensFirmware("A000_0105.bin"), QString("zolen/lens/A000_0105.bin"));
    }

    void mountSuffixOfEachMountCode_data() {
        QTest::addColumn<int>("mountInfo");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("1") << 1 << "E0";
        QTest::newRow("2") << 2 << "N0";
        QTest::newRow("3") << 3 << "S0";
        QTest::newRow("0") << 0 << "";
        QTest::newRow("4") << 4 << "";
        QTest::newRow("255") << 255 << "";
    }
    void mountSuffixOfEachMountCode() {
        QFETCH(int, mountInfo);
        QFETCH(QString, suffix);
        QCOMPARE(ResourcePaths::mountSuffix(mountInfo), suffix);
    }

    void lensWithoutKnownMountHasNoSuffix() {
        QCOMPARE(ResourcePaths::lensModelsInfo("A000", ResourcePaths::mountSuffix(0)),
                 QString("zolen/lens/lensinfo_A000.xml"));
    }

    void hostileModelCodeIsRefused_data() {
        QTest::addColumn<QString>("modelCode");
        QTest::newRow("parent folder") << "../../etc";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("slash") << "A0/0";
        QTest::newRow("backslash") << "A0\\0";
        QTest::newRow("percent") << "%2e%2e";
        QTest::newRow("query") << "A0?x=1";
        QTest::newRow("fragment") << "A0#x";
        QTest::newRow("space") << "A0 0";
        QTest::newRow("dot") << "A0.0";
        QTest::newRow("control") << QString::fromLatin1("A0\x01\x00", 4);
        QTest::newRow("line feed") << "A000\n";
        QTest::newRow("non-ASCII") << QString::fromUtf8("A\xc3\xa9");
        QTest::newRow("empty") << "";
        QTest::newRow("URL") << "http://example.com/A000";
        QTest::newRow("scheme only") << "file:A000";
        QTest::newRow("encoded slash") << "A0%2F0";
        QTest::newRow("overlong") << QString(65, 'A');
    }
    void hostileModelCodeIsRefused() {
        QFETCH(QString, modelCode);
        QString refusal;
        QVERIFY(!ResourcePaths::lensModelsInfo(modelCode, "N0", &refusal));
        QVERIFY2(refusal.startsWith("Refused model code"), qPrintable(refusal));
        QVERIFY(!ResourcePaths::lensImage(modelCode, "N0"));
        QVERIFY(!ResourcePaths::focusAdjustmentImage(modelCode));
        QVERIFY(!ResourcePaths::focusLimitImage(modelCode));
    }

    void refusalShowsControlCharactersEscaped() {
        QString refusal;
        QVERIFY(!ResourcePaths::lensImage(QString::fromLatin1("A\n/%"), "", &refusal));
        QVERIFY2(refusal.contains("A%0A/%25"), qPrintable(refusal));
        QVERIFY(!refusal.contains('\n'));
    }

    void hostileMountSuffixIsRefused_data() {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("climbing") << "/../x";
        QTest::newRow("query") << "N0?";
        QTest::newRow("encoded") << "%00";
        QTest::newRow("overlong") << QString(65, '0');
    }
    void hostileMountSuffixIsRefused() {
        QFETCH(QString, suffix);
        QString refusal;
        QVERIFY(!ResourcePaths::lensModelsInfo("A000", suffix, &refusal));
        QVERIFY2(refusal.startsWith("Refused mount suffix"), qPrintable(refusal));
        QVERIFY(!ResourcePaths::lensImage("A000", suffix));
    }

    void firmwareFileNames_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "A000_0105.bin" << true;
        QTest::newRow("two extensions") << "fw-2.enc.bin" << true;
        QTest::newRow("climbing") << "../A000.bin" << false;
        QTest::newRow("hidden") << ".bin" << false;
        QTest::newRow("double dot") << "a..bin" << false;
        QTest::newRow("folder") << "x/a.bin" << false;
        QTest::newRow("trailing dot") << "a." << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("URL") << "http://host/a.bin" << false;
        QTest::newRow("longest") << QString(60, 'a') + ".bin" << true;
        QTest::newRow("overlong") << QString(61, 'a') + ".bin" << false;
    }
    void firmwareFileNames() {
        QFETCH(QString, fileName);
        QFETCH(bool, accepted);
        QCOMPARE(ResourcePaths::lensFirmware(fileName).has_value(), accepted);
        QCOMPARE(ResourcePaths::adapterFirmware(fileName).has_value(), accepted);
    }

    void downloadUrlOption_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("address");
        QTest::newRow("http with port")
            << "http://127.0.0.1:8080" << true << "http://127.0.0.1:8080/zolen/adapter/zoleninfo.xml";
        QTest::newRow("https mirror")
            << "https://mirror.test" << true << "https://mirror.test/zolen/adapter/zoleninfo.xml";
        QTest::newRow("trailing slash")
            << "https://mirror.test:444/" << true << "https://mirror.test:444/zolen/adapter/zoleninfo.xml";
        QTest::newRow("IPv6") << "http://[::1]:81" << true << "http://[::1]:81/zolen/adapter/zoleninfo.xml";
        QTest::newRow("other scheme") << "ftp://mirror.test" << false << "";
        QTest::newRow("folder") << "file:///tmp/kit" << true << "file:///tmp/kit/zolen/adapter/zoleninfo.xml";
        QTest::newRow("folder on localhost")
            << "file://localhost/tmp/kit/" << true << "file:///tmp/kit/zolen/adapter/zoleninfo.xml";
        QTest::newRow("folder with a space")
            << "file:///tmp/my kit" << true << "file:///tmp/my kit/zolen/adapter/zoleninfo.xml";
        QTest::newRow("folder on another computer") << "file://server/kit" << false << "";
        QTest::newRow("relative folder") << "file:kit" << false << "";
        QTest::newRow("folder with a query") << "file:///tmp/kit?x" << false << "";
        QTest::newRow("no host") << "http://" << false << "";
        QTest::newRow("path") << "http://mirror.test/base" << false << "";
        QTest::newRow("user") << "http://user@mirror.test" << false << "";
        QTest::newRow("query") << "http://mirror.test?x" << false << "";
        QTest::newRow("not a URL") << "mirror test" << false << "";
    }
    void downloadUrlOption() {
        QFETCH(QString, url);
        QFETCH(bool, accepted);
        QFETCH(QString, address);
        QCommandLineParser parser;
        parser.addOption(DownloadHost::commandLineOption());
        QVERIFY(parser.parse({"app", "--download-url", url}));
        QString error;
        DownloadHostSetting::Candidates candidates = DownloadHostSetting::fromSystem(parser);
        QCOMPARE(candidates.commandLine, url);
        const auto choice = DownloadHostSetting::choose(candidates, &error);
        QCOMPARE(choice.has_value(), accepted);
        if (choice)
            QCOMPARE(choice->host.address(ResourcePaths::adapterModelsInfo()).toString(), address);
        else
            QVERIFY2(error.contains(url), qPrintable(error));
    }

    void withoutTheOptionTheCommandLineSetsNothing() {
        QCommandLineParser parser;
        parser.addOption(DownloadHost::commandLineOption());
        QVERIFY(parser.parse({"app"}));
        QVERIFY(!DownloadHostSetting::fromSystem(parser).commandLine);
    }

    void literalAddresses_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("literal");
        QTest::newRow("IPv4") << "http://127.0.0.1:1" << true;
        QTest::newRow("IPv6") << "http://[::1]:1" << true;
        QTest::newRow("name") << "http://localhost:1" << false;
    }
    void literalAddresses() {
        QFETCH(QString, url);
        QFETCH(bool, literal);
        QCOMPARE(DownloadHost::fromUrl(url)->isLiteralAddress(), literal);
    }

    void fileTypeOfName_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<NetworkFileType>("type");
        QTest::newRow("adapter catalogue") << "zoleninfo.xml" << NetworkFileType::adapterModelsInfo;
        QTest::newRow("lens catalogue") << "lensinfo_A000N0.xml" << NetworkFileType::lensModelsInfo;
        QTest::newRow("lens picture") << "lensimage_A000N0.png" << NetworkFileType::lensImage;
        QTest::newRow("focus adjustment")
            << "focusadjustment_A000.png" << NetworkFileType::focusAdjustmentImage;
        QTest::newRow("focus limit") << "focuslimit_A000.png" << NetworkFileType::focusLimitImage;
        QTest::newRow("unmatched") << "moved-elsewhere.png" << NetworkFileType::focusLimitImage;
        QTest::newRow("case differs") << "LENSINFO_A000.xml" << NetworkFileType::focusLimitImage;
        QTest::newRow("empty") << "" << NetworkFileType::focusLimitImage;
    }
    void fileTypeOfName() {
        QFETCH(QString, fileName);
        QFETCH(NetworkFileType, type);
        QCOMPARE(networkFileTypeOf(fileName), type);
    }

    void reportOfADataTask_data() {
        QTest::addColumn<int>("status"); // 0: no response
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("hasBody");
        QTest::addColumn<QString>("transportError"); // empty: none
        QTest::addColumn<NetworkFileType>("type");
        QTest::addColumn<QString>("domain"); // empty: data reported
        QTest::addColumn<int>("code");
        const QString catalogue = "https://h/zolen/lens/lensinfo_A000N0.xml";
        const QString picture = "https://h/zolen/lens/lensimage_A000N0.png";
        QTest::newRow("200 with data") << 200 << catalogue << QByteArray("<x/>") << true << ""
                                       << NetworkFileType::lensModelsInfo << "" << 0;
        QTest::newRow("200 empty") << 200 << catalogue << QByteArray() << true << ""
                                   << NetworkFileType::lensModelsInfo << "DATA SIZE ERROR 0 Byte" << 200;
        QTest::newRow("404 empty") << 404 << catalogue << QByteArray() << true << ""
                                   << NetworkFileType::lensModelsInfo << "DATA SIZE ERROR 0 Byte" << 404;
        QTest::newRow("404 page") << 404 << catalogue << QByteArray("<html/>") << true << ""
                                  << NetworkFileType::lensModelsInfo << "HTTP ERROR 404" << 404;
        QTest::newRow("503 page") << 503 << picture << QByteArray("busy") << true << ""
                                  << NetworkFileType::lensImage << "HTTP ERROR 503" << 503;
        QTest::newRow("transport error") << 0 << picture << QByteArray() << false << "timed out"
                                         << NetworkFileType::lensImage << NetworkError::platformDomain << 4;
        QTest::newRow("error beside data")
            << 200 << catalogue << QByteArray("<x") << true << "reset" << NetworkFileType::lensModelsInfo
            << NetworkError::platformDomain << 4;
        QTest::newRow("nothing at all") << 0 << "" << QByteArray() << false << ""
                                        << NetworkFileType::focusLimitImage << "NO RESPONSE" << 0;
        QTest::newRow("data without response") << 0 << "" << QByteArray("x") << true << ""
                                               << NetworkFileType::focusLimitImage << "NO RESPONSE" << 0;
    }
    void reportOfADataTask() {
        QFETCH(int, status);
        QFETCH(QString, url);
        QFETCH(QByteArray, body);
        QFETCH(bool, hasBody);
        QFETCH(QString, transportError);
        QFETCH(NetworkFileType, type);
        QFETCH(QString, domain);
        QFETCH(int, code);
        DataTaskOutcome outcome;
        if (status != 0)
            outcome.response = HttpResponse{QUrl(url), status};
        if (hasBody)
            outcome.data = body;
        if (!transportError.isEmpty())
            outcome.error = NetworkError{NetworkError::platformDomain, 4, transportError, QUrl(url)};

        const FileDownloadReport report = NetworkInterface::reportFor(outcome);
        QCOMPARE(report.type, type);
        QCOMPARE(report.data.has_value(), domain.isEmpty());
        QCOMPARE(report.error.has_value(), !domain.isEmpty());
        if (report.data)
            QCOMPARE(*report.data, body);
        if (report.error) {
            QCOMPARE(report.error->domain, domain);
            QCOMPARE(report.error->code, code);
        }
        if (!transportError.isEmpty())
            QCOMPARE(report.error->description, transportError);
    }
};

QTEST_GUILESS_MAIN(TestResourcePaths)
#include "tst_resourcepaths.moc"
