#include "Bytes.h"
#include "firmware/FirmwareTransfer.h"
#include "link/CommandSet.h"
#include "link/Crc.h"
#include "link/FrameCodec.h"
#include "LogCapture.h"
#include "MemorySerialPort.h"
#include "SampleIdentities.h"

#include <atomic>
#include <condition_variable>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace lensdock;
using namespace std::chrono_literals;

namespace {
// A lens behind an adapter, answering on its own thread like a port would: "C" to the update command,
// ACK to blocks and EOT, frames to commands. The set-adjust-data request can be left unanswered.
class ScriptedDock {
public:
    explicit ScriptedDock(MemoryPortProvider& port) : port_(port), thread_([this] { run(); }) {}
    ~ScriptedDock() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<bool> answerAdjustWrite{true};
    std::atomic<int> cancelledBlock{0}; // the n-th block (the header's is the first) gets CAN

private:
    std::optional<QByteArray> answer(const QByteArray& request) {
        switch (byteAt(request, 0)) {
        case ControlByte::stx:
            if (++blocksSeen_ == cancelledBlock)
                return QByteArray(1, char(ControlByte::can));
            return QByteArray(1, char(ControlByte::ack));
        case ControlByte::eot:
            return QByteArray(1, char(ControlByte::ack));
        case CommDataFormat::startMarker:
            break;
        default:
            return std::nullopt;
        }
        const std::uint8_t function = byteAt(request, 6);
        if (function == FunctionNumber::updateFirmware)
            return QByteArray(1, char(ControlByte::readyToReceive));
        if (function == FunctionNumber::setAdjData && !answerAdjustWrite)
            return std::nullopt;
        CommDataFormat reply;
        reply.destination = byteAt(request, 2);
        reply.funcNumber = function;
        reply.setPayload(function == FunctionNumber::getBasicInfo ? sampleLensIdentity() : QByteArray());
        return FrameCodec::encodeFrame(reply, byteAt(request, 1));
    }
    void run() {
        qsizetype seen = 0;
        while (!stop_) {
            if (!port_.waitForWrites(seen, 5ms))
                continue;
            const QList<QByteArray> writes = port_.written();
            for (; seen < writes.size(); ++seen) {
                if (const auto reply = answer(writes[seen]))
                    port_.feed(*reply);
            }
        }
    }

    MemoryPortProvider& port_;
    int blocksSeen_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class Listener : public SendFirmwareDelegate {
public:
    void sendProgress(int, double) override {}
    void sendFinished() override {}
    void sendCompleted(FwErrorCode code) override { result = code; }
    std::optional<FwErrorCode> result;
};

QByteArray record(quint32 dataLength, const QByteArray& data) {
    QByteArray header(1024, '\0');
    header[64] = char(dataLength & 0xFF);
    header[65] = char((dataLength >> 8) & 0xFF);
    header[72] = 0x00;
    header[73] = 0x01;
    const auto crc = Crc::calcCrc(data);
    header[70] = char(crc[0]);
    header[71] = char(crc[1]);
    return header + data;
}

struct Rig {
    // A 200 ms answer time-out: room for a loaded machine or a sanitizer before a block is resent.
    Rig() : serial(provider, 1ms) {
        serial.openPort(provider->path());
        timings.lensResetWait = 1ms;
    }
    FwErrorCode run(const QByteArray& image, const QString& version = "0102") {
        const QString path = dir.filePath("image.dec");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(image);
        file.close();
        FirmwareTransfer updater(serial, {lensInfo, adapterInfo, defaultAdjust, currentAdjust}, timings);
        Listener listener;
        updater.setDelegate(&listener);
        updater.setTargetVersion(version);
        updater.setDecodeFile(path);
        updater.setFwUpdateNum(1);
        updater.run();
        return listener.result.value_or(FwErrorCode::errorInput);
    }
    QList<QByteArray> blocks() const {
        QList<QByteArray> result;
        for (const QByteArray& write : provider->written()) {
            if (byteAt(write, 0) == ControlByte::stx)
                result << write;
        }
        return result;
    }

    QTemporaryDir dir;
    std::shared_ptr<MemoryPortProvider> provider = std::make_shared<MemoryPortProvider>();
    SerialChannel serial;
    Guarded<LensInfo> lensInfo;
    Guarded<AdapterBasicInfo> adapterInfo;
    Guarded<LensAdjustData> defaultAdjust;
    Guarded<LensAdjustData> currentAdjust;
    UpdateTimings timings;
};
} // namespace

class TestUpdateThread : public QObject {
    Q_OBJECT
private slots:
    void lastBlockIsPaddedWithSubstitutes() {
        Rig rig;
        ScriptedDock dock(*rig.provider);
        QByteArray data(1500, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(i % 251);
        QCOMPARE(rig.run(record(1500, data)), FwErrorCode::resultOk);
        const QList<QByteArray> blocks = rig.blocks();
        QCOMPARE(blocks.size(), 3);
        QCOMPARE(blocks[0].left(3), hexBytes("02 01 FE"));
        QCOMPARE(blocks[1].left(3), hexBytes("02 02 FD"));
        QCOMPARE(blocks[2].left(3), hexBytes("02 03 FC"));
        QCOMPARE(blocks[1].mid(3, 1024), data.left(1024));
        QCOMPARE(blocks[2].mid(3, 1024), data.mid(1024) + QByteArray(548, '\x1A'));
        for (const QByteArray& block : blocks) {
            QCOMPARE(block.size(), 1029);
            const std::uint16_t crc = Crc::compute(block.mid(3, 1024));
            QCOMPARE(byteAt(block, 1027), std::uint8_t(crc >> 8));
            QCOMPARE(byteAt(block, 1028), std::uint8_t(crc & 0xFF));
        }
        // Each block follows the update command; the record ends with EOT and the lens's reset.
        const QList<QByteArray> writes = rig.provider->written();
        QCOMPARE(byteAt(writes[0], 6), FunctionNumber::updateFirmware);
        QCOMPARE(writes[0].mid(7, 2), hexBytes("00 01"));
        QCOMPARE(writes[4], hexBytes("04"));
        QCOMPARE(byteAt(writes[5], 6), FunctionNumber::reqLensDisconnect);
        QCOMPARE(byteAt(writes[6], 6), FunctionNumber::reqLensConnect);
    }

    void emptyDataSectionSendsOnlyTheHeader() {
        Rig rig;
        ScriptedDock dock(*rig.provider);
        QCOMPARE(rig.run(record(0, QByteArray())), FwErrorCode::resultOk);
        QCOMPARE(rig.blocks().size(), 1);
    }

    void exactMultipleOfTheBlockNeedsNoPadding() {
        Rig rig;
        ScriptedDock dock(*rig.provider);
        QCOMPARE(rig.run(record(2048, QByteArray(2048, 'x'))), FwErrorCode::resultOk);
        QCOMPARE(rig.blocks().size(), 3);
        QCOMPARE(rig.blocks()[2].mid(3, 1024), QByteArray(1024, 'x'));
    }

    void factoryDataFollowsAndUnansweredWriteStillSucceeds_data() {
        QTest::addColumn<bool>("answered");
        QTest::newRow("written") << true;
        QTest::newRow("write unanswered") << false;
    }
    void factoryDataFollowsAndUnansweredWriteStillSucceeds() {
        QFETCH(bool, answered);
        Rig rig;
        LensAdjustData edited;
        edited.focusZoomClose[0] = 12;
        rig.currentAdjust.set(edited);
        ScriptedDock dock(*rig.provider);
        dock.answerAdjustWrite = answered;
        QCOMPARE(rig.run(record(10, QByteArray(10, 'y'))), FwErrorCode::resultOk);
        const LensAdjustData factory = rig.defaultAdjust.get();
        QCOMPARE(factory.focusLimitSecondFar, std::int64_t(7));
        QCOMPARE(rig.currentAdjust.get(), answered ? factory : edited);
        QCOMPARE(rig.lensInfo.get().modelCode, QString("A036"));
    }

    // Blocks wait in the channel's queue while earlier ones are answered: none may follow the refused one.
    void cancelledBlockIsTheLastOneSent() {
        Rig rig;
        ScriptedDock dock(*rig.provider);
        dock.cancelledBlock = 7;
        LogCapture capture;
        QCOMPARE(rig.run(record(40 * 1024, QByteArray(40 * 1024, 'q'))), FwErrorCode::errorUsbSerialFailed);
        const QList<QByteArray> blocks = rig.blocks();
        QCOMPARE(blocks.size(), 7);
        QCOMPARE(blocks.last().left(3), hexBytes("02 07 F8"));
        QCOMPARE(rig.provider->written().last(), hexBytes("18"));
        QVERIFY(capture.contains("[Firmware] Error FW data 6"));
    }

    void versionBytesMustBeDecimal() {
        Rig rig;
        ScriptedDock dock(*rig.provider);
        LogCapture capture;
        QCOMPARE(rig.run(record(10, QByteArray(10, 'y')), "0103"), FwErrorCode::errorVersion);
        QVERIFY(capture.contains("[Firmware] Error version check"));
    }
};

QTEST_GUILESS_MAIN(TestUpdateThread)
#include "tst_updatethread.moc"
