#include "online/DownloadHost.h"
#include "online/DownloadHostSetting.h"
#include "online/NetworkInterface.h"
#include "online/ResourcePaths.h"

#include <QRegularExpression>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DownloadHostSource)

class TestResourcePaths : public QObject {
    Q_OBJECT

private slots:
    void mountSuffixOfEachMountCode_data() {
        QTest::addColumn<int>("mountInfo");
        QTest::addColumn<QString>("suffix");
        for (const auto& [mount, suffix] :
             {std::pair{1, "E0"}, {2, "N0"}, {3, "S0"}, {0, ""}, {4, ""}, {255, ""}})
            QTest::addRow("%d", mount) << mount << QString(suffix);
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
        for (const QString& name :
             {QString("A000_0105.bin"), QString("fw-2.enc.bin"), QString(60, 'a') + ".bin"})
            QTest::newRow(qPrintable(name)) << name << true;
        for (const QString& name :
             {"../A000.bin", ".bin", "a..bin", "x/a.bin", "a.", "", "http://host/a.bin"})
            QTest::newRow(qPrintable("refused " + name)) << name << false;
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
    // fall-back to a weaker one. (tst_cli reads them from a real process's settings and environment.)
    // A literal address is reachable without a look-up, a folder when it is a readable folder.
    void downloadHostChoice_data() {
        QTest::addColumn<QStringList>("given"); // option, settings file, environment; empty: not set
        QTest::addColumn<QString>("choice");    // "<source>: <host>" or "refused: <part of the reason>"
        QTest::addColumn<int>("literal");       // -1: no host
        QTest::addColumn<int>("reachable");     // -1: not asked
        const auto row = [](const char* name, const QStringList& given, const QString& choice,
                            int literal = -1, int reachable = -1) {
            QTest::newRow(name) << given << choice << literal << reachable;
        };
        const auto option = [&](const char* name, const QString& url, int literal, int reachable,
                                QString host = {}) {
            row(name, {url, "", ""}, "command line: " + (host.isEmpty() ? url : host), literal, reachable);
        };
        const QString settings = "https://settings.test", environment = "file:///srv/kit",
                      broken = "ftp://mirror.test";
        option("literal address without server", "http://192.0.2.1:8080", 1, 1);
        option("resolvable name", "https://localhost", 0, 1);
        option("unresolvable name", "https://mirror.invalid", 0, 0);
        option("trailing slash", "https://mirror.invalid:444/", 0, 0, "https://mirror.invalid:444");
        option("IPv6", "http://[::1]:81", 1, 1);
        option("folder", "file:///tmp", 0, 1);
        option("missing folder", "file:///tmp/no such kit", 0, 0);
        option("folder on localhost", "file://localhost/tmp/kit/", 0, 0, "file:///tmp/kit");
        option("file in place of the folder", "file:///dev/null", 0, 0);
        for (const char* url :
             {"ftp://mirror.test", "file://server/kit", "file:kit", "file:///tmp/kit?x", "http://",
              "http://mirror.test/base", "http://user@mirror.test", "http://mirror.test?x", "mirror test"})
            row(url, {url, "", ""}, QString("refused: ") + url);
        row("option over the rest", {"http://[::1]", settings, environment}, "command line: http://[::1]");
        row("settings over the environment", {"", settings, environment}, "settings file: " + settings);
        row("environment alone", {"", "", environment}, "environment: " + environment);
        row("none", {"", "", ""},
            "built in: " + DownloadHost::fromUrl(LENSDOCK_EXPECTED_DOWNLOAD_URL)->toString());
        row("broken settings", {"", broken, environment}, "refused: settings file");
        row("broken option", {broken, broken, environment}, "refused: command line");
    }
    void downloadHostChoice() {
        QFETCH(QStringList, given);
        QFETCH(QString, choice);
        QFETCH(int, literal);
        QFETCH(int, reachable);
        const auto set = [&](int i) { return given[i].isEmpty() ? std::nullopt : std::optional(given[i]); };
        const QStringList sources{"command line", "settings file", "environment", "built in"};
        QString error;
        const auto chosen = DownloadHostSetting::choose({set(0), set(1), set(2)}, &error);
        if (chosen)
            QCOMPARE(sources[int(chosen->source)] + ": " + chosen->host.toString(), choice);
        else
            QVERIFY2(choice.startsWith("refused: ") && error.contains(choice.mid(9)) &&
                         error.contains(given.first().isEmpty() ? given[1] : given[0]),
                     qPrintable(error));
        if (literal >= 0)
            QCOMPARE(chosen->host.isLiteralAddress(), literal == 1);
        if (reachable >= 0)
            QCOMPARE(NetworkInterface(chosen->host).isNetworkReachable(), reachable == 1);
        QCOMPARE(DownloadHost(), *DownloadHost::fromUrl(LENSDOCK_EXPECTED_DOWNLOAD_URL));
    }
};

QTEST_GUILESS_MAIN(TestResourcePaths)
#include "tst_resourcepaths.moc"
