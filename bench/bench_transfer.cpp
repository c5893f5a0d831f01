// Firmware transfer speed: our block transfer of a 1 MiB record to the dock emulator over a pty, and
// lrzsz's `sx -k` (XMODEM-1K, CRC) sending the same bytes to the emulator's bare receiver, each
// unpaced and paced at 115200 baud.
#include "base/Logger.h"
#include "firmware/FirmwareTransfer.h"
#include "FirmwarePacker.h"
#include "link/QtSerialPortProvider.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <vector>

using namespace lensdock;
using namespace std::chrono_literals;

namespace {
constexpr int recordBytes = 1024 * 1024;
constexpr int dataBlocks = recordBytes / 1024;
constexpr double baud = 115200;
constexpr int unpacedRuns = 9;

// The middle value; negative when any run failed.
double median(std::vector<double> runs) {
    if (runs.empty() || *std::min_element(runs.begin(), runs.end()) < 0)
        return -1;
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

QString emulatorPath() {
    return QCoreApplication::applicationDirPath() + "/../tools/dock-emulator/lensdock-emulator";
}

// The emulator program on `link`; returns once it printed its ready line.
bool startEmulator(QProcess& process, const QString& link, int pace, const QString& receiveFile = QString()) {
    QStringList arguments{"--link", link};
    if (pace > 0)
        arguments << "--baud" << QString::number(pace);
    if (!receiveFile.isEmpty())
        arguments << "--xmodem-receive" << receiveFile;
    process.start(emulatorPath(), arguments);
    if (!process.waitForStarted(5000))
        return false;
    while (process.waitForReadyRead(5000)) {
        if (process.readAll().contains("ready"))
            return true;
    }
    return false;
}

class Timing : public SendFirmwareDelegate {
public:
    void sendProgress(int index, double fraction) override {
        if (index != 0)
            return;
        const qint64 now = clock.nsecsElapsed();
        if (firstBlockDone < 0)
            firstBlockDone = now; // the header block
        if (fraction >= 1.0)
            lastBlockDone = now;
    }
    void sendFinished() override {}
    void sendCompleted(FwErrorCode code) override {
        std::lock_guard lock(mutex);
        result = code;
        done.notify_all();
    }
    QElapsedTimer clock;
    qint64 firstBlockDone = -1;
    qint64 lastBlockDone = -1;
    std::mutex mutex;
    std::condition_variable done;
    std::optional<FwErrorCode> result;
};

// Seconds our transfer needs for the record's 1024 data blocks; negative on failure.
double ourTransfer(const QTemporaryDir& dir, const QString& image, int pace) {
    QProcess emulator;
    const QString link = dir.filePath(QStringLiteral("dock-%1").arg(pace));
    if (!startEmulator(emulator, link, pace))
        return -1;
    auto provider = std::make_shared<QtSerialPortProvider>();
    provider->setOverridePath(link);
    SerialChannel serial(provider);
    if (!serial.openPort(serial.findPortPath()))
        return -1;
    Guarded<LensInfo> lens;
    Guarded<AdapterBasicInfo> adapter;
    Guarded<LensAdjustData> factory, current;
    UpdateTimings timings;
    timings.lensResetWait = 0ms;
    Timing timing;
    {
        FirmwareTransfer updater(serial, {lens, adapter, factory, current}, timings);
        updater.setDelegate(&timing);
        updater.setTargetVersion(QStringLiteral("0102"));
        updater.setDecodeFile(image);
        updater.setFwUpdateNum(1);
        timing.clock.start();
        updater.run();
    }
    emulator.write("quit\n");
    emulator.waitForFinished(5000);
    if (timing.lastBlockDone < 0)
        return -1;
    return double(timing.lastBlockDone - timing.firstBlockDone) / 1e9;
}

// Seconds `sx -k` needs to send `payload` to the bare receiver; negative on failure.
double lrzszTransfer(const QTemporaryDir& dir, const QString& payload, int pace) {
    QProcess emulator;
    const QString link = dir.filePath(QStringLiteral("bare-%1").arg(pace));
    if (!startEmulator(emulator, link, pace, dir.filePath(QStringLiteral("received-%1").arg(pace))))
        return -1;
    QProcess sender;
    QElapsedTimer clock;
    clock.start();
    sender.start(QStringLiteral("sh"), {"-c", "exec sx -k -q \"$1\" < \"$2\" > \"$2\"", "sh", payload, link});
    // sx's exit status is not a verdict (it reports 128 after a good transfer); the receiver's count is.
    const bool finished = sender.waitForFinished(600000);
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    emulator.waitForFinished(5000);
    const QByteArray report = emulator.readAllStandardOutput();
    if (!finished || !report.contains("received")) {
        emulator.kill();
        emulator.waitForFinished(1000);
        return -1;
    }
    return seconds;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Logger::setSink([](const QString&) {}); // the figures only
    QTemporaryDir dir;
    QByteArray data(recordBytes, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 2654435761u) >> 24);
    const QString image = dir.filePath(QStringLiteral("record.dec"));
    const QString payload = dir.filePath(QStringLiteral("record.bin"));
    for (const auto& [path, bytes] :
         {std::pair{image, FirmwarePacker::plainImage({{0, 1, "0102", data}}).bytes},
          std::pair{payload, data}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }
    const bool haveSx = !QStandardPaths::findExecutable(QStringLiteral("sx")).isEmpty();
    // Ideal wire time of one block and its acknowledgement at 8N1: ten bits a byte.
    const double idealPerBlock = (3 + 1024 + 2 + 1) * 10 / baud;

    // Unpaced runs take a fraction of a second and scatter by several per cent with whatever else
    // the machine does: both senders run several times, interleaved, and the medians count.
    std::vector<double> oursRuns, sxRuns;
    for (int run = 0; run < unpacedRuns; ++run) {
        oursRuns.push_back(ourTransfer(dir, image, 0));
        if (haveSx)
            sxRuns.push_back(lrzszTransfer(dir, payload, 0));
    }
    const double oursFast = median(oursRuns);
    const double sxFast = haveSx ? median(sxRuns) : -1;
    // --unpaced: only the quick half, for trying a change.
    if (app.arguments().contains(QStringLiteral("--unpaced"))) {
        std::printf("unpaced: ours %.3f ms per block, sx -k %.3f ms per block, ratio %.3f\n",
                    oursFast / dataBlocks * 1e3, sxFast / dataBlocks * 1e3, oursFast / sxFast);
        return 0;
    }
    const double oursPaced = ourTransfer(dir, image, int(baud));
    std::printf("ours, unpaced (median of %d): %.3f s for %d blocks, host overhead %.3f ms per block "
                "(runs %.3f to %.3f)\n",
                unpacedRuns, oursFast, dataBlocks, oursFast / dataBlocks * 1e3,
                *std::min_element(oursRuns.begin(), oursRuns.end()) / dataBlocks * 1e3,
                *std::max_element(oursRuns.begin(), oursRuns.end()) / dataBlocks * 1e3);
    std::printf("ours, 115200 baud: %.3f s, efficiency %.4f (ideal %.3f s)\n", oursPaced,
                idealPerBlock * dataBlocks / oursPaced, idealPerBlock * dataBlocks);
    if (!haveSx) {
        std::printf("lrzsz: sx not found, comparison skipped\n");
        return 0;
    }
    const double sxPaced = lrzszTransfer(dir, payload, int(baud));
    std::printf("sx -k, unpaced (median of %d): %.3f s, %.3f ms per block (runs %.3f to %.3f)\n", unpacedRuns,
                sxFast, sxFast / dataBlocks * 1e3,
                *std::min_element(sxRuns.begin(), sxRuns.end()) / dataBlocks * 1e3,
                *std::max_element(sxRuns.begin(), sxRuns.end()) / dataBlocks * 1e3);
    std::printf("sx -k, 115200 baud: %.3f s, efficiency %.4f\n", sxPaced,
                idealPerBlock * dataBlocks / sxPaced);
    std::printf("ratio ours / sx: unpaced %.3f, 115200 baud %.4f\n", oursFast / sxFast, oursPaced / sxPaced);
    return 0;
}
