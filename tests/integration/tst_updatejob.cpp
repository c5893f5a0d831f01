#include "DockEmulator.h"
#include "firmware/UpdateJob.h"
#include "FirmwarePacker.h"
#include "LocalDownloadHost.h"
#include "LogCapture.h"
#include "ResultLatch.h"

#include <condition_variable>
#include <mutex>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(FwErrorCode)

namespace {
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");

class JobListener : public UpdateJobListener {
public:
    void updateProgress(double percent) override {
        std::lock_guard lock(mutex_);
        progress << percent;
    }
    void updatePhase(int phase, const QString& textKey) override {
        std::lock_guard lock(mutex_);
        phases << phase;
        if (!textKey.isEmpty())
            texts << textKey;
    }
    void updateResult(FwErrorCode code) override { latch.add(code); }
    bool waitForResult(std::chrono::milliseconds limit = 30s) { return latch.wait(limit); }
    QList<FwErrorCode> results() const { return latch.values(); }

    std::mutex mutex_;
    ResultLatch<FwErrorCode> latch;
    QList<double> progress;
    QList<int> phases;
    QStringList texts;
};

QByteArray dataOf(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 13 + 5) & 0xFF);
    return data;
}

// An emulator, a local download host and an application context wired to both.
struct Bench {
    Bench() {
        options.linkPath = dir.filePath("dock");
        options.reenumerationDelay = 20ms;
        options.resetLinger = 200ms;
        if (!host.start(nullptr))
            qFatal("download host did not start");
        emulator = std::make_unique<DockEmulator>(options);
        if (!emulator->start(nullptr))
            qFatal("emulator did not start");
        AppOptions app;
        app.portOverride = options.linkPath;
        app.downloadHost = host.downloadHost();
        app.watchdogTick = 2ms;
        app.threadTick = 2ms;
        context = std::make_unique<AppContext>(app);
        context->channel().setDelegate(&context->connectionThread());
        context->channel().openPort(context->channel().findPortPath());
        timings.connectDelay = 10ms;
        timings.pendingStatePoll = 5ms;
        timings.transfer.lensResetWait = 10ms;
        timings.transfer.adapterResetWait = 150ms;
        timings.network.requestTimeout = 1000ms;
    }
    ~Bench() {
        context.reset();
        emulator.reset();
    }
    QStringList leftInStore() const {
        QStringList files;
        for (const char* folder : {"Varnet/adapter", "Varnet/lens"})
            files << QDir(store.filePath(folder)).entryList(QDir::Files);
        return files;
    }

    QTemporaryDir dir;
    QTemporaryDir store;
    DockEmulatorOptions options;
    LocalDownloadHost host;
    std::unique_ptr<DockEmulator> emulator;
    std::unique_ptr<AppContext> context;
    UpdateJobTimings timings;
};
} // namespace

class TestUpdateJob : public QObject {
    Q_OBJECT
private slots:
    void sendPercent_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<int>("records");
        QTest::addColumn<double>("percent");
        QTest::newRow("one record, start") << 0 << 0.0 << 1 << 50.0;
        QTest::newRow("one record, sent") << 0 << 1.0 << 1 << 95.0;
        QTest::newRow("one record, back") << 1 << 0.0 << 1 << 100.0;
        QTest::newRow("two records, first sent") << 0 << 1.0 << 2 << 70.0;
        QTest::newRow("two records, first back") << 1 << 0.0 << 2 << 75.0;
        QTest::newRow("two records, second sent") << 1 << 1.0 << 2 << 95.0;
        QTest::newRow("two records, all back") << 2 << 0.0 << 2 << 100.0;
    }
    void sendPercent() {
        QFETCH(int, index);
        QFETCH(double, fraction);
        QFETCH(int, records);
        QFETCH(double, percent);
        QCOMPARE(UpdateJob::sendPercent(index, fraction, records), percent);
    }

    void adapterUpdateRunsEveryPhase() {
        Bench bench;
        const auto packed = FirmwarePacker::pack({{0x01, 0x00, "0201", dataOf(3000)}}, decodeKey);
        QVERIFY(packed.ok());
        bench.host.put("zolen/adapter/QB117_0201.vfwf", packed.bytes);
        JobListener listener;
        {
            UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
            job.setAdapterUpdateInfo("0201", decodeKey);
            job.start();
            QVERIFY(listener.waitForResult());
            QCOMPARE(job.encodeFile().value_or(QString()),
                     bench.store.filePath("Varnet/adapter/QB117_0201.vfwf"));
        }
        QCOMPARE(listener.results(), QList<FwErrorCode>{FwErrorCode::resultOk});
        QCOMPARE(listener.phases, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(listener.texts, (QStringList{"updateStateConnecting", "updateStateDownloading",
                                              "updateStateDecoding", "updateStateSending"}));
        QCOMPARE(listener.progress.last(), 100.0);
        QVERIFY(std::is_sorted(listener.progress.begin(), listener.progress.end()));
        QVERIFY(listener.progress.contains(95.0)); // sent, before the device came back
        QCOMPARE(bench.context->adapterBasicInfo().get().fwVersion, QString("0201"));
        QCOMPARE(bench.leftInStore(), QStringList());
        QCOMPARE(bench.context->channel().delegate(),
                 static_cast<SerialChannelDelegate*>(&bench.context->connectionThread()));
    }

    void lensUpdateOfTwoRecords() {
        Bench bench;
        const auto packed = FirmwarePacker::pack(
            {{0x00, 0x01, "0102", dataOf(2000)}, {0x00, 0x02, "0102", dataOf(500)}}, decodeKey);
        bench.host.put("zolen/lens/A036E0_0102.vfwf", packed.bytes);
        JobListener listener;
        UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
        job.setLensUpdateInfo("E0", "A036", "0102", decodeKey);
        job.start();
        QVERIFY(listener.waitForResult());
        QCOMPARE(listener.results(), QList<FwErrorCode>{FwErrorCode::resultOk});
        for (double milestone : {50.0, 70.0, 75.0, 95.0, 100.0})
            QVERIFY2(listener.progress.contains(milestone), qPrintable(QString::number(milestone)));
        QCOMPARE(bench.context->lensInfo().get().firmwareVersion, QString("0102"));
        QCOMPARE(bench.leftInStore(), QStringList());
    }

    void failures_data() {
        QTest::addColumn<QString>("served"); // path on the host, empty: nothing
        QTest::addColumn<QString>("key");    // key used by the job
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("missing on the host: the error page fails in decoding")
            << "" << decodeKey << true << FwErrorCode::errorInvalidFile << "[Update] Decode Error -3";
        QTest::newRow("wrong key") << "zolen/adapter/QB117_0201.vfwf"
                                   << QString(decodeKey).replace(0, 2, "ff") << true
                                   << FwErrorCode::errorInvalidFile << "[Update] Decode Error -3";
        QTest::newRow("malformed key")
            << "zolen/adapter/QB117_0201.vfwf"
            << "xyz" << true << FwErrorCode::errorInvalidKey << "[Update] Decode Error -1";
        QTest::newRow("host unreachable") << "" << decodeKey << false << FwErrorCode::errorNetwork << "";
    }
    void failures() {
        QFETCH(QString, served);
        QFETCH(QString, key);
        QFETCH(bool, reachable);
        QFETCH(FwErrorCode, result);
        QFETCH(QString, logLine);
        Bench bench;
        if (!served.isEmpty())
            bench.host.put(served,
                           FirmwarePacker::pack({{0x01, 0x00, "0201", dataOf(3000)}}, decodeKey).bytes);
        if (!reachable) {
            AppOptions app = bench.context->options();
            app.downloadHost = *DownloadHost::fromUrl("https://unreachable.invalid");
            bench.context = std::make_unique<AppContext>(app);
        }
        LogCapture capture;
        JobListener listener;
        UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
        job.setAdapterUpdateInfo("0201", key);
        job.start();
        QVERIFY(listener.waitForResult());
        QCOMPARE(listener.results(), QList<FwErrorCode>{result});
        if (!logLine.isEmpty())
            QVERIFY2(capture.contains(logLine), qPrintable(capture.untimed().join('\n')));
        QCOMPARE(bench.leftInStore(), QStringList());
        QCOMPARE(bench.emulator->snapshot().firmware.size(), 0);
    }

    void missingInputsEndAtOnce() {
        Bench bench;
        JobListener listener;
        UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
        job.start();
        QCOMPARE(listener.results(), QList<FwErrorCode>{FwErrorCode::errorInput});
    }

    // Catalogue fields name the local files the job writes and removes: nothing outside the store.
    void hostileVersionTouchesNoFile_data() {
        QTest::addColumn<QString>("version");
        QTest::newRow("climbing") << "/../../../victim";
        QTest::newRow("control") << "01\n02";
    }
    void hostileVersionTouchesNoFile() {
        QFETCH(QString, version);
        Bench bench;
        QDir(bench.store.path()).mkpath("Varnet/adapter/QB117_"); // lets the climbing name resolve
        const QString victim = bench.store.filePath("victim.vfwf");
        QFile planted(victim);
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.close();
        LogCapture capture;
        JobListener listener;
        UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
        job.setAdapterUpdateInfo(version, decodeKey);
        job.start();
        QVERIFY(listener.waitForResult());
        QCOMPARE(listener.results(), QList<FwErrorCode>{FwErrorCode::errorInput});
        QCOMPARE(capture.untimed().filter("Refused firmware file name").size(), 1);
        QVERIFY(QFile::exists(victim));
        QCOMPARE(bench.emulator->snapshot().firmwareRequests, 0);
    }

    void startingTwiceStartsOnce() {
        Bench bench;
        bench.host.put("zolen/adapter/QB117_0201.vfwf",
                       FirmwarePacker::pack({{0x01, 0x00, "0201", dataOf(100)}}, decodeKey).bytes);
        LogCapture capture;
        JobListener listener;
        UpdateJob job(*bench.context, listener, bench.timings, FileIO(bench.store.path()));
        job.setAdapterUpdateInfo("0201", decodeKey);
        job.start();
        job.start();
        QVERIFY(listener.waitForResult());
        QVERIFY(capture.contains("[Update] Updating..."));
        QVERIFY(!listener.waitForResult(0ms) || listener.results().size() == 1);
        QCOMPARE(listener.results().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestUpdateJob)
#include "tst_updatejob.moc"
