// Firmware updates against the dock emulator over the real serial stack: the transfer of a deciphered
// image, and the whole update job with a local download host. The fault tables drive both through
// every device fault; unit tests drive the transfer over an in-memory port.
#include "DockEmulator.h"
#include "firmware/UpdateJob.h"
#include "FirmwarePacker.h"
#include "LocalDownloadHost.h"
#include "LogCapture.h"
#include "ResultLatch.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(FwErrorCode)

namespace {
const QString decodeKey = QStringLiteral("00112233445566778899aabbccddeeff0123456789abcdef0f1e2d3c4b5a6978");

QString result(FwErrorCode code) {
    return QStringLiteral("result %1").arg(rawValue(code));
}

// What a transfer or a job reports, as text in the order it came: "finished", "percent <p>", "phase
// <n>", "text <key>" and "result <code>".
class Listener : public SendFirmwareDelegate, public UpdateJobListener, public ResultLatch<QString> {
public:
    void sendProgress(int, double) override {}
    void sendFinished() override { add("finished"); }
    void sendCompleted(FwErrorCode code) override { add(result(code)); }
    void updateProgress(double percent) override { add(QStringLiteral("percent %1").arg(percent)); }
    void updatePhase(int phase, const QString& textKey) override {
        add(QStringLiteral("phase %1").arg(phase));
        if (!textKey.isEmpty())
            add("text " + textKey);
    }
    void updateResult(FwErrorCode code) override { add(result(code)); }
    QStringList waitForResult() {
        return waitUntil([](const QStringList& events) { return !events.filter("result").isEmpty(); });
    }
};

QList<FirmwareRecord> records(const QList<int>& sizes, std::uint8_t device, const QString& version) {
    QList<FirmwareRecord> result;
    for (int i = 0; i < sizes.size(); ++i) {
        QByteArray data(sizes[i], '\0');
        for (int b = 0; b < data.size(); ++b)
            data[b] = char((b * 13 + 5 + i) & 0xFF);
        result << FirmwareRecord{device, std::uint8_t(device == 0x01 ? 0x00 : i + 1), version, data};
    }
    return result;
}

// An emulator, a local download host and an application context wired to both, with its channel
// open and the (idle) connection thread as the channel's delegate. The local store starts empty.
struct Bench {
    explicit Bench(bool reachable = true) {
        emulator = std::make_unique<DockEmulator>(options);
        if (!host.start(nullptr) || !emulator->start(nullptr))
            qFatal("the download host or the emulator did not start");
        const DownloadHost unreachable = *DownloadHost::fromUrl("https://unreachable.invalid");
        context = std::make_unique<AppContext>(
            AppOptions{.portOverride = options.linkPath,
                       .downloadHost = reachable ? host.downloadHost() : unreachable,
                       .watchdogTick = 2ms,
                       .threadTick = 2ms});
        context->channel().setDelegate(&context->connectionThread());
        context->channel().openPort(context->channel().findPortPath());
    }
    // Sends the deciphered `image` to the lens (none: no file named; null: a file that is not there).
    QStringList transfer(const std::optional<QByteArray>& image) {
        FirmwareTransfer updater(context->channel(),
                                 {context->lensInfo(), context->adapterBasicInfo(),
                                  context->defaultAdjustData(), context->currentAdjustData()},
                                 timings.transfer);
        updater.setDelegate(&listener);
        updater.setUpdateTarget(FwUpdateTarget::lens);
        updater.setTargetVersion("0102");
        if (image) {
            QFile file(dir.filePath("image.dec"));
            if (!image->isNull() && (!file.open(QIODevice::WriteOnly) || file.write(*image) != image->size()))
                return {};
            updater.setDecodeFile(file.fileName());
        }
        updater.start();
        return listener.waitForResult();
    }
    // Starts `job` (twice: the second start only logs) and waits for its result.
    QStringList run(UpdateJob& job) {
        job.start();
        job.start();
        return listener.waitForResult();
    }
    UpdateJob job() { return UpdateJob(*context, listener, timings, FileIO(store.path())); }
    QStringList leftInStore() const {
        QStringList files;
        for (const char* folder : {"Varnet/adapter", "Varnet/lens"})
            files << QDir(store.filePath(folder)).entryList(QDir::Files);
        return files;
    }
    bool channelIsBackWithTheConnectionThread() {
        return context->channel().delegate() ==
               static_cast<SerialChannelDelegate*>(&context->connectionThread());
    }

    QTemporaryDir dir;
    QTemporaryDir store;
    DockEmulatorOptions options{
        .linkPath = dir.filePath("dock"), .reenumerationDelay = 20ms, .resetLinger = 200ms};
    LocalDownloadHost host;
    std::unique_ptr<DockEmulator> emulator;
    std::unique_ptr<AppContext> context;
    UpdateJobTimings timings{.connectDelay = 10ms,
                             .pendingStatePoll = 5ms,
                             .transfer = {.lensResetWait = 10ms, .adapterResetWait = 150ms},
                             .network = {.requestTimeout = 1000ms}};
    Listener listener;
};
} // namespace

class TestUpdateJob : public QObject {
    Q_OBJECT
private slots:
    // The whole image is checked before the first byte goes out, so no record of a damaged image
    // reaches the device. Every failure hands the channel back to the connection thread.
    void failedTransfers_data() {
        QTest::addColumn<std::optional<QByteArray>>("image");
        QTest::addColumn<int>("unplugAfterBlock"); // 0: stays
        QTest::addColumn<FwErrorCode>("code");
        QTest::addColumn<QString>("logLine");
        using E = FwErrorCode;
        const QByteArray good = FirmwarePacker::plainImage(records({100}, 0x00, "0102")).bytes;
        const QByteArray damaged = good + good.chopped(1) + char(good.back() ^ 0x55);
        const QByteArray huge =
            good.left(66) + char(0x40) + good.mid(67) + QByteArray(0x400000, 'x'); // 4 MiB announced
        const auto row = [](const char* name, const std::optional<QByteArray>& image, FwErrorCode code,
                            const char* logLine, int unplugAfterBlock = 0) {
            QTest::newRow(name) << image << unplugAfterBlock << code
                                << QString("[Firmware] Error ") + logLine;
        };
        row("no file named", std::nullopt, E::errorInput, "inFile nil");
        row("missing file", QByteArray(), E::errorInput, "inFile");
        row("empty", QByteArray(""), E::errorInvalidFile, "FW Count");
        row("short header", good.left(1000), E::errorInvalidFile, "header section length");
        row("short data", good.left(1024 + 50), E::errorInvalidFile, "data section length");
        row("second header cut", good + good.left(1000), E::errorInvalidFile, "header section length");
        row("second data cut", good + good.left(1024 + 50), E::errorInvalidFile, "data section length");
        row("second data damaged", damaged, E::errorCrc, "crc check");
        row("data length beyond any firmware", huge, E::errorInvalidFile, "data section length");
        // 4000 bytes: the header block and four data blocks, so block 5 is the last. Everything was
        // sent and acknowledged, but the device never came back to confirm the new version.
        row("unplugged after the last block", FirmwarePacker::plainImage(records({4000}, 0x00, "0102")).bytes,
            E::errorRemovedAfterSend, "EOT", 5);
    }
    void failedTransfers() {
        QFETCH(std::optional<QByteArray>, image);
        QFETCH(int, unplugAfterBlock);
        QFETCH(FwErrorCode, code);
        QFETCH(QString, logLine);
        Bench bench;
        if (unplugAfterBlock > 0)
            bench.emulator->armFault(FaultKind::unplugAfterBlock, unplugAfterBlock);
        LogCapture capture;
        const QStringList events = bench.transfer(image);
        QCOMPARE(events.value(events.size() - 1), result(code));
        QVERIFY(!events.contains("finished"));
        QVERIFY2(capture.untimed().contains(logLine), qPrintable(capture.untimed().join('\n')));
        QCOMPARE(bench.emulator->snapshot().firmwareRequests, unplugAfterBlock > 0 ? 1 : 0);
        QVERIFY(bench.channelIsBackWithTheConnectionThread());
    }

    // Two records split the sending half of the bar: 70 when the first is sent, 75 when the lens is back.
    // The lens's first record has 300 data blocks: the block numbers pass 255 and go on from 1, and
    // start again with the second record. The lens gets its factory settings after the update.
    void updateRunsEveryPhase_data() {
        QTest::addColumn<bool>("lens");
        QTest::addColumn<QList<double>>("milestones");
        QTest::newRow("adapter") << false << QList<double>{50, 95, 100};
        QTest::newRow("lens, two records") << true << QList<double>{50, 70, 75, 95, 100};
    }
    void updateRunsEveryPhase() {
        QFETCH(bool, lens);
        QFETCH(QList<double>, milestones);
        Bench bench;
        LensAdjustData edited;
        edited.vcMode = 3;
        bench.context->currentAdjustData().set(edited);
        const QString file = lens ? "zolen/lens/A036E0_0102.vfwf" : "zolen/adapter/QB117_0201.vfwf";
        const auto sent = lens ? records({300 * 1024, 1500}, 0x00, "0102") : records({3000}, 0x01, "0201");
        bench.host.put(file, FirmwarePacker::pack(sent, decodeKey).bytes);
        LogCapture capture;
        UpdateJob job = bench.job();
        if (lens)
            job.setLensUpdateInfo("E0", "A036", "0102", decodeKey);
        else
            job.setAdapterUpdateInfo("0201", decodeKey);
        const QStringList events = bench.run(job);
        QCOMPARE(events.filter("result"), QStringList{result(FwErrorCode::resultOk)});
        QCOMPARE(job.encodeFile(), bench.store.filePath("Varnet/" + file.section('/', 1)));
        QVERIFY(capture.contains("[Update] Updating..."));
        QCOMPARE(events.filter("phase "), (QStringList{"phase 0", "phase 1", "phase 2", "phase 3", "phase 4",
                                                       "phase 5", "phase 6", "phase 7"}));
        QCOMPARE(events.filter("text "),
                 (QStringList{"text updateStateConnecting", "text updateStateDownloading",
                              "text updateStateDecoding", "text updateStateSending"}));
        QList<double> percents;
        for (const QString& event : events.filter("percent "))
            percents << event.section(' ', 1).toDouble();
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(percents.last(), 100.0);
        for (double milestone : milestones)
            QVERIFY2(percents.contains(milestone), qPrintable(QString::number(milestone)));
        const DockSnapshot dock = bench.emulator->snapshot();
        QCOMPARE(dock.firmwareImage, FirmwarePacker::plainImage(sent).bytes);
        if (lens) {
            QCOMPARE(bench.context->lensInfo().get().firmwareVersion, QString("0102"));
            QCOMPARE(bench.context->currentAdjustData().get(), bench.context->defaultAdjustData().get());
        } else {
            QCOMPARE(bench.context->adapterBasicInfo().get().fwVersion, QString("0201"));
            QVERIFY(dock.plugCount >= 3); // the adapter's self-reset, end of record
        }
        QCOMPARE(bench.leftInStore(), QStringList());
        QVERIFY(bench.context->channel().isPortOpen());
        QVERIFY(bench.channelIsBackWithTheConnectionThread());
    }

    // Catalogue fields name the local files the job writes and removes: nothing outside the store.
    void failedUpdates_data() {
        QTest::addColumn<QString>("version"); // empty: no update named
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("host"); // "serving", "without the file" or "unreachable"
        QTest::addColumn<FwErrorCode>("code");
        QTest::addColumn<QString>("logLine");
        const auto row = [](const char* name, const char* version, FwErrorCode code, const char* logLine,
                            const char* host = "serving", const QString& key = decodeKey) {
            QTest::newRow(name) << QString(version) << key << QString(host) << code << QString(logLine);
        };
        using E = FwErrorCode;
        // An error page is what the host answers for a missing file: it fails in decoding.
        row("missing on the host", "0201", E::errorInvalidFile, "Decode Error -3", "without the file");
        row("wrong key", "0201", E::errorInvalidFile, "Decode Error -3", "serving", "ff" + decodeKey.mid(2));
        row("malformed key", "0201", E::errorInvalidKey, "Decode Error -1", "serving", "xyz");
        row("host unreachable", "0201", E::errorNetwork, "", "unreachable");
        row("no update named", "", E::errorInput, "");
        row("climbing version", "/../../../victim", E::errorInput, "Refused firmware file name");
        row("control in version", "01\n02", E::errorInput, "Refused firmware file name");
    }
    void failedUpdates() {
        QFETCH(QString, version);
        QFETCH(QString, key);
        QFETCH(QString, host);
        QFETCH(FwErrorCode, code);
        QFETCH(QString, logLine);
        Bench bench(host != "unreachable");
        if (host == "serving")
            bench.host.put("zolen/adapter/QB117_0201.vfwf",
                           FirmwarePacker::pack(records({3000}, 0x01, "0201"), decodeKey).bytes);
        QDir(bench.store.path()).mkpath("Varnet/adapter/QB117_"); // lets a climbing name resolve
        QVERIFY(QFile(bench.store.filePath("victim.vfwf")).open(QIODevice::WriteOnly));
        LogCapture capture;
        UpdateJob job = bench.job();
        if (!version.isEmpty())
            job.setAdapterUpdateInfo(version, key);
        QCOMPARE(bench.run(job).filter("result"), QStringList{result(code)});
        if (!logLine.isEmpty())
            QCOMPARE(capture.untimed().filter(logLine).size(), 1);
        QCOMPARE(bench.leftInStore(), QStringList());
        QVERIFY(QFile::exists(bench.store.filePath("victim.vfwf")));
        QCOMPARE(bench.emulator->snapshot().firmwareRequests, 0);
    }
};

QTEST_GUILESS_MAIN(TestUpdateJob)
#include "tst_updatejob.moc"
