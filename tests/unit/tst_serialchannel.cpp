#include "Bytes.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/SerialChannel.h"
#include "LogCapture.h"
#include "MemorySerialPort.h"
#include "RecordingSerialDelegate.h"

#include <functional>
#include <QRandomGenerator>
#include <QTest>
#include <thread>

using namespace lensdock;
using namespace std::chrono_literals;
using Kind = RecordingSerialDelegate::Event::Kind;
using Damage = std::function<void(QByteArray&)>;
Q_DECLARE_METATYPE(Damage)
Q_DECLARE_METATYPE(ChannelError)

namespace {
// Long enough that the watchdog never fires during a test that does not want it to.
constexpr auto quietTick = std::chrono::milliseconds(std::chrono::hours(1));
constexpr auto fastTick = 1ms;

CommDataFormat adapterIdentityRequest() {
    return *buildRequest(CommandIndex::getBasicInfo, true);
}

// The reply a device gives to `request`: same packet number, destination and function.
QByteArray replyTo(const QByteArray& request, const QByteArray& payload = QByteArray(63, '\x11')) {
    CommDataFormat reply;
    reply.destination = byteAt(request, 2);
    reply.funcNumber = byteAt(request, 6);
    reply.setPayload(payload);
    return FrameCodec::encodeFrame(reply, byteAt(request, 1));
}

QByteArray withFixedCrc(QByteArray frame) {
    const auto crc = FrameCodec::expectedCrc(frame);
    const int length = FrameCodec::lengthField(frame);
    frame[length + 6] = char(crc[0]);
    frame[length + 7] = char(crc[1]);
    return frame;
}

struct Channel {
    explicit Channel(std::chrono::microseconds tick = quietTick)
        : provider(std::make_shared<MemoryPortProvider>()), serial(provider, tick) {
        serial.setDelegate(&delegate);
        if (!serial.openPort(serial.findPortPath()))
            qFatal("memory port did not open");
    }
    QByteArray lastWrite() const { return provider->written().last(); }

    std::shared_ptr<MemoryPortProvider> provider;
    RecordingSerialDelegate delegate;
    SerialChannel serial;
};
} // namespace

class TestSerialChannel : public QObject {
    Q_OBJECT
private slots:
    void replyInThreeChunksIsAssembled() {
        Channel channel(5ms); // 200 ticks = 1 s of silence before a time-out
        LogCapture capture;
        QCOMPARE(channel.serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::sent));
        const QByteArray reply = replyTo(channel.lastWrite());
        // Each incomplete chunk restarts the watchdog, so three pauses of 0.4 s add up to no time-out.
        channel.provider->feed(reply.left(3));
        std::this_thread::sleep_for(400ms);
        channel.provider->feed(reply.mid(3, 30));
        std::this_thread::sleep_for(400ms);
        QCOMPARE(channel.delegate.count(), 0);
        channel.provider->feed(reply.mid(33));
        QCOMPARE(channel.delegate.count(), 1);
        const auto event = channel.delegate.events().first();
        QCOMPARE(event.kind, Kind::response);
        QCOMPARE(event.response.data, QByteArray(63, '\x11'));
        QCOMPARE(channel.provider->writeCount(), 1);
        QVERIFY(capture.contains("[USB] Send Command Get Basic Info"));
        QVERIFY(capture.contains("[USB] Recv Response Get Basic Info"));
        QVERIFY(!channel.serial.isResponseWaiting());
    }

    void badRepliesAreResentThenReported_data() {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<ChannelError>("code");
        QTest::newRow("crc low byte")
            << Damage([](QByteArray& r) { r[r.size() - 3] = char(r[r.size() - 3] ^ 0x01); })
            << "[USB] Error crc check 1" << ChannelError::crcErr;
        QTest::newRow("crc high byte")
            << Damage([](QByteArray& r) { r[r.size() - 2] = char(r[r.size() - 2] ^ 0x80); })
            << "[USB] Error crc check 2" << ChannelError::crcErr;
        QTest::newRow("end marker") << Damage([](QByteArray& r) { r[r.size() - 1] = char(0xF1); })
                                    << "[USB] Error end mark" << ChannelError::formatErr;
        QTest::newRow("zero length field")
            << Damage([](QByteArray& r) { r = hexBytes("0F 01 01 00 00 00 FA 00 00 F0"); })
            << "[USB] Error length" << ChannelError::formatErr;
        QTest::newRow("packet zero") << Damage([](QByteArray& r) { r[1] = 0, r = withFixedCrc(r); })
                                     << "[USB] Error packet zero" << ChannelError::packetNumZero;
        QTest::newRow("destination") << Damage([](QByteArray& r) { r[2] = 0, r = withFixedCrc(r); })
                                     << "[USB] Error destination" << ChannelError::destinationErr;
        QTest::newRow("function") << Damage([](QByteArray& r) { r[6] = char(0xFC), r = withFixedCrc(r); })
                                  << "[USB] Error function number" << ChannelError::funcNumErr;
        QTest::newRow("error frame without over-current")
            << Damage([](QByteArray& r) { r[6] = char(0xFF), r[7] = 0x01, r = withFixedCrc(r); })
            << "[USB] Error function number" << ChannelError::funcNumErr;
    }
    void badRepliesAreResentThenReported() {
        QFETCH(Damage, damage);
        QFETCH(QString, logLine);
        QFETCH(ChannelError, code);
        Channel channel;
        LogCapture capture;
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        for (int attempt = 0; attempt < 4; ++attempt) {
            QCOMPARE(channel.delegate.count(), 0);
            QByteArray reply = replyTo(channel.lastWrite());
            damage(reply);
            channel.provider->feed(reply);
        }
        const QList<QByteArray> writes = channel.provider->written();
        QCOMPARE(writes.size(), 4);
        QVERIFY(writes[1] == writes[0] && writes[3] == writes[0]); // a resend repeats the bytes
        QCOMPARE(channel.delegate.count(), 1);
        QCOMPARE(channel.delegate.events().first().kind, Kind::failure);
        QCOMPARE(channel.delegate.events().first().code, code);
        QCOMPARE(capture.untimed().count(logLine), 4);
        QCOMPARE(capture.untimed().count("[USB] Retry"), 3);
        QVERIFY(capture.contains(QStringLiteral("[USB] ResponseError : %1").arg(int(code))));
    }

    void noResendReportsAtOnce() {
        Channel channel;
        channel.serial.sendCommand(adapterIdentityRequest(), true);
        QByteArray reply = replyTo(channel.lastWrite());
        reply[reply.size() - 3] = char(reply[reply.size() - 3] ^ 0xFF);
        channel.provider->feed(reply);
        QCOMPARE(channel.provider->writeCount(), 1);
        QCOMPARE(channel.delegate.count(), 1);
        QCOMPARE(channel.delegate.events().first().code, ChannelError::crcErr);
    }

    void firstErrorIsTheOneReported() {
        Channel channel;
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        QByteArray wrongDestination = replyTo(channel.lastWrite());
        wrongDestination[2] = 0;
        channel.provider->feed(withFixedCrc(wrongDestination));
        for (int attempt = 0; attempt < 3; ++attempt) {
            QByteArray badCrc = replyTo(channel.lastWrite());
            badCrc[badCrc.size() - 2] = char(badCrc[badCrc.size() - 2] ^ 0x01);
            channel.provider->feed(badCrc);
        }
        QCOMPARE(channel.delegate.events().last().code, ChannelError::destinationErr);
    }

    void overCurrentEndsTheRequestWithoutResend() {
        Channel channel;
        LogCapture capture;
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        QByteArray reply = replyTo(channel.lastWrite(), hexBytes("21"));
        reply[6] = char(0xFF);
        channel.provider->feed(withFixedCrc(reply));
        QCOMPARE(channel.provider->writeCount(), 1);
        QCOMPARE(channel.delegate.events().first().code, ChannelError::overcurrent);
        QVERIFY(capture.contains("[USB] Error overcurrent"));
    }

    void wrongPacketNumberRunsOutTheWatchdog() {
        Channel channel(fastTick);
        LogCapture capture;
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        for (qsizetype attempt = 1; attempt <= 4; ++attempt) {
            QVERIFY(channel.provider->waitForWrites(attempt - 1));
            QByteArray reply = replyTo(channel.lastWrite());
            reply[1] = char(byteAt(reply, 1) + 1);
            channel.provider->feed(withFixedCrc(reply));
        }
        QVERIFY(channel.delegate.waitForEvents(0));
        QCOMPARE(channel.provider->writeCount(), 4);
        QCOMPARE(channel.delegate.events().first().code, ChannelError::packetNumErr);
        QCOMPARE(capture.untimed().count("[USB] Destruction"), 4);
        QCOMPARE(capture.untimed().count("[USB] Timeout"), 4);
    }

    void silenceTimesOut() {
        Channel channel(fastTick);
        channel.serial.sendCommand(adapterIdentityRequest(), true);
        QVERIFY(channel.delegate.waitForEvents(0));
        QCOMPARE(channel.delegate.events().first().code, ChannelError::timeout);
        QCOMPARE(channel.provider->writeCount(), 1);
    }

    void bytesWhileIdleAreDropped() {
        Channel channel;
        LogCapture capture;
        channel.provider->feed(hexBytes("0F 01 01 00 01 00 F7 D0 CD F0"));
        QCOMPARE(channel.delegate.count(), 0);
        QVERIFY(capture.contains("[USB] Recv not wait"));
    }

    void controlBytes_data() {
        QTest::addColumn<bool>("transfer"); // request was a transfer block, else a command frame
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<int>("reportKind"); // -1: none (discarded)
        QTest::addColumn<bool>("isAck");
        QTest::addColumn<ChannelError>("code");
        QTest::newRow("ack after block") << true << hexBytes("06") << "[USB] Recv Ack" << int(Kind::control)
                                         << true << ChannelError::success;
        QTest::newRow("ack after command")
            << false << hexBytes("06") << "[USB] Recv Ack" << -1 << false << ChannelError::success;
        QTest::newRow("can after block")
            << true << hexBytes("18") << "[USB] Recv Can" << int(Kind::failure) << false << ChannelError::can;
        QTest::newRow("can after command")
            << false << hexBytes("18") << "[USB] Recv Can" << -1 << false << ChannelError::success;
        QTest::newRow("nak after command")
            << false << hexBytes("15") << "[USB] Recv Nak" << -1 << false << ChannelError::success;
        QTest::newRow("C after command")
            << false << hexBytes("43") << "[USB] Recv C" << -1 << false << ChannelError::success;
        QTest::newRow("stray byte") << false << hexBytes("07") << "[USB] Destruction" << -1 << false
                                    << ChannelError::success;
    }
    void controlBytes() {
        QFETCH(bool, transfer);
        QFETCH(QByteArray, received);
        QFETCH(QString, logLine);
        QFETCH(int, reportKind);
        QFETCH(bool, isAck);
        QFETCH(ChannelError, code);
        Channel channel;
        LogCapture capture;
        const int result = transfer
                               ? channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(1024, 'x'), false)
                               : channel.serial.sendCommand(adapterIdentityRequest(), false);
        QCOMPARE(result, int(SerialChannel::sent));
        channel.provider->feed(received);
        QVERIFY(capture.contains(logLine));
        if (reportKind < 0) {
            QCOMPARE(channel.delegate.count(), 0);
            QVERIFY(capture.contains("[USB] Destruction"));
            // The request is still open: a good reply ends it.
            channel.provider->feed(replyTo(channel.lastWrite()));
            QCOMPARE(channel.delegate.events().first().kind, Kind::response);
            return;
        }
        QCOMPARE(channel.delegate.count(), 1);
        const auto event = channel.delegate.events().first();
        QCOMPARE(int(event.kind), reportKind);
        QCOMPARE(event.isAck, isAck);
        QCOMPARE(event.code, code);
    }

    void nakedBlockIsResent() {
        Channel channel;
        channel.serial.sendBlock(hexBytes("02 07 F8"), QByteArray(1024, 'y'), false);
        const QByteArray block = channel.lastWrite();
        QCOMPARE(block.size(), 3 + 1024 + 2);
        for (int nak = 0; nak < 4; ++nak)
            channel.provider->feed(hexBytes("15"));
        QCOMPARE(channel.provider->writeCount(), 4);
        QCOMPARE(channel.provider->written().last(), block);
        QCOMPARE(channel.delegate.events().first().code, ChannelError::nak);
    }

    void letterCAnswersFirmwareUpdate() {
        Channel channel;
        CommDataFormat update;
        update.destination = Destination::adapter;
        update.funcNumber = FunctionNumber::updateFirmware;
        update.setPayload(CommUpdateFirmwareData{0x00, 0xFF}.payload());
        channel.serial.sendCommand(update, false);
        channel.provider->feed(hexBytes("43"));
        QCOMPARE(channel.delegate.count(), 1);
        QCOMPARE(channel.delegate.events().first().kind, Kind::control);
        QVERIFY(!channel.delegate.events().first().isAck);
    }

    void framedReplyToFirmwareUpdateIsAnError() {
        Channel channel;
        LogCapture capture;
        CommDataFormat update;
        update.destination = Destination::lens;
        update.funcNumber = FunctionNumber::updateFirmware;
        update.setPayload(hexBytes("01 02"));
        channel.serial.sendCommand(update, true);
        channel.provider->feed(replyTo(channel.lastWrite(), QByteArray()));
        QCOMPARE(channel.delegate.events().first().code, ChannelError::funcNumErr);
        QVERIFY(capture.contains("[USB] Error update firmware"));
    }

    void frameAfterTransferBlockIsIrregular() {
        Channel channel;
        LogCapture capture;
        channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(16, 'z'), false);
        channel.provider->feed(hexBytes("0F 01 01 00 01 00 F7 D0 CD F0"));
        QCOMPARE(channel.delegate.count(), 0);
        QVERIFY(capture.contains("[USB] Error not adapter mode 2"));
    }

    void queuedBlocksGoOutOnePerAcknowledgement() {
        Channel channel;
        QVERIFY(!channel.serial.queueBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a'))); // nothing waits
        QCOMPARE(channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a'), false),
                 int(SerialChannel::sent));
        for (int n = 2; n <= SerialChannel::queuedBlocksLimit + 1; ++n)
            QVERIFY(channel.serial.queueBlock(hexBytes("02") + QByteArray(1, char(n)) +
                                                  QByteArray(1, char(255 - n)),
                                              QByteArray(1024, char('a' + n - 1))));
        QVERIFY(!channel.serial.queueBlock(hexBytes("02 0A F5"), QByteArray(1024, 'j'))); // full
        QCOMPARE(channel.provider->writeCount(), 1);
        // A NAK resends the block in hand; the queue waits.
        channel.provider->feed(hexBytes("15"));
        QCOMPARE(channel.provider->writeCount(), 2);
        QCOMPARE(byteAt(channel.lastWrite(), 1), std::uint8_t(1));
        for (int n = 2; n <= SerialChannel::queuedBlocksLimit + 2; ++n) {
            channel.provider->feed(hexBytes("06"));
            QCOMPARE(channel.delegate.count(), n - 1);
            if (n <= SerialChannel::queuedBlocksLimit + 1) {
                QCOMPARE(channel.provider->writeCount(), n + 1);
                QCOMPARE(channel.lastWrite().left(4), hexBytes("02") + QByteArray(1, char(n)) +
                                                          QByteArray(1, char(255 - n)) +
                                                          QByteArray(1, char('a' + n - 1)));
            }
        }
        QCOMPARE(channel.provider->writeCount(), SerialChannel::queuedBlocksLimit + 2);
        for (const auto& event : channel.delegate.events()) {
            QCOMPARE(event.kind, Kind::control);
            QVERIFY(event.isAck);
        }
        QVERIFY(!channel.serial.isResponseWaiting());
        // Only blocks queue: never behind a command.
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        QVERIFY(!channel.serial.queueBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a')));
    }

    void failedBlockDropsTheQueue_data() {
        QTest::addColumn<QByteArray>("answer"); // empty: silence until the time-out
        QTest::addColumn<int>("answers");
        QTest::addColumn<ChannelError>("code");
        QTest::newRow("NAK after every resend") << hexBytes("15") << 4 << ChannelError::nak;
        QTest::newRow("CAN") << hexBytes("18") << 1 << ChannelError::can;
        QTest::newRow("no answer") << QByteArray() << 0 << ChannelError::timeout;
    }
    void failedBlockDropsTheQueue() {
        QFETCH(QByteArray, answer);
        QFETCH(int, answers);
        QFETCH(ChannelError, code);
        Channel channel(answer.isEmpty() ? fastTick : quietTick);
        channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a'), false);
        QVERIFY(channel.serial.queueBlock(hexBytes("02 02 FD"), QByteArray(1024, 'b')));
        QVERIFY(channel.serial.queueBlock(hexBytes("02 03 FC"), QByteArray(1024, 'c')));
        for (int i = 0; i < answers; ++i)
            channel.provider->feed(answer);
        QVERIFY(channel.delegate.waitForEvents(2));
        // One failure for the block in hand and one for each dropped block, none of which went out.
        const auto events = channel.delegate.events();
        QCOMPARE(events.size(), 3);
        for (const auto& event : events) {
            QCOMPARE(event.kind, Kind::failure);
            QCOMPARE(event.code, code);
        }
        for (const QByteArray& write : channel.provider->written())
            QCOMPARE(byteAt(write, 1), std::uint8_t(1));
        QVERIFY(!channel.serial.isResponseWaiting());
        QVERIFY(!channel.delegate.waitForEvents(3, 300ms));
    }

    void refusedWriteOfQueuedBlockEndsTheRest() {
        Channel channel;
        channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a'), false);
        QVERIFY(channel.serial.queueBlock(hexBytes("02 02 FD"), QByteArray(1024, 'b')));
        QVERIFY(channel.serial.queueBlock(hexBytes("02 03 FC"), QByteArray(1024, 'c')));
        channel.provider->setAcceptWrites(false);
        channel.provider->feed(hexBytes("06"));
        const auto events = channel.delegate.events();
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[0].kind, Kind::control);
        QVERIFY(events[0].isAck);
        QCOMPARE(events[1].kind, Kind::failure);
        QCOMPARE(events[2].kind, Kind::failure);
        QVERIFY(!channel.serial.isResponseWaiting());
    }

    void unplugWithQueuedBlocksGivesOnlyTheRemoval() {
        Channel channel;
        channel.serial.sendBlock(hexBytes("02 01 FE"), QByteArray(1024, 'a'), false);
        QVERIFY(channel.serial.queueBlock(hexBytes("02 02 FD"), QByteArray(1024, 'b')));
        channel.provider->injectRemoval();
        QCOMPARE(channel.delegate.count(), 1);
        QCOMPARE(channel.delegate.events().first().kind, Kind::removed);
        QCOMPARE(channel.provider->writeCount(), 1);
    }

    void unplugDuringRequestGivesOnlyTheRemoval() {
        Channel channel(fastTick);
        LogCapture capture;
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        channel.provider->injectRemoval();
        QCOMPARE(channel.delegate.count(), 1);
        QCOMPARE(channel.delegate.events().first().kind, Kind::removed);
        QVERIFY(!channel.serial.isResponseWaiting());
        QVERIFY(!channel.serial.isPortOpen());
        QVERIFY(capture.contains("[USB] Port Removed"));
        // Well past the request's time-out: still nothing more.
        QVERIFY(!channel.delegate.waitForEvents(1, 400ms));
        QCOMPARE(channel.serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::noPort));
    }

    void reopeningAnOpenPortKeepsTheWatchdog() {
        Channel channel(fastTick);
        channel.serial.sendCommand(adapterIdentityRequest(), true);
        QVERIFY(channel.serial.openPort(channel.provider->path()));
        QCOMPARE(channel.provider->openCount(), 1);
        QVERIFY(channel.delegate.waitForEvents(0)); // the running watchdog still ends the request
        QCOMPARE(channel.delegate.events().first().code, ChannelError::timeout);
    }

    void portIsFoundLostAndFoundAgain() {
        Channel channel;
        channel.provider->injectRemoval();
        QVERIFY(channel.serial.findPortPath().isEmpty());
        QVERIFY(!channel.serial.openPort(QString()));
        channel.provider->setPresent(true);
        QVERIFY(channel.serial.openPort(channel.serial.findPortPath()));
        channel.serial.sendCommand(adapterIdentityRequest(), false);
        channel.provider->feed(replyTo(channel.lastWrite()));
        QCOMPARE(channel.delegate.events().last().kind, Kind::response);
    }

    void sendResults() {
        auto provider = std::make_shared<MemoryPortProvider>();
        SerialChannel serial(provider, quietTick);
        QCOMPARE(serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::noPort));
        QCOMPARE(serial.sendRawData(hexBytes("04")), int(SerialChannel::noPort));
        QVERIFY(serial.openPort(provider->path()));
        QCOMPARE(serial.sendRawData(QByteArray()), int(SerialChannel::nothingToSend));
        provider->setAcceptWrites(false);
        QCOMPARE(serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::refused));
        QVERIFY(!serial.isResponseWaiting());
        provider->setAcceptWrites(true);
        QCOMPARE(serial.sendRawData(hexBytes("04")), int(SerialChannel::sent));
        QCOMPARE(serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::busy));
    }

    void packetNumbersWrapAndRefusalsUseNone() {
        Channel channel;
        QList<int> numbers;
        for (int i = 0; i < 256; ++i) {
            if (i == 100) {
                channel.provider->setAcceptWrites(false);
                QCOMPARE(channel.serial.sendCommand(adapterIdentityRequest(), false),
                         int(SerialChannel::refused));
                channel.provider->setAcceptWrites(true);
            }
            QCOMPARE(channel.serial.sendCommand(adapterIdentityRequest(), false), int(SerialChannel::sent));
            numbers << byteAt(channel.lastWrite(), 1);
            channel.provider->feed(replyTo(channel.lastWrite()));
        }
        QCOMPARE(numbers.first(), 1);
        QCOMPARE(numbers[100], 101);
        QCOMPARE(numbers[254], 255);
        QCOMPARE(numbers[255], 1);
        QCOMPARE(channel.delegate.count(), 256);
    }

    void noWaitSendExpectsNoReply() {
        Channel channel;
        LogCapture capture;
        channel.serial.sendRawDataNoWait(hexBytes("04"));
        QCOMPARE(channel.provider->writeCount(), 1);
        QVERIFY(!channel.serial.isResponseWaiting());
        QVERIFY(capture.contains("[USB] Send Command not wait Length = 1"));
        channel.serial.sendRawDataNoWait(QByteArray());
        QCOMPARE(channel.provider->writeCount(), 1);
    }

    // Many requests against a device that misbehaves at random: every accepted request ends in exactly
    // one report, and nothing hangs.
    void randomFaultsEndEveryRequestOnce() {
        Channel channel(100us); // a lost reply costs 20 ms
        QRandomGenerator random(20261206);
        int removals = 0;
        for (int request = 0; request < 150; ++request) {
            if (!channel.serial.isPortOpen()) {
                channel.provider->setPresent(true);
                QVERIFY(channel.serial.openPort(channel.provider->path()));
            }
            const qsizetype reportsBefore = channel.delegate.count();
            qsizetype writesSeen = channel.provider->writeCount();
            QCOMPARE(channel.serial.sendCommand(adapterIdentityRequest(), random.bounded(4) == 0),
                     int(SerialChannel::sent));
            bool ended = false;
            while (!ended) {
                QVERIFY2(channel.provider->waitForWrites(writesSeen - 1, 10s), "no write");
                writesSeen = channel.provider->writeCount();
                QByteArray reply = replyTo(channel.lastWrite());
                switch (random.bounded(8)) {
                case 0: // lost: the watchdog resends or fails
                    break;
                case 1: // corrupted CRC
                    reply[reply.size() - 3] = char(reply[reply.size() - 3] ^ 0x5A);
                    channel.provider->feed(reply);
                    break;
                case 2: // stray bytes first, then the reply
                    channel.provider->feed(hexBytes("55 AA"));
                    channel.provider->feed(reply);
                    break;
                case 3: // a NAK to a command is irregular
                    channel.provider->feed(hexBytes("15"));
                    break;
                case 4: // unplugged
                    if (random.bounded(3) == 0) {
                        channel.provider->injectRemoval();
                        ++removals;
                        break;
                    }
                    [[fallthrough]];
                default: { // good reply in random chunks
                    qsizetype at = 0;
                    while (at < reply.size()) {
                        const qsizetype piece = 1 + random.bounded(int(reply.size() - at));
                        channel.provider->feed(reply.mid(at, piece));
                        at += piece;
                    }
                }
                }
                // The request is over when a report arrives; otherwise the next write is a resend.
                ended = channel.delegate.waitForEvents(reportsBefore, 0ms);
                while (!ended && channel.provider->writeCount() == writesSeen)
                    ended = channel.delegate.waitForEvents(reportsBefore, 5ms);
            }
            QVERIFY(!channel.delegate.waitForEvents(reportsBefore + 1, 2ms));
        }
        QCOMPARE(channel.delegate.count(), 150);
        const auto events = channel.delegate.events();
        QCOMPARE(std::count_if(events.begin(), events.end(),
                               [](const auto& e) { return e.kind == Kind::removed; }),
                 qsizetype(removals));
    }
};

QTEST_GUILESS_MAIN(TestSerialChannel)
#include "tst_serialchannel.moc"
