#include "Bytes.h"
#include "DockFixture.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"

#include <QTest>

using namespace lensdock;

namespace {
CommDataFormat identityRequest() {
    return makeRequest(Destination::adapter, FunctionNumber::getBasicInfo);
}

QByteArray send(DockFixture& dock, std::uint8_t packet) {
    dock.host.write(FrameCodec::encodeFrame(identityRequest(), packet));
    return dock.host.readFrame();
}

std::array<std::uint8_t, 2> crcBytes(const QByteArray& frame) {
    return {std::uint8_t(frame[frame.size() - 3]), std::uint8_t(frame[frame.size() - 2])};
}
} // namespace

class TestEmulatorFaults : public QObject {
    Q_OBJECT
private slots:
    // Each fault spoils exactly one thing in the next reply, and only in that one.
    void replyFaults_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("crcLowGood");
        QTest::addColumn<bool>("crcHighGood");
        QTest::addColumn<int>("packetNumber");
        QTest::addColumn<int>("destination");
        QTest::addColumn<int>("function");
        QTest::newRow("crc-low") << "crc-low" << false << true << 10 << 1 << 0xFA;
        QTest::newRow("crc-high") << "crc-high" << true << false << 10 << 1 << 0xFA;
        QTest::newRow("packet-number") << "packet-number" << true << true << 11 << 1 << 0xFA;
        QTest::newRow("destination") << "destination" << true << true << 10 << 0 << 0xFA;
        QTest::newRow("function") << "function" << true << true << 10 << 1 << 0xFB;
        QTest::newRow("error-frame") << "error-frame" << true << true << 10 << 1 << 0xFF;
        QTest::newRow("split-reply") << "split-reply" << true << true << 10 << 1 << 0xFA;
    }
    void replyFaults() {
        QFETCH(QString, fault);
        QFETCH(bool, crcLowGood);
        QFETCH(bool, crcHighGood);
        QFETCH(int, packetNumber);
        QFETCH(int, destination);
        QFETCH(int, function);
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(*FaultPlan::kindFromName(fault));
        const QByteArray frame = send(dock, 10);
        const auto reply = FrameCodec::decodeFrame(frame);
        QVERIFY(reply);
        const auto expected = FrameCodec::expectedCrc(frame);
        QCOMPARE(crcBytes(frame)[0] == expected[0], crcLowGood);
        QCOMPARE(crcBytes(frame)[1] == expected[1], crcHighGood);
        QCOMPARE(reply->packetNumber, packetNumber);
        QCOMPARE(reply->destination, destination);
        QCOMPARE(reply->funcNumber, function);
        if (function == FunctionNumber::commError)
            QCOMPARE(std::uint8_t(reply->data.at(0)) & bitOverCurrent, 0);

        const auto next = FrameCodec::decodeFrame(send(dock, 11));
        QCOMPARE(next->packetNumber, 11);
        QCOMPARE(next->destination, Destination::adapter);
        QCOMPARE(next->funcNumber, FunctionNumber::getBasicInfo);
    }

    void splitReplyGoesOutInThreeChunks() {
        DockFixture dock;
        dock.options.tracePath = dock.dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::splitReply);
        QVERIFY(FrameCodec::decodeFrame(send(dock, 1)));
        dock.emulator->stop();
        QFile trace(dock.options.tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QCOMPARE(trace.readAll().count(" TX "), 3);
    }

    void droppedReplyIsNeverSent() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::dropReply);
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(identityRequest(), 1)));
        // The next request is the first one answered.
        const auto reply = FrameCodec::decodeFrame(send(dock, 2));
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 2);
        QVERIFY(dock.emulator->snapshot().faults.empty());
    }

    void faultCountCoversThatManyReplies() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::crcLow, 2);
        for (std::uint8_t packet : {1, 2}) {
            const QByteArray frame = send(dock, packet);
            QVERIFY(crcBytes(frame)[0] != FrameCodec::expectedCrc(frame)[0]);
        }
        const QByteArray good = send(dock, 3);
        QCOMPARE(crcBytes(good), FrameCodec::expectedCrc(good));
    }

    void strayBytesArriveUnasked() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::strayBytes, 2);
        QCOMPARE(dock.host.read(6), hexBytes("55 AA 13 55 AA 13"));
    }

    // A scoped fault waits for a request of its function and leaves the others alone.
    void scopedFaultWaitsForItsFunction() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->setFaultScope(FunctionNumber::getAdjData);
        dock.emulator->armFault(FaultKind::crcLow);
        const QByteArray identity = send(dock, 1);
        QCOMPARE(crcBytes(identity), FrameCodec::expectedCrc(identity));
        const CommDataFormat read = makeRequest(Destination::lens, FunctionNumber::getAdjData);
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(read, 2)));
        const QByteArray spoiled = dock.host.readFrame();
        QVERIFY(crcBytes(spoiled)[0] != FrameCodec::expectedCrc(spoiled)[0]);
        QVERIFY(dock.emulator->snapshot().faults.empty());
    }

    void unplugOnRequestLeavesTheRequestUndone() {
        DockFixture dock;
        QVERIFY(dock.start());
        const QByteArray before = dock.emulator->snapshot().adjustBytes;
        QByteArray changed = before;
        changed[0] = char(changed[0] ^ 0x01);
        dock.emulator->setFaultScope(FunctionNumber::setAdjData);
        dock.emulator->armFault(FaultKind::unplugOnRequest);
        QCOMPARE(FrameCodec::decodeFrame(send(dock, 1))->funcNumber, FunctionNumber::getBasicInfo);
        const CommDataFormat write = makeRequest(Destination::lens, FunctionNumber::setAdjData, changed);
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(write, 2)));
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.emulator->waitForUnplugged(DockFixture::plugWait));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, before);
        QCOMPARE(dock.emulator->snapshot().plugCount, 1);
    }

    void overCurrentErrorFrame() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->setOverCurrent(true);
        const auto reply = FrameCodec::decodeFrame(send(dock, 1));
        QCOMPARE(reply->funcNumber, FunctionNumber::commError);
        QCOMPARE(std::uint8_t(reply->data.at(0)) & bitOverCurrent, bitOverCurrent);
        QCOMPARE(reply->packetNumber, 1);
        dock.emulator->setOverCurrent(false);
        QCOMPARE(FrameCodec::decodeFrame(send(dock, 2))->funcNumber, FunctionNumber::getBasicInfo);
    }

    void dropReplyAlsoSwallowsTheReadyByte() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::dropReply);
        const CommDataFormat update =
            makeRequest(Destination::lens, FunctionNumber::updateFirmware, hexBytes("00 01"));
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(update, 1)));
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(update, 1)));
        QCOMPARE(dock.host.read(1), QByteArray("C"));
        QVERIFY(dock.emulator->snapshot().receivingBlocks);
    }
};

QTEST_GUILESS_MAIN(TestEmulatorFaults)
#include "tst_emulatorfaults.moc"
