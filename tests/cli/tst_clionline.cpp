// lensdock-cli with a real local download host: the lens name in `info` and `check-update`.
#include "CliDock.h"
#include "CliProcess.h"
#include "LocalDownloadHost.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;

namespace {
constexpr int exitOk = 0;
constexpr int exitNoLens = 4;
constexpr int exitNetwork = 8;

const QString adapterCataloguePath = QStringLiteral("zolen/adapter/zoleninfo.xml");
// The emulator's zoom lens is model A036 on a Canon mount (suffix E0).
const QString lensCataloguePath = QStringLiteral("zolen/lens/lensinfo_A036E0.xml");

QByteArray adapterCatalogue(const QByteArray& latest) {
    return "<?xml version=\"1.0\"?><zoleninfo>2026/01/01 00:00:00," + latest + ",00112233</zoleninfo>";
}

QByteArray lensCatalogue(const QByteArray& latest) {
    return "<?xml version=\"1.0\"?><lensinfo>2026/01/01 00:00:00,A036,Test Zoom 28-300," + latest +
           ",true,true,true,true,8,3,28,35,50,70,100,135,200,300,30,-30,2,10,0,9,2,7,44556677</lensinfo>";
}
} // namespace

class TestCliOnline : public QObject {
    Q_OBJECT

    QTemporaryDir dataHome;

    CliResult run(const CliDock& dock, const QString& url, const QStringList& arguments) {
        CliProcess cli(dataHome.path());
        return cli.run(dock.port() + QStringList{QStringLiteral("--download-url"), url} + arguments);
    }

private slots:
    void infoNamesTheLensAndKeepsTheCatalogue() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(lensCataloguePath, lensCatalogue("0100"));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, host.url(), {QStringLiteral("--json"), QStringLiteral("info")});
        QCOMPARE(result.exitCode, exitOk);
        const QJsonObject lens = result.json().value(QStringLiteral("lens")).toObject();
        QCOMPARE(lens.value(QStringLiteral("name")).toString(), QStringLiteral("Test Zoom 28-300"));
        QVERIFY(QFile::exists(dataHome.filePath(QStringLiteral("Varnet/lens/lensinfo_A036E0.xml"))));

        // Offline, the kept copy still names the lens.
        const CliResult offline = run(dock, QStringLiteral("http://127.0.0.1:9"), {QStringLiteral("info")});
        QCOMPARE(offline.exitCode, exitOk);
        QVERIFY(offline.outText().contains(QStringLiteral("Test Zoom 28-300")));
    }

    void checkUpdate_data() {
        QTest::addColumn<QByteArray>("adapterLatest");
        QTest::addColumn<QByteArray>("lensLatest");
        QTest::addColumn<bool>("adapterUpdate");
        QTest::addColumn<bool>("lensUpdate");
        // The emulator reports adapter 0123 and lens 0100; only the first two digits count.
        QTest::newRow("both newer") << QByteArray("0200") << QByteArray("0200") << true << true;
        QTest::newRow("both equal") << QByteArray("0123") << QByteArray("0100") << false << false;
        QTest::newRow("minor only") << QByteArray("0199") << QByteArray("0150") << false << false;
        QTest::newRow("older") << QByteArray("0001") << QByteArray("0009") << false << false;
        QTest::newRow("three digits") << QByteArray("200") << QByteArray("200") << false << false;
        QTest::newRow("lens only") << QByteArray("0100") << QByteArray("1000") << false << true;
    }

    void checkUpdate() {
        QFETCH(QByteArray, adapterLatest);
        QFETCH(QByteArray, lensLatest);
        QFETCH(bool, adapterUpdate);
        QFETCH(bool, lensUpdate);
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(adapterCataloguePath, adapterCatalogue(adapterLatest));
        host.put(lensCataloguePath, lensCatalogue(lensLatest));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result =
            run(dock, host.url(), {QStringLiteral("--json"), QStringLiteral("check-update")});
        QCOMPARE(result.exitCode, exitOk);
        const QJsonObject adapter = result.json().value(QStringLiteral("adapter")).toObject();
        const QJsonObject lens = result.json().value(QStringLiteral("lens")).toObject();
        QCOMPARE(adapter.value(QStringLiteral("current")).toString(), QStringLiteral("0123"));
        QCOMPARE(adapter.value(QStringLiteral("latest")).toString(), QString::fromLatin1(adapterLatest));
        QCOMPARE(adapter.value(QStringLiteral("updateAvailable")).toBool(), adapterUpdate);
        QCOMPARE(lens.value(QStringLiteral("current")).toString(), QStringLiteral("0100"));
        QCOMPARE(lens.value(QStringLiteral("updateAvailable")).toBool(), lensUpdate);
    }

    void checkUpdateTextSaysWhatIsAvailable() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(adapterCataloguePath, adapterCatalogue("0200"));
        host.put(lensCataloguePath, lensCatalogue("0100"));
        CliDock dock;
        QVERIFY(dock.start());
        const CliResult result = run(dock, host.url(), {QStringLiteral("check-update")});
        QCOMPARE(result.exitCode, exitOk);
        QVERIFY(result.outText().contains(
            QStringLiteral("Adapter firmware 0123, latest 0200: update available")));
        QVERIFY(result.outText().contains(QStringLiteral("Lens firmware 0100, latest 0100: up to date")));
    }

    void adapterCheckNeedsNoLens() {
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        host.put(adapterCataloguePath, adapterCatalogue("0200"));
        CliDock dock;
        dock.options.lensMounted = false;
        QVERIFY(dock.start());
        const CliResult adapterOnly =
            run(dock, host.url(),
                {QStringLiteral("--json"), QStringLiteral("check-update"), QStringLiteral("adapter")});
        QCOMPARE(adapterOnly.exitCode, exitOk);
        QVERIFY(adapterOnly.json().contains(QStringLiteral("adapter")));
        QVERIFY(!adapterOnly.json().contains(QStringLiteral("lens")));
        const CliResult both =
            run(dock, host.url(),
                {QStringLiteral("--wait"), QStringLiteral("0.2"), QStringLiteral("check-update")});
        QCOMPARE(both.exitCode, exitNoLens);
    }

    void networkFailures_data() {
        QTest::addColumn<bool>("serveAdapter");
        QTest::addColumn<QByteArray>("lensContent");
        QTest::addColumn<bool>("hostRunning");
        QTest::addColumn<QString>("message");
        QTest::newRow("host down") << true << lensCatalogue("0100") << false
                                   << QStringLiteral("adapter catalogue download failed");
        QTest::newRow("no adapter catalogue")
            << false << lensCatalogue("0100") << true << QStringLiteral("adapter catalogue download failed");
        QTest::newRow("no lens catalogue")
            << true << QByteArray() << true << QStringLiteral("lens catalogue download failed");
        QTest::newRow("malformed lens catalogue")
            << true << QByteArray("<lensinfo>2026/01/01,A036,Name,0200</lensinfo>") << true
            << QStringLiteral("lens catalogue is malformed");
    }

    void networkFailures() {
        QFETCH(bool, serveAdapter);
        QFETCH(QByteArray, lensContent);
        QFETCH(bool, hostRunning);
        QFETCH(QString, message);
        LocalDownloadHost host;
        QString error;
        QVERIFY2(host.start(&error), qPrintable(error));
        if (serveAdapter)
            host.put(adapterCataloguePath, adapterCatalogue("0200"));
        if (!lensContent.isEmpty())
            host.put(lensCataloguePath, lensContent);
        CliDock dock;
        QVERIFY(dock.start());
        const QString url = hostRunning ? host.url() : QStringLiteral("http://127.0.0.1:9");
        const CliResult result = run(dock, url, {QStringLiteral("check-update")});
        QCOMPARE(result.exitCode, exitNetwork);
        QCOMPARE(result.errorLines().size(), 1);
        QVERIFY2(result.errText().contains(message), qPrintable(result.errText()));
        QVERIFY(!dock.emulator->snapshot().lensConnected);
    }
};

QTEST_GUILESS_MAIN(TestCliOnline)
#include "tst_clionline.moc"
