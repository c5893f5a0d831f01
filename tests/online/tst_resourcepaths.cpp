#include "LogCapture.h"
#include "online/DownloadHost.h"
#include "online/DownloadHostSetting.h"
#include "online/FileIO.h"
#include "online/NetworkInterface.h"
#include "online/ResourcePaths.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DownloadHostSource)

class TestResourcePaths : public QObject {
    Q_OBJECT

private slots:
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
        QCOMPARE(ResourcePaths::lensModelsInfo("A000", suffix), "zolen/lens/lensinfo_A000" + suffix + ".xml");
    }

    void hostileNamesAreRefused_data() {
        QTest::addColumn<QString>("modelCode");
        QTest::addColumn<QString>("suffix");
        QStringList codes = QString("../../etc|..|A0/0|A0\\0|%2e%2e|A0?x=1|A0#x|A0 0|A0.0|A000\n||"
                                    "http://example.com/A000|file:A000|A0%2F0")
                                .split('|');
        codes << QString::fromLatin1("A0\x01\x00", 4) << QString::fromUtf8("A\xc3\xa9") << QString(65, 'A');
        for (const QString& code : codes)
            QTest::addRow("model code %s", qPrintable(code.toUtf8().toPercentEncoding())) << code << "N0";
        for (const QString& suffix : {QString("/../x"), QString("N0?"), QString("%00"), QString(65, '0')})
            QTest::addRow("mount suffix %s", qPrintable(suffix.toUtf8().toPercentEncoding()))
                << "A000" << suffix;
    }
    void hostileNamesAreRefused() {
        QFETCH(QString, modelCode);
        QFETCH(QString, suffix);
        const bool codeRefused = modelCode != "A000";
        QString refusal;
        QVERIFY(!ResourcePaths::lensModelsInfo(modelCode, suffix, &refusal));
        // Printable: control characters in a refusal are escaped.
        QVERIFY2(refusal.startsWith(codeRefused ? "Refused model code" : "Refused mount suffix") &&
                     !refusal.contains(QRegularExpression("[\\x00-\\x1f]")),
                 qPrintable(refusal));
        QVERIFY(!ResourcePaths::lensImage(modelCode, suffix));
        QCOMPARE(!ResourcePaths::focusAdjustmentImage(modelCode), codeRefused);
        QCOMPARE(!ResourcePaths::focusLimitImage(modelCode), codeRefused);
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
        const auto path = [&](const QString& folder) {
            return accepted ? std::optional(folder + fileName) : std::nullopt;
        };
        QCOMPARE(ResourcePaths::lensFirmware(fileName), path("zolen/lens/"));
        QCOMPARE(ResourcePaths::adapterFirmware(fileName), path("zolen/adapter/"));
    }

    // Which host a run uses: --download-url, then the settings file, then the environment, then the
    // host chosen at build time. A broken value is an error naming where it was set, not a quiet
    // fall-back to a weaker one. (tst_clikit reads them from a real process's settings and environment.)
    void strongestSetSourceWins_data() {
        QTest::addColumn<QStringList>("given"); // option, settings file, environment; empty: not set
        QTest::addColumn<QString>("choice");    // "<source>: <host>" or "refused: <source>"
        const QString option = "https://option.test", settings = "https://settings.test";
        const QString environment = "file:///srv/kit", broken = "ftp://mirror.test";
        const QString builtIn = DownloadHost::fromUrl(LENSDOCK_EXPECTED_DOWNLOAD_URL)->toString();
        QTest::newRow("all three") << QStringList{option, settings, environment} << "command line: " + option;
        QTest::newRow("option over environment")
            << QStringList{option, "", environment} << "command line: " + option;
        QTest::newRow("settings over environment")
            << QStringList{"", settings, environment} << "settings file: " + settings;
        QTest::newRow("environment alone")
            << QStringList{"", "", environment} << "environment: " + environment;
        QTest::newRow("none") << QStringList{"", "", ""} << "built in: " + builtIn;
        QTest::newRow("broken settings") << QStringList{"", broken, environment} << "refused: settings file";
        QTest::newRow("broken option") << QStringList{broken, broken, environment} << "refused: command line";
    }
    void strongestSetSourceWins() {
        QFETCH(QStringList, given);
        QFETCH(QString, choice);
        const auto set = [&](int i) { return given[i].isEmpty() ? std::nullopt : std::optional(given[i]); };
        const QStringList sources{"command line", "settings file", "environment", "built in"};
        QString error;
        const auto chosen = DownloadHostSetting::choose({set(0), set(1), set(2)}, &error);
        if (chosen)
            QCOMPARE(sources[int(chosen->source)] + ": " + chosen->host.toString(), choice);
        else
            QVERIFY2(choice.startsWith("refused: ") && error.contains(choice.mid(9)) &&
                         error.contains("ftp://"),
                     qPrintable(error));
        QCOMPARE(DownloadHost(), *DownloadHost::fromUrl(LENSDOCK_EXPECTED_DOWNLOAD_URL));
    }

    // A literal address is reachable without a look-up; a folder when it is a readable folder.
    void downloadUrlOption_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("address"); // of the adapter catalogue; empty: refused
        QTest::addColumn<bool>("literal");
        QTest::addColumn<bool>("reachable");
        const auto accepted = [](const char* name, const char* url, const QString& base, bool literal,
                                 bool reachable) {
            QTest::newRow(name) << QString(url) << base + "/zolen/adapter/zoleninfo.xml" << literal
                                << reachable;
        };
        accepted("literal address without server", "http://192.0.2.1:8080", "http://192.0.2.1:8080", true,
                 true);
        accepted("resolvable name", "https://localhost", "https://localhost", false, true);
        accepted("unresolvable name", "https://mirror.invalid", "https://mirror.invalid", false, false);
        accepted("trailing slash", "https://mirror.invalid:444/", "https://mirror.invalid:444", false, false);
        accepted("IPv6", "http://[::1]:81", "http://[::1]:81", true, true);
        accepted("folder", "file:///tmp", "file:///tmp", false, true);
        accepted("missing folder", "file:///tmp/no such kit", "file:///tmp/no such kit", false, false);
        accepted("folder on localhost", "file://localhost/tmp/kit/", "file:///tmp/kit", false, false);
        accepted("file in place of the folder", "file:///dev/null", "file:///dev/null", false, false);
        for (const char* refused :
             {"ftp://mirror.test", "file://server/kit", "file:kit", "file:///tmp/kit?x", "http://",
              "http://mirror.test/base", "http://user@mirror.test", "http://mirror.test?x", "mirror test"})
            QTest::newRow(refused) << refused << QString() << false << false;
    }
    void downloadUrlOption() {
        QFETCH(QString, url);
        QFETCH(QString, address);
        QFETCH(bool, literal);
        QFETCH(bool, reachable);
        QCommandLineParser parser;
        parser.addOption(DownloadHost::commandLineOption());
        QVERIFY(parser.parse({"app", "--download-url", url}));
        DownloadHostSetting::Candidates candidates = DownloadHostSetting::fromSystem(parser);
        QCOMPARE(candidates.commandLine, url);
        QString error;
        const auto choice = DownloadHostSetting::choose(candidates, &error);
        QCOMPARE(choice ? choice->host.address(ResourcePaths::adapterModelsInfo()).toString() : QString(),
                 address);
        QVERIFY2(choice || error.contains(url), qPrintable(error));
        QCOMPARE(choice && choice->host.isLiteralAddress(), literal);
        QCOMPARE(choice && NetworkInterface(choice->host).isNetworkReachable(), reachable);
        QVERIFY(parser.parse({"app"}));
        QVERIFY(!DownloadHostSetting::fromSystem(parser).commandLine);
    }

    // Cases a real host does not produce (the downloads over a local host show the others).
    void reportOfADataTask_data() {
        QTest::addColumn<DataTaskOutcome>("outcome");
        QTest::addColumn<NetworkFileType>("type");
        QTest::addColumn<QString>("report"); // the error's domain and code
        const QUrl url("https://h/zolen/lens/lensinfo_A000N0.xml");
        const NetworkError reset{NetworkError::platformDomain, 4, "reset", url};
        const auto row = [](const char* name, const DataTaskOutcome& outcome, NetworkFileType type,
                            const char* report) {
            QTest::newRow(name) << outcome << type << QString(report);
        };
        using T = NetworkFileType;
        row("empty beats the status", {QByteArray(""), HttpResponse{url, 404}, {}}, T::lensModelsInfo,
            "DATA SIZE ERROR 0 Byte 404");
        row("503 page", {QByteArray("busy"), HttpResponse{url, 503}, {}}, T::lensModelsInfo,
            "HTTP ERROR 503 503");
        row("error beside data", {QByteArray("<x"), HttpResponse{url, 200}, reset}, T::lensModelsInfo,
            "QNetworkReply 4");
        row("error alone", {{}, {}, reset}, T::lensModelsInfo, "QNetworkReply 4");
        row("nothing at all", {}, T::focusLimitImage, "NO RESPONSE 0");
        row("data without response", {QByteArray("x"), {}, {}}, T::focusLimitImage, "NO RESPONSE 0");
        row("response without data", {{}, HttpResponse{url, 200}, {}}, T::lensModelsInfo, "NO RESPONSE 0");
    }
    void reportOfADataTask() {
        QFETCH(DataTaskOutcome, outcome);
        QFETCH(NetworkFileType, type);
        QFETCH(QString, report);
        const FileDownloadReport result = NetworkInterface::reportFor(outcome);
        QVERIFY(!result.data && result.error);
        QCOMPARE(result.type, type);
        QCOMPARE(QString("%1 %2").arg(result.error->domain).arg(result.error->code), report);
        if (outcome.error)
            QCOMPARE(result.error->description, outcome.error->description);
    }

    // Tests run as root, so a folder that cannot be made is one whose path runs through a regular file.
    void localFolders_data() {
        QTest::addColumn<QString>("blocker"); // the regular file in the way; empty: none
        QTest::addColumn<QStringList>("usable");
        QTest::newRow("made with its parents")
            << "" << QStringList{"Varnet", "Varnet/adapter", "Varnet/lens"};
        QTest::newRow("parent is a file") << "parent" << QStringList();
        QTest::newRow("library is a file") << "parent/library" << QStringList();
        QTest::newRow("Varnet is a file") << "parent/library/Varnet" << QStringList();
        QTest::newRow("lens is a file")
            << "parent/library/Varnet/lens" << QStringList{"Varnet", "Varnet/adapter"};
    }
    void localFolders() {
        QFETCH(QString, blocker);
        QFETCH(QStringList, usable);
        QTemporaryDir temporary;
        const QString library = temporary.filePath("parent/library");
        if (!blocker.isEmpty()) {
            QDir().mkpath(QFileInfo(temporary.filePath(blocker)).path());
            QFile file(temporary.filePath(blocker));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        LogCapture log;
        const FileIO fileIO(library);
        QStringList made;
        for (int twice = 0; twice < 2; ++twice) {
            for (const auto& folder :
                 {fileIO.baseDirectory(), fileIO.adapterDirectory(), fileIO.lensDirectory()}) {
                if (folder && QFileInfo(*folder).isDir())
                    made << folder->mid(library.size() + 1);
            }
        }
        QCOMPARE(made, usable + usable);
        // One line for each folder that could not be made, each time it was asked for.
        QCOMPARE(log.untimed().filter("[File] ").size(), 2 * (3 - usable.size()));
    }
};

QTEST_GUILESS_MAIN(TestResourcePaths)
#include "tst_resourcepaths.moc"
