#include "DockLink.h"
#include "firmware/FirmwareTransfer.h"
#include "FirmwarePacker.h"
#include "LogCapture.h"
#include "ResultLatch.h"

#include <condition_variable>
#include <mutex>
#include <QFile>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(FwErrorCode)

namespace {
// Records what the transfer reports; the result arrives on the transfer thread.
class TransferListener : public SendFirmwareDelegate {
public:
    void sendProgress(int index, double fraction) override {
        std::lock_guard lock(mutex_);
        progress << qMakePair(index, fraction);
    }
    void sendFinished() override {
        std::lock_guard lock(mutex_);
        ++finished;
    }
    void sendCompleted(FwErrorCode code) override { results.add(code); }
    bool waitForResult(std::chrono::milliseconds limit = 30s) { return results.wait(limit); }

    std::mutex mutex_;
    QList<QPair<int, double>> progress;
    int finished = 0;
    ResultLatch<FwErrorCode> results;
};

QByteArray dataOf(int size, int seed) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 31 + seed) & 0xFF);
    return data;
}

UpdateTimings fastTimings() {
    UpdateTimings timings;
    timings.lensResetWait = 10ms;
    timings.adapterResetWait = 150ms;
    return timings;
}
} // namespace

class TestFirmwareTransfer : public QObject {
    Q_OBJECT

    // Writes the deciphered image of `records` and runs one transfer to its end.
    FwErrorCode transfer(DockLink& link, const QList<FirmwareRecord>& records, FwUpdateTarget target,
                         const QString& targetVersion, TransferListener& listener) {
        const QString path = link.dir.filePath("image.dec");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return FwErrorCode::errorInput;
        file.write(FirmwarePacker::plainImage(records).bytes);
        file.close();
        FirmwareTransfer updater(
            link.serial,
            {link.lensInfo, link.adapterBasicInfo, link.defaultAdjustData, link.currentAdjustData},
            fastTimings());
        updater.setDelegate(&listener);
        updater.setUpdateTarget(target);
        updater.setTargetVersion(targetVersion);
        updater.setDecodeFile(path);
        updater.setFwUpdateNum(int(records.size()));
        updater.start();
        if (!listener.waitForResult())
            return FwErrorCode::errorInput;
        return listener.results.values().first();
    }

private slots:
    void lensRecordIsSentCheckedAndFollowedByFactoryData() {
        DockLink link;
        QVERIFY(link.startEmulator() && link.openChannel());
        TransferListener listener;
        LensAdjustData edited;
        edited.vcMode = 3;
        link.currentAdjustData.set(edited);
        const FwErrorCode result =
            transfer(link, {{0x00, 0x01, "0102", dataOf(1500, 7)}}, FwUpdateTarget::lens, "0102", listener);
        QCOMPARE(result, FwErrorCode::resultOk);
        const DockSnapshot dock = link.emulator->snapshot();
        QCOMPARE(dock.firmwareRequests, 1);
        QCOMPARE(dock.firmware.size(), 1);
        QVERIFY(dock.firmware.first().valid);
        QCOMPARE(dock.firmware.first().dataSize, 1500u);
        QCOMPARE(dock.lens.firmwareVersion, QString("0102"));
        QCOMPARE(link.lensInfo.get().firmwareVersion, QString("0102"));
        QCOMPARE(link.currentAdjustData.get(), link.defaultAdjustData.get()); // factory values written
        QCOMPARE(listener.finished, 1);
        QCOMPARE(link.serial.delegate(), static_cast<SerialChannelDelegate*>(&link.thread));
        // Header block, the two data blocks, then the reset: 1024/2524, 2048/2524, 2524/2524, (1, 0).
        QCOMPARE(listener.progress.size(), 4);
        QCOMPARE(listener.progress[0].second, 1024.0 / 2524.0);
        QCOMPARE(listener.progress[1].second, 2048.0 / 2524.0);
        QCOMPARE(listener.progress[2].second, 1.0);
        QCOMPARE(listener.progress[3], qMakePair(1, 0.0));
    }

    void blockNumbersRestartPerRecordAndWrap() {
        DockLink link;
        QVERIFY(link.startEmulator() && link.openChannel());
        TransferListener listener;
        // 300 data blocks in the first record: the numbers pass 255 and go on from 1.
        const FwErrorCode result = transfer(
            link, {{0x00, 0x01, "0102", dataOf(300 * 1024, 1)}, {0x00, 0x02, "0102", dataOf(1024, 2)}},
            FwUpdateTarget::lens, "0102", listener);
        QCOMPARE(result, FwErrorCode::resultOk);
        const DockSnapshot dock = link.emulator->snapshot();
        QCOMPARE(dock.firmware.size(), 2);
        QVERIFY(dock.firmware[0].valid && dock.firmware[1].valid);
        QCOMPARE(dock.firmwareImage, FirmwarePacker::plainImage({{0x00, 0x01, "0102", dataOf(300 * 1024, 1)},
                                                                 {0x00, 0x02, "0102", dataOf(1024, 2)}})
                                         .bytes);
    }

    void adapterComesBackAfterEachReset() {
        DockLink link;
        QVERIFY(link.startEmulator() && link.openChannel());
        TransferListener listener;
        LogCapture capture;
        const FwErrorCode result = transfer(link, {{0x01, 0x00, "0201", dataOf(2048, 3)}},
                                            FwUpdateTarget::adapter, "0201", listener);
        QCOMPARE(result, FwErrorCode::resultOk);
        QCOMPARE(link.adapterBasicInfo.get().fwVersion, QString("0201"));
        QVERIFY(link.emulator->snapshot().plugCount >= 3); // self-reset and end of record
        QVERIFY(link.serial.isPortOpen());
    }

    void failures_data() {
        QTest::addColumn<int>("fault"); // -1: none
        QTest::addColumn<int>("faultCount");
        QTest::addColumn<QString>("targetVersion");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("version differs")
            << -1 << 0 << "0200" << FwErrorCode::errorVersion << "[Firmware] Error version check";
        QTest::newRow("NAKed block is resent")
            << int(FaultKind::nakBlock) << 1 << "0102" << FwErrorCode::resultOk << "[USB] Recv Nak";
        QTest::newRow("CAN from the device") << int(FaultKind::canBlock) << 1 << "0102"
                                             << FwErrorCode::errorUsbSerialFailed << "[Firmware] Send CAN";
        QTest::newRow("unplugged after block 2")
            << int(FaultKind::unplugAfterBlock) << 2 << "0102" << FwErrorCode::errorUsbSerialRemoved
            << "[Firmware] Error FW data";
        // 4000 bytes: the header block and four data blocks, so block 5 is the last.
        QTest::newRow("unplugged after the last block")
            << int(FaultKind::unplugAfterBlock) << 5 << "0102" << FwErrorCode::errorRemovedAfterSend
            << "[Firmware] Error EOT";
    }
    void failures() {
        QFETCH(int, fault);
        QFETCH(int, faultCount);
        QFETCH(QString, targetVersion);
        QFETCH(FwErrorCode, result);
        QFETCH(QString, logLine);
        DockLink link;
        QVERIFY(link.startEmulator() && link.openChannel());
        if (fault >= 0)
            link.emulator->armFault(FaultKind(fault), faultCount);
        TransferListener listener;
        LogCapture capture;
        QCOMPARE(transfer(link, {{0x00, 0x01, "0102", dataOf(4000, 5)}}, FwUpdateTarget::lens, targetVersion,
                          listener),
                 result);
        QVERIFY2(capture.untimed().contains(logLine), qPrintable(capture.untimed().join('\n')));
        QCOMPARE(link.serial.delegate(), static_cast<SerialChannelDelegate*>(&link.thread));
    }

    void badImages_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<FwErrorCode>("result");
        QTest::addColumn<QString>("logLine");
        const QByteArray good = FirmwarePacker::plainImage({{0x00, 0x01, "0102", dataOf(100, 1)}}).bytes;
        QTest::newRow("empty") << QByteArray() << FwErrorCode::errorInvalidFile
                               << "[Firmware] Error FW Count";
        QTest::newRow("short header")
            << good.left(1000) << FwErrorCode::errorInvalidFile << "[Firmware] Error header section length";
        QTest::newRow("short data") << good.left(1024 + 50) << FwErrorCode::errorInvalidFile
                                    << "[Firmware] Error data section length";
        // A good first record must not go out when a later part of the image is damaged.
        QTest::newRow("second header cut") << good + good.left(1000) << FwErrorCode::errorInvalidFile
                                           << "[Firmware] Error header section length";
        QTest::newRow("second data cut") << good + good.left(1024 + 50) << FwErrorCode::errorInvalidFile
                                         << "[Firmware] Error data section length";
        QByteArray damaged = good + good;
        damaged[damaged.size() - 1] = char(damaged[damaged.size() - 1] ^ 0x55);
        QTest::newRow("second data damaged")
            << damaged << FwErrorCode::errorCrc << "[Firmware] Error crc check";
        QByteArray huge = good;
        huge[64 + 2] = 0x40; // 4 MiB of data announced
        huge += QByteArray(0x400000, 'x');
        QTest::newRow("data length beyond any firmware")
            << huge << FwErrorCode::errorInvalidFile << "[Firmware] Error data section length";
    }
    void badImages() {
        QFETCH(QByteArray, image);
        QFETCH(FwErrorCode, result);
        QFETCH(QString, logLine);
        DockLink link;
        QVERIFY(link.startEmulator() && link.openChannel());
        const QString path = link.dir.filePath("bad.dec");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(image);
        file.close();
        TransferListener listener;
        LogCapture capture;
        FirmwareTransfer updater(
            link.serial,
            {link.lensInfo, link.adapterBasicInfo, link.defaultAdjustData, link.currentAdjustData},
            fastTimings());
        updater.setDelegate(&listener);
        updater.setDecodeFile(path);
        updater.run();
        QCOMPARE(listener.results.values(), QList<FwErrorCode>{result});
        QVERIFY2(capture.untimed().contains(logLine), qPrintable(capture.untimed().join('\n')));
        QCOMPARE(listener.finished, 0);
        QCOMPARE(link.serial.delegate(), static_cast<SerialChannelDelegate*>(&link.thread));
        QCOMPARE(link.emulator->snapshot().firmwareRequests, 0);
    }

    void missingInputs() {
        DockLink link;
        TransferListener listener;
        LogCapture capture;
        FirmwareTransfer noFile(link.serial, {link.lensInfo, link.adapterBasicInfo, link.defaultAdjustData,
                                              link.currentAdjustData});
        noFile.setDelegate(&listener);
        noFile.run();
        FirmwareTransfer unreadable(link.serial, {link.lensInfo, link.adapterBasicInfo,
                                                  link.defaultAdjustData, link.currentAdjustData});
        unreadable.setDelegate(&listener);
        unreadable.setDecodeFile(link.dir.filePath("absent.dec"));
        unreadable.run();
        QCOMPARE(listener.results.values(),
                 (QList<FwErrorCode>{FwErrorCode::errorInput, FwErrorCode::errorInput}));
        QVERIFY(capture.contains("[Firmware] Error inFile nil"));
        QVERIFY(capture.contains("[Firmware] Error inFile"));
    }
};

QTEST_GUILESS_MAIN(TestFirmwareTransfer)
#include "tst_firmwaretransfer.moc"
