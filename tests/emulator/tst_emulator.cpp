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

// An XMODEM block: 1024 bytes after STX, or 128 after SOH.
QByteArray block(int number, const QByteArray& payload, qsizetype size = 1024) {
    QByteArray header;
    header.append(char(size == 1024 ? ControlByte::stx : 0x01))
        .append(char(number))
        .append(char(255 - number));
    return FrameCodec::encodeTransferBlock(header, payload.leftJustified(size, '\x1A'));
}

QByteArray startTransfer(HostPort& host, std::uint8_t destination, const QByteArray& payload) {
    host.write(FrameCodec::encodeFrame(makeRequest(destination, updateFirmware, payload), 1));
    return host.read(1);
}

// Sends `image` in 1024-byte blocks, each answered by ACK, then EOT; false at the first other answer.
// The device numbers blocks 1 to 255, then 1 again.
bool sendRecord(HostPort& host, const QByteArray& image) {
    for (qsizetype offset = 0; offset < image.size(); offset += 1024)
        if (!host.write(block(int(offset / 1024 % 255 + 1), image.mid(offset, 1024))) || host.read(1) != ack)
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
        QCOMPARE(IdentityDecoder::adapterBasicInfo(adapterReply->data), profile.adapter);
        const auto lensReply = dock.host.exchange(makeRequest(lens, getBasicInfo), 8);
        QCOMPARE(IdentityDecoder::lensInfo(lensReply->data), profile.lens);
    }

    // The reply to one request (packet 5) after a control line and some bytes written before it.
    void answers_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<CommDataFormat>("request");
        QTest::addColumn<CommDataFormat>("reply");
        QTest::addColumn<int>("packet");
        QTest::addColumn<bool>("crcGood");
        const auto row = [](const char* name, const char* control, const CommDataFormat& request,
                            const CommDataFormat& reply, int packet = 5, bool crcGood = true,
                            const QByteArray& before = {}) {
            QTest::newRow(name) << control << before << request << reply << packet << crcGood;
        };
        const auto frame = [](int destination, int function, const char* data = "") {
            return makeRequest(std::uint8_t(destination), std::uint8_t(function), hexBytes(data));
        };
        const CommDataFormat mounted = frame(adapter, checkLensMounted);
        const CommDataFormat yes = frame(adapter, checkLensMounted, "01");
        row("mounted", "", mounted, yes);
        row("not mounted", "unmount", mounted, frame(adapter, checkLensMounted, "00"));
        row("connect", "", frame(adapter, reqLensConnect, "00"), frame(adapter, reqLensConnect, "01"));
        row("connect, no lens", "unmount", frame(adapter, reqLensConnect, "00"),
            frame(adapter, reqLensConnect, "00"));
        row("release", "", frame(adapter, reqLensDisconnect), frame(adapter, reqLensDisconnect));
        row("factory settings", "", frame(lens, getAdjData), makeRequest(lens, getAdjData, zoomLensFactory));
        row("lens absent", "unmount", frame(lens, getBasicInfo), frame(lens, commError, "01"));
        row("unknown function", "", frame(adapter, 0x42), frame(adapter, commError, "02"));
        row("adjust data to adapter", "", frame(adapter, getAdjData), frame(adapter, commError, "02"));
        row("unknown destination", "", frame(7, getBasicInfo), frame(7, commError, "02"));
        row("short adjust data", "", makeRequest(lens, setAdjData, QByteArray(34, '\0')),
            frame(lens, commError, "04"));
        row("short update", "", frame(adapter, updateFirmware, "01"), frame(adapter, commError, "04"));
        row("over-current", "overcurrent on", frame(adapter, getBasicInfo), frame(adapter, commError, "20"));
        // Each reply fault spoils one thing.
        row("crc-low", "fault crc-low", mounted, yes, 5, false);
        row("crc-high", "fault crc-high", mounted, yes, 5, false);
        row("packet-number", "fault packet-number", mounted, yes, 6);
        row("destination", "fault destination", mounted, frame(lens, checkLensMounted, "01"));
        row("function", "fault function", mounted, frame(adapter, 0xF6, "01"));
        row("error-frame", "fault error-frame", mounted, frame(adapter, commError, "02"));
        row("split-reply", "fault split-reply", mounted, yes);
        // Damaged requests get no answer: the good one after them is the first answered.
        QByteArray badCrc = FrameCodec::encodeFrame(mounted, 1);
        badCrc[7] = char(badCrc[7] ^ 0x40);
        QByteArray badEnd = FrameCodec::encodeFrame(mounted, 1);
        badEnd[9] = 0x00;
        row("bad CRC", "", mounted, yes, 5, true, badCrc);
        row("bad end marker", "", mounted, yes, 5, true, badEnd);
        row("zero length", "", mounted, yes, 5, true, hexBytes("0F 01 01 00 00 00 F7 00 F0"));
        row("noise", "", mounted, yes, 5, true, hexBytes("55 AA 00 F0 13"));
    }
    void answers() {
        QFETCH(QString, control);
        QFETCH(QByteArray, before);
        QFETCH(CommDataFormat, request);
        QFETCH(CommDataFormat, reply);
        QFETCH(int, packet);
        QFETCH(bool, crcGood);
        DockFixture dock;
        QVERIFY(dock.start());
        QVERIFY(ControlCommand::apply(*dock.emulator, control).error.isEmpty());
        QVERIFY(dock.host.write(before + FrameCodec::encodeFrame(request, 5)));
        const QByteArray bytes = dock.host.readFrame();
        const auto actual = FrameCodec::decodeFrame(bytes);
        QVERIFY(actual);
        QCOMPARE(actual->packetNumber, packet);
        QCOMPARE(actual->destination, reply.destination);
        QCOMPARE(actual->funcNumber, reply.funcNumber);
        QCOMPARE(actual->data, reply.data);
        QCOMPARE(actual->crc == FrameCodec::expectedCrc(bytes), crcGood);
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

    // A lens record goes in without a reset; the adapter re-enumerates after the self-reset
    // request and again after its record. A record whose data does not match its CRC is not taken.
    void records_data() {
        QTest::addColumn<int>("destination");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("size");
        QTest::newRow("lens") << int(lens) << false << "0211" << 1500;
        QTest::newRow("lens, stored CRC wrong") << int(lens) << true << "0100" << 1500;
        QTest::newRow("lens, over 255 blocks") << int(lens) << false << "0211" << 300000;
        QTest::newRow("adapter") << int(adapter) << false << "0211" << 1500;
    }
    void records() {
        QFETCH(int, destination);
        QFETCH(bool, damaged);
        QFETCH(QString, version);
        QFETCH(int, size);
        DockFixture dock;
        QVERIFY(dock.start());
        QByteArray data;
        for (int i = 0; i < size; ++i)
            data.append(char(i * 7));
        QByteArray image = FirmwarePacker::plainImage({{2, 5, QStringLiteral("0211"), data}}).bytes;
        if (damaged)
            image[1024 + 10] = char(image[1024 + 10] ^ 0x55);
        const bool resets = destination == adapter;
        if (resets) {
            QCOMPARE(startTransfer(dock.host, adapter, hexBytes("00 FF")), QByteArray("C"));
            QVERIFY(dock.host.waitForHangup());
            QVERIFY(dock.reopen(2));
        }
        QCOMPARE(startTransfer(dock.host, std::uint8_t(destination), hexBytes("02 05")), QByteArray("C"));
        QVERIFY(sendRecord(dock.host, image));
        if (resets) {
            QVERIFY(dock.host.waitForHangup());
            QVERIFY(dock.reopen(3));
        }
        const QByteArray identity =
            dock.host.exchange(makeRequest(std::uint8_t(destination), getBasicInfo), 2)->data;
        QCOMPARE(resets ? IdentityDecoder::adapterBasicInfo(identity)->fwVersion
                        : IdentityDecoder::lensInfo(identity)->firmwareVersion,
                 version);
        const DockSnapshot state = dock.emulator->snapshot();
        QCOMPARE(state.firmware.size(), 1);
        QCOMPARE(state.firmware[0].valid, !damaged);
        QCOMPARE(state.firmware[0].targetDevice, 2);
        QCOMPARE(state.firmware[0].targetArea, 5);
        QCOMPARE(state.firmwareImage, damaged ? QByteArray() : image);
        QCOMPARE(state.plugCount, resets ? 3 : 1);
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
        QByteArray badComplement = first;
        badComplement[2] = 0;
        QTest::newRow("damaged block") << "" << 0 << damaged << nak << true;
        QTest::newRow("bad complement") << "" << 0 << badComplement << nak << true;
        QTest::newRow("short block") << "" << 0 << block(1, "h", 128) << ack << true;
        QTest::newRow("block repeated") << "" << 0 << first + first << ack + ack << true;
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
