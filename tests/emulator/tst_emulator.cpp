#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "ControlCommand.h"
#include "DockFixture.h"
#include "EmulatorEngine.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"

#include <mutex>
#include <poll.h>
#include <QFileInfo>
#include <QTest>

using namespace lensdock;
using namespace FunctionNumber;

Q_DECLARE_METATYPE(lensdock::DockProfile)

namespace {
constexpr std::uint8_t adapter = Destination::adapter;
constexpr std::uint8_t lens = Destination::lens;
const QByteArray ack("\x06");
const QByteArray nak("\x15");
const QByteArray can("\x18");
// Level 2, VC 2; switch 1: 9-0, 9-9, mode 1; switch 2: 9-2, 9-7, mode 2; no focus corrections.
const QByteArray zoomLensFactory = hexBytes("02 02 00 09 00 01 00 07 02 02 00") + QByteArray(24, '\0');

QByteArray block(int number, const QByteArray& payload) {
    QByteArray header;
    header.append(char(ControlByte::stx)).append(char(number)).append(char(255 - number));
    return FrameCodec::encodeTransferBlock(header, payload.leftJustified(1024, '\x1A'));
}

QByteArray startTransfer(HostPort& host, std::uint8_t destination, const QByteArray& payload) {
    host.write(FrameCodec::encodeFrame(makeRequest(destination, updateFirmware, payload), 1));
    return host.read(1);
}

// Sends `image` in 1024-byte blocks, each answered by ACK, then EOT; false at the first other answer.
bool sendRecord(HostPort& host, const QByteArray& image) {
    for (qsizetype offset = 0; offset < image.size(); offset += 1024)
        if (!host.write(block(int(offset / 1024 + 1), image.mid(offset, 1024))) || host.read(1) != ack)
            return false;
    return host.write("\x04") && host.read(1) == ack;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestEmulator : public QObject {
    Q_OBJECT
private slots:
    void identities_data() {
        QTest::addColumn<DockProfile>("profile");
        QTest::addColumn<int>("baud");
        for (const QString& name : DockProfile::builtInNames())
            QTest::newRow(qPrintable(name)) << *DockProfile::builtIn(name) << 0;
        QTest::newRow("paced line") << DockProfile::zoomLens() << 115200;
    }
    void identities() {
        QFETCH(DockProfile, profile);
        QFETCH(int, baud);
        DockFixture dock(profile);
        dock.options.baud = baud;
        QVERIFY(dock.start());
        const auto adapterReply = dock.host.exchange(makeRequest(adapter, getBasicInfo), 7);
        QVERIFY(adapterReply);
        QCOMPARE(adapterReply->packetNumber, 7);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(adapterReply->data), profile.adapter);
        const auto lensReply = dock.host.exchange(makeRequest(lens, getBasicInfo), 255);
        QVERIFY(lensReply);
        QCOMPARE(lensReply->crc, FrameCodec::expectedCrc(FrameCodec::encodeFrame(*lensReply, 255)));
        QCOMPARE(IdentityDecoder::lensInfo(lensReply->data), profile.lens);
    }

    void answers_data() {
        QTest::addColumn<QString>("control"); // a control line applied first
        QTest::addColumn<int>("destination");
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("replyFunction");
        QTest::addColumn<QByteArray>("replyData");
        const auto row = [](const char* name, const char* control, int destination, int function,
                            const QByteArray& payload, int replyFunction, const char* replyData) {
            QTest::newRow(name) << control << destination << function << payload << replyFunction
                                << hexBytes(replyData);
        };
        row("mounted", "", adapter, checkLensMounted, {}, checkLensMounted, "01");
        row("not mounted", "unmount", adapter, checkLensMounted, {}, checkLensMounted, "00");
        row("connect", "", adapter, reqLensConnect, hexBytes("00"), reqLensConnect, "01");
        row("connect, no lens", "unmount", adapter, reqLensConnect, hexBytes("00"), reqLensConnect, "00");
        row("release", "", adapter, reqLensDisconnect, {}, reqLensDisconnect, "");
        row("lens absent", "unmount", lens, getBasicInfo, {}, commError, "01");
        row("unknown function", "", adapter, 0x42, {}, commError, "02");
        row("adjust data to adapter", "", adapter, getAdjData, {}, commError, "02");
        row("unknown destination", "", 7, getBasicInfo, {}, commError, "02");
        row("short adjust data", "", lens, setAdjData, QByteArray(34, '\0'), commError, "04");
        row("short update", "", adapter, updateFirmware, hexBytes("01"), commError, "04");
        row("over-current", "overcurrent on", adapter, getBasicInfo, {}, commError, "20");
        QTest::newRow("factory settings")
            << "" << int(lens) << int(getAdjData) << QByteArray() << int(getAdjData) << zoomLensFactory;
    }
    void answers() {
        QFETCH(QString, control);
        QFETCH(int, destination);
        QFETCH(int, function);
        QFETCH(QByteArray, payload);
        QFETCH(int, replyFunction);
        QFETCH(QByteArray, replyData);
        DockFixture dock;
        QVERIFY(dock.start());
        QVERIFY(ControlCommand::apply(*dock.emulator, control).error.isEmpty());
        const auto reply =
            dock.host.exchange(makeRequest(std::uint8_t(destination), std::uint8_t(function), payload), 5);
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 5);
        QCOMPARE(reply->destination, destination);
        QCOMPARE(reply->funcNumber, replyFunction);
        QCOMPARE(reply->data, replyData);
    }

    void damagedRequestsGetNoAnswer_data() {
        QTest::addColumn<QByteArray>("damaged");
        const QByteArray good = FrameCodec::encodeFrame(makeRequest(adapter, checkLensMounted), 1);
        QByteArray badCrc = good;
        badCrc[7] = char(badCrc[7] ^ 0x40);
        QByteArray badEnd = good;
        badEnd[9] = 0x00;
        QTest::newRow("bad CRC") << badCrc;
        QTest::newRow("bad end marker") << badEnd;
        QTest::newRow("zero length") << hexBytes("0F 01 01 00 00 00 F7 00 F0");
        QTest::newRow("noise") << hexBytes("55 AA 00 F0 13");
    }
    void damagedRequestsGetNoAnswer() {
        QFETCH(QByteArray, damaged);
        DockFixture dock;
        QVERIFY(dock.start());
        QVERIFY(dock.host.write(damaged));
        // The next good request is the first one answered.
        const auto reply = dock.host.exchange(makeRequest(adapter, getBasicInfo), 2);
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 2);
        QCOMPARE(reply->funcNumber, getBasicInfo);
    }

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
        QVERIFY(ControlCommand::apply(*dock.emulator, "fault " + fault).error.isEmpty());
        const CommDataFormat request = makeRequest(adapter, getBasicInfo);
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(request, 10)));
        const QByteArray frame = dock.host.readFrame();
        const auto reply = FrameCodec::decodeFrame(frame);
        QVERIFY(reply);
        const auto expected = FrameCodec::expectedCrc(frame);
        QCOMPARE(std::uint8_t(frame[frame.size() - 3]) == expected[0], crcLowGood);
        QCOMPARE(std::uint8_t(frame[frame.size() - 2]) == expected[1], crcHighGood);
        QCOMPARE(reply->packetNumber, packetNumber);
        QCOMPARE(reply->destination, destination);
        QCOMPARE(reply->funcNumber, function);
        if (function == commError)
            QCOMPARE(std::uint8_t(reply->data.at(0)) & bitOverCurrent, 0);
        const auto next = dock.host.exchange(request, 11);
        QCOMPARE(next->packetNumber, 11);
        QCOMPARE(next->destination, adapter);
        QCOMPARE(next->funcNumber, getBasicInfo);
    }

    void traceRecordsFramesAndSplitReplies() {
        DockFixture dock;
        dock.options.tracePath = dock.dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(dock.start());
        QVERIFY(dock.host.exchange(makeRequest(adapter, checkLensMounted), 1));
        dock.emulator->armFault(FaultKind::splitReply);
        QVERIFY(dock.host.exchange(makeRequest(adapter, checkLensMounted), 2));
        dock.emulator->stop();
        const QByteArray trace = readAll(dock.options.tracePath);
        QVERIFY(trace.contains(" RX 0F 01 01 00 01 00 F7 D0 CD F0"));
        QVERIFY(trace.contains(" TX 0F 01 01 00 02 00 F7 01"));
        QCOMPARE(trace.count(" TX "), 1 + 3); // the split reply goes out in three chunks
    }

    // One dock through a session: the link follows each new pty, the lens's settings outlive an
    // unplug, and a host reopening its port is no replug.
    void sessionAcrossUnplugAndReplug() {
        DockFixture dock;
        QVERIFY(dock.start());
        const auto linkTarget = [&dock] { return QFileInfo(dock.options.linkPath).symLinkTarget(); };
        QCOMPARE(linkTarget(), dock.emulator->snapshot().slavePath);
        const QByteArray frame =
            FrameCodec::encodeFrame(makeRequest(adapter, reqLensConnect, hexBytes("00")), 9);
        QVERIFY(dock.host.write(frame.left(4)) && dock.host.write(frame.mid(4)));
        QCOMPARE(FrameCodec::decodeFrame(dock.host.readFrame())->packetNumber, 9);
        QVERIFY(dock.emulator->snapshot().lensConnected);

        const LensInfo info = dock.options.profile.lens;
        LensAdjustData settings = LensAdjustData::factorySettings(info);
        settings.focusZoomClose[3] = -30;
        settings.vcMode = 3;
        CommDataFormat write;
        makeSetAdjustData(write, settings, info);
        QCOMPARE(dock.host.exchange(write, 2)->funcNumber, setAdjData);
        QVERIFY(dock.host.exchange(makeRequest(adapter, reqLensDisconnect), 3));
        QVERIFY(!dock.emulator->snapshot().lensConnected);

        dock.emulator->unplug();
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(!QFileInfo(dock.options.linkPath).isSymLink());
        QVERIFY(!dock.emulator->snapshot().plugged);
        dock.emulator->replug();
        QVERIFY(dock.reopen(2));
        QCOMPARE(linkTarget(), dock.emulator->snapshot().slavePath);
        const auto readBack = dock.host.exchange(makeRequest(lens, getAdjData), 4);
        QCOMPARE(AdjustPayload::decode(readBack->data, info), settings);
        QCOMPARE(readBack->data.at(14), char(0xE2)); // -30, as the lens stores it

        dock.host.close();
        QVERIFY(dock.host.open(dock.options.linkPath));
        QVERIFY(dock.host.exchange(makeRequest(adapter, checkLensMounted), 5));
        QCOMPARE(dock.emulator->snapshot().plugCount, 2);
    }

    // A file where the link goes is never replaced: start refuses, and a replug onto it is reported
    // to the problem handler instead of the dock staying away silently.
    void aFileAtTheLinkIsKept() {
        DockFixture dock;
        const auto putFile = [&dock] {
            QFile file(dock.options.linkPath);
            return file.open(QIODevice::WriteOnly) && file.write("keep me") == 7;
        };
        QVERIFY(putFile());
        QString error;
        QVERIFY(!DockEmulator(dock.options).start(&error));
        QVERIFY(error.contains(QStringLiteral("not a symlink")));
        QCOMPARE(readAll(dock.options.linkPath), QByteArray("keep me"));
        QVERIFY(QFile::remove(dock.options.linkPath));

        std::mutex mutex;
        QStringList problems;
        dock.emulator = std::make_unique<DockEmulator>(dock.options);
        dock.emulator->setProblemHandler([&](const QString& message) {
            std::lock_guard lock(mutex);
            problems << message;
        });
        QVERIFY(dock.emulator->start(&error));
        dock.emulator->unplug();
        QVERIFY(putFile());
        dock.emulator->replug();
        QVERIFY(!dock.emulator->snapshot().plugged);
        {
            std::lock_guard lock(mutex);
            QCOMPARE(problems.size(), 1);
            QVERIFY(problems[0].contains(QStringLiteral("not a symlink")));
        }
        QCOMPARE(readAll(dock.options.linkPath), QByteArray("keep me"));
        QVERIFY(QFile::remove(dock.options.linkPath));
        dock.emulator->replug();
        QVERIFY(dock.reopen(2));
    }

    // The engine driven by hand, one pass at a time: the request is read and answered within a
    // single pass, although the pass's clock reading is older than the moment the reply is queued.
    void unpacedReplyLeavesInTheSamePass() {
        DockFixture dock;
        EmulatorEngine engine(dock.options, {});
        QString error;
        QVERIFY2(engine.plugIn(&error), qPrintable(error));
        QVERIFY(dock.host.open(dock.options.linkPath));
        QVERIFY(dock.host.write(FrameCodec::encodeFrame(makeRequest(adapter, getBasicInfo), 3)));
        pollfd readable{engine.masterFd(), POLLIN, 0};
        QCOMPARE(::poll(&readable, 1, 5000), 1);
        const auto pass = EmulatorEngine::Clock::now();
        engine.onReadable(pass);
        engine.runDue(pass);
        const auto reply = FrameCodec::decodeFrame(dock.host.readFrame());
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 3);
        QCOMPARE(reply->funcNumber, getBasicInfo);
        engine.unplugNow();
    }

    // A lens record goes in without a reset: the same pty answers with the new version, unless the
    // record's data does not match its CRC.
    void lensRecord_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("whole") << false;
        QTest::newRow("stored CRC wrong") << true;
    }
    void lensRecord() {
        QFETCH(bool, damaged);
        DockFixture dock;
        QVERIFY(dock.start());
        QByteArray data;
        for (int i = 0; i < 1500; ++i)
            data.append(char(i * 7));
        QByteArray image = FirmwarePacker::plainImage({{2, 5, QStringLiteral("0211"), data}}).bytes;
        if (damaged)
            image[1024 + 10] = char(image[1024 + 10] ^ 0x55);
        QCOMPARE(startTransfer(dock.host, lens, hexBytes("02 05")), QByteArray("C"));
        QVERIFY(sendRecord(dock.host, image));
        const auto identity = dock.host.exchange(makeRequest(lens, getBasicInfo), 2);
        const QString version = damaged ? QStringLiteral("0100") : QStringLiteral("0211");
        QCOMPARE(IdentityDecoder::lensInfo(identity->data)->firmwareVersion, version);
        const DockSnapshot state = dock.emulator->snapshot();
        QCOMPARE(state.firmware.size(), 1);
        QCOMPARE(state.firmware[0].valid, !damaged);
        QCOMPARE(state.firmware[0].targetDevice, 2);
        QCOMPARE(state.firmware[0].targetArea, 5);
        QCOMPARE(state.firmwareImage, damaged ? QByteArray() : image);
        QCOMPARE(state.plugCount, 1);
    }

    // The adapter re-enumerates after the self-reset request and again after its record.
    void adapterUpdateReenumeratesTwice() {
        DockFixture dock;
        QVERIFY(dock.start());
        QCOMPARE(startTransfer(dock.host, adapter, hexBytes("00 FF")), QByteArray("C"));
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.reopen(2));
        const QByteArray image =
            FirmwarePacker::plainImage({{1, 0, QStringLiteral("0456"), QByteArray(2048, 'a')}}).bytes;
        QCOMPARE(startTransfer(dock.host, adapter, hexBytes("01 00")), QByteArray("C"));
        QVERIFY(sendRecord(dock.host, image));
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.reopen(3));
        const auto identity = dock.host.exchange(makeRequest(adapter, getBasicInfo), 1);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity->data)->fwVersion, QStringLiteral("0456"));
    }

    // What the dock answers to the first thing sent after it said C, and whether the transfer
    // goes on (block 1 is then taken) or has ended (frames are answered again).
    void firstBlockAnswers_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("staleMs"); // 0: the fixture's
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("goesOn");
        const QByteArray first = block(1, QByteArray(1024, 'h'));
        QByteArray damaged = first;
        damaged[500] = char(damaged[500] ^ 0x01);
        QTest::newRow("damaged block") << "" << 0 << damaged << nak << true;
        QTest::newRow("nak-block fault") << "nak-block" << 0 << first << nak << true;
        QTest::newRow("stalled block") << "" << 30 << first.left(600) << nak << true;
        QTest::newRow("can-block fault") << "can-block" << 0 << first << can << false;
        QTest::newRow("out of sequence") << "" << 0 << block(3, QByteArray(1024, 'h')) << can << false;
        QTest::newRow("host cancels") << "" << 0 << can << QByteArray() << false;
        // A frame in the middle of a transfer: the host has given up on it.
        QTest::newRow("a frame") << "" << 0
                                 << FrameCodec::encodeFrame(makeRequest(adapter, checkLensMounted), 4)
                                 << FrameCodec::encodeFrame(
                                        makeRequest(adapter, checkLensMounted, hexBytes("01")), 4)
                                 << false;
    }
    void firstBlockAnswers() {
        QFETCH(QString, fault);
        QFETCH(int, staleMs);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        QFETCH(bool, goesOn);
        DockFixture dock;
        if (staleMs)
            dock.options.staleInputTimeout = std::chrono::milliseconds(staleMs);
        QVERIFY(dock.start());
        if (!fault.isEmpty())
            dock.emulator->armFault(*FaultPlan::kindFromName(fault));
        QCOMPARE(startTransfer(dock.host, lens, hexBytes("02 05")), QByteArray("C"));
        QVERIFY(dock.host.write(input));
        QCOMPARE(dock.host.read(answer.size()), answer);
        if (goesOn) {
            QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h'))));
            QCOMPARE(dock.host.read(1), ack);
        } else {
            QVERIFY(dock.host.exchange(makeRequest(adapter, checkLensMounted), 2));
        }
        QCOMPARE(dock.emulator->snapshot().receivingBlocks, goesOn);
    }
};

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
