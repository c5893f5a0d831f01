#include "Bytes.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"
#include "link/SerialChannel.h"
#include "LogCapture.h"
#include "MemorySerialPort.h"
#include "RecordingSerialDelegate.h"
#include "SampleIdentities.h"

#include <functional>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;
using Kind = RecordingSerialDelegate::Event::Kind;
using E = ChannelError;

namespace {
// Long enough that the watchdog never fires during a test that does not want it to.
constexpr auto quietTick = std::chrono::milliseconds(std::chrono::hours(1));
constexpr auto fastTick = 1ms; // 200 ms before a request times out

// `count` failure reports with `code`, as Channel::reports() words them, joined by commas.
QString fail(ChannelError code, int count = 1) {
    return QStringList(count, QStringLiteral("failure %1").arg(int(code))).join(',');
}

struct Channel {
    explicit Channel(std::chrono::microseconds tick = quietTick, bool open = true) : serial(provider, tick) {
        serial.setDelegate(&delegate);
        if (open && !serial.openPort(serial.findPortPath()))
            qFatal("memory port did not open");
    }
    QByteArray lastWrite() const { return provider->written().last(); }
    // The reports so far in short words, for comparing whole lists.
    QStringList reports() const {
        QStringList words;
        for (const auto& e : delegate.events())
            words << (e.kind == Kind::response  ? QStringLiteral("response")
                      : e.kind == Kind::removed ? QStringLiteral("removed")
                      : e.kind == Kind::control ? QString(e.isAck ? "ack" : "C")
                                                : fail(e.code));
        return words;
    }

    std::shared_ptr<MemoryPortProvider> provider = std::make_shared<MemoryPortProvider>();
    RecordingSerialDelegate delegate;
    SerialChannel serial;
};

// The reply a device gives to `request`: same packet number, destination and function.
QByteArray replyTo(const QByteArray& request, const QByteArray& payload = QByteArray(63, '\x11')) {
    CommDataFormat reply;
    reply.destination = byteAt(request, 2);
    reply.funcNumber = byteAt(request, 6);
    reply.setPayload(payload);
    return FrameCodec::encodeFrame(reply, byteAt(request, 1));
}

// What the device does after the host's last write.
using Answer = std::function<void(Channel&)>;
using Answers = QList<Answer>;

// The reply to the last write carrying `payload`, with byte `field` set to `value` and a CRC that fits.
Answer changed(int field, int value, const char* payload = nullptr) {
    return [=](Channel& c) {
        QByteArray reply = payload ? replyTo(c.lastWrite(), hexBytes(payload)) : replyTo(c.lastWrite());
        reply[field] = char(value);
        const auto crc = FrameCodec::expectedCrc(reply);
        reply[reply.size() - 3] = char(crc[0]);
        reply[reply.size() - 2] = char(crc[1]);
        c.provider->feed(reply);
    };
}
// The reply to the last write with one of its last bytes (CRC, CRC, end marker) changed.
Answer flipped(int fromEnd) {
    return [=](Channel& c) {
        QByteArray reply = replyTo(c.lastWrite());
        reply[reply.size() - fromEnd] = char(reply[reply.size() - fromEnd] ^ 0x81);
        c.provider->feed(reply);
    };
}
Answer bytes(const char* hex) {
    return [=](Channel& c) { c.provider->feed(hexBytes(hex)); };
}
const Answer goodReply = [](Channel& c) { c.provider->feed(replyTo(c.lastWrite())); };

// The request the host sends; `fast` runs a watchdog that times out in 200 ms.
enum Request { none, command, commandOnce, block, queuedBlocks, update, fast = 0x10 };

void send(Channel& c, int request) {
    CommDataFormat updateCommand;
    updateCommand.destination = Destination::adapter;
    updateCommand.funcNumber = FunctionNumber::updateFirmware;
    updateCommand.setPayload(CommUpdateFirmwareData{0x00, 0xFF}.payload());
    int result = int(SerialChannel::sent);
    if (request == command || request == commandOnce)
        result =
            c.serial.sendCommand(*buildRequest(CommandIndex::checkLensMounted, true), request == commandOnce);
    else if (request == update)
        result = c.serial.sendCommand(updateCommand, true);
    else if (request != none)
        result = c.serial.sendBlock(hexBytes("02 01 FE"), "123456789", false);
    QCOMPARE(result, int(SerialChannel::sent));
    if (request == queuedBlocks) {
        QVERIFY(c.serial.queueBlock(hexBytes("02 02 FD"), QByteArray(1024, 'b')));
        QVERIFY(c.serial.queueBlock(hexBytes("02 03 FC"), QByteArray(1024, 'c')));
    }
}

// `bytes` with the byte at each offset of `changes` replaced.
QByteArray edited(QByteArray bytes, std::initializer_list<std::pair<int, int>> changes) {
    for (const auto& [offset, value] : changes)
        bytes[offset] = char(value);
    return bytes;
}
} // namespace
Q_DECLARE_METATYPE(Answers)

// The link to the dock: the serial channel over an in-memory port, and the identities it carries.
class TestLink : public QObject {
    Q_OBJECT
private slots:
    void answersToOneRequest_data() {
        QTest::addColumn<int>("request");
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<int>("writes"); // the first and its resends
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("logLine");
        const auto row = [](const char* name, int request, const Answers& answers, int writes,
                            const QString& reports, const char* logLine) {
            QTest::newRow(name) << request << answers << writes << reports.split(',', Qt::SkipEmptyParts)
                                << QString(logLine);
        };
        const Answer chunks = [](Channel& c) {
            const QByteArray reply = replyTo(c.lastWrite());
            for (const QByteArray& piece : {reply.left(3), reply.mid(3, 30), reply.mid(33)})
                c.provider->feed(piece);
        };
        row("reply in chunks", command, {chunks}, 1, "response", "[USB] Recv Response Check Lens Mounted");
        row("crc low byte", command, Answers(4, flipped(3)), 4, fail(E::crcErr), "[USB] Error crc check 1");
        row("crc high byte", command, Answers(4, flipped(2)), 4, fail(E::crcErr), "[USB] Error crc check 2");
        row("end marker", command, Answers(4, flipped(1)), 4, fail(E::formatErr), "[USB] Error end mark");
        row("zero length field", command, Answers(4, bytes("0F 01 01 00 00 00 FA 00 00 F0")), 4,
            fail(E::formatErr), "[USB] Error length");
        row("packet zero", command, Answers(4, changed(1, 0)), 4, fail(E::packetNumZero),
            "[USB] Error packet zero");
        row("destination", command, Answers(4, changed(2, 0)), 4, fail(E::destinationErr),
            "[USB] Error destination");
        row("function", command, Answers(4, changed(6, 0xFC)), 4, fail(E::funcNumErr),
            "[USB] Error function number");
        // An error frame (function FF) with its status byte.
        row("error frame without over-current", command, Answers(4, changed(6, 0xFF, "01")), 4,
            fail(E::funcNumErr), "[USB] Error function number");
        row("over-current ends at once", command, {changed(6, 0xFF, "21")}, 1, fail(E::overcurrent),
            "[USB] Error overcurrent");
        row("no resend", commandOnce, {flipped(3)}, 1, fail(E::crcErr), "[USB] Error crc check 1");
        row("first error is the one reported", command, Answers{changed(2, 0)} + Answers(3, flipped(2)), 4,
            fail(E::destinationErr), "[USB] Retry");
        row("wrong packet number runs out the watchdog", command | fast, Answers(4, changed(1, 2)), 4,
            fail(E::packetNumErr), "[USB] Timeout");
        row("silence", commandOnce | fast, {}, 1, fail(E::timeout), "[USB] Timeout");
        // Opening the port again while it is open keeps the running watchdog.
        const Answer reopen = [](Channel& c) { c.serial.openPort(c.provider->path()); };
        row("reopened while waiting", commandOnce | fast, {reopen}, 1, fail(E::timeout), "[USB] Timeout");
        row("ack after block", block, {bytes("06")}, 1, "ack", "[USB] Recv Ack");
        row("can after block", block, {bytes("18")}, 1, fail(E::can), "[USB] Recv Can");
        row("naks after block", block, Answers(4, bytes("15")), 4, fail(E::nak), "[USB] Recv Nak");
        row("frame after block", block, {bytes("0F 01 01 00 01 00 F7 D0 CD F0")}, 1, "",
            "[USB] Error not adapter mode 2");
        // Irregular bytes after a command are dropped; the request stays open for its reply.
        row("ack after command", command, {bytes("06"), goodReply}, 1, "response", "[USB] Recv Ack");
        row("can after command", command, {bytes("18"), goodReply}, 1, "response", "[USB] Recv Can");
        row("nak after command", command, {bytes("15"), goodReply}, 1, "response", "[USB] Recv Nak");
        row("C after command", command, {bytes("43"), goodReply}, 1, "response", "[USB] Recv C");
        row("stray byte", command, {bytes("07"), goodReply}, 1, "response", "[USB] Destruction");
        row("C after update", update, {bytes("43")}, 1, "C", "[USB] Recv C");
        row("frame after update", update, {goodReply}, 1, fail(E::funcNumErr), "[USB] Error update firmware");
        // A failed block drops the queue behind it: each block the channel took ends in one report.
        row("NAK after every resend", queuedBlocks, Answers(4, bytes("15")), 4, fail(E::nak, 3),
            "[USB] Recv Nak");
        row("CAN with blocks queued", queuedBlocks, {bytes("18")}, 1, fail(E::can, 3), "[USB] Recv Can");
        row("no answer with blocks queued", queuedBlocks | fast, {}, 4, fail(E::timeout, 3), "[USB] Timeout");
        const Answer refusedNext = [](Channel& c) {
            c.provider->setAcceptWrites(false);
            c.provider->feed(hexBytes("06"));
        };
        row("next block refused", queuedBlocks, {refusedNext}, 1, "ack," + fail(E::commErr, 2),
            "[USB] Recv Ack");
        const Answer unplug = [](Channel& c) { c.provider->injectRemoval(); };
        row("unplugged with blocks queued", queuedBlocks | fast, {unplug}, 1, "removed",
            "[USB] Port Removed");
        row("bytes while idle", none, {bytes("0F 01 01 00 01 00 F7 D0 CD F0")}, 0, "", "[USB] Recv not wait");
    }
    void answersToOneRequest() {
        QFETCH(int, request);
        QFETCH(Answers, answers);
        QFETCH(int, writes);
        QFETCH(QStringList, reports);
        QFETCH(QString, logLine);
        Channel channel(request & fast ? fastTick : quietTick);
        LogCapture capture;
        send(channel, request & ~fast);
        for (int i = 0; i < answers.size(); ++i) {
            if (request & fast) // with a running watchdog each answer waits for the write it answers
                QVERIFY(channel.provider->waitForWrites(i));
            answers[i](channel);
        }
        QVERIFY(channel.delegate.waitForEvents(reports.size() - 1));
        QVERIFY(!channel.delegate.waitForEvents(reports.size(), request & fast ? 300ms : 0ms));
        QCOMPARE(channel.reports(), reports);
        const QList<QByteArray> written = channel.provider->written();
        QCOMPARE(written.size(), writes);
        for (const QByteArray& resend : written)
            QCOMPARE(resend, written.first());
        if ((request & ~fast) == command) // packet 1
            QCOMPARE(written.first(), hexBytes("0F 01 01 00 01 00 F7 D0 CD F0"));
        if ((request & ~fast) >= block && (request & ~fast) <= queuedBlocks) // its CRC high byte first
            QCOMPARE(written.first(), hexBytes("02 01 FE") + "123456789" + hexBytes("31 C3"));
        QVERIFY2(capture.contains(logLine), qPrintable(capture.untimed().join('\n')));
        if (reports == QStringList{"response"}) // the payload arrives whole
            QCOMPARE(channel.delegate.events().first().response.data, QByteArray(63, '\x11'));
        QCOMPARE(channel.serial.isResponseWaiting(), request != none && reports.isEmpty());
    }

    // Whole identities are decoded against the dock emulator's own encoder; these are the rules a
    // well-formed identity never meets.
    void identitiesAreChecked() {
        const QByteArray adapter = sampleAdapterIdentity() + "x"; // a longer reply is fine
        QVERIFY(IdentityDecoder::adapterBasicInfo(adapter));
        for (const QByteArray& refused :
             {adapter.left(62), edited(adapter, {{47, 4}}), edited(adapter, {{47, 0}}),
              edited(adapter, {{36, 0x1A}}), edited(adapter, {{48, 0xB0}}), edited(adapter, {{50, 0x0C}}),
              edited(adapter, {{36, 0xFF}, {47, 9}})})
            QVERIFY(!IdentityDecoder::adapterBasicInfo(refused));
        // Only an adapter without a released firmware may carry any mount code.
        const auto unreleased =
            IdentityDecoder::adapterBasicInfo(edited(adapter, {{35, 0xFF}, {36, 0xFF}, {47, 7}}));
        QVERIFY(unreleased && unreleased->fwVersion == "ffff" && unreleased->mountInfo == 7);

        const QByteArray lens = sampleLensIdentity() + "x"; // a longer reply is fine
        for (const QByteArray& refused :
             {lens.left(84), edited(lens, {{36, 0x0A}}), edited(lens, {{50, 0xFF}}), edited(lens, {{56, 1}})})
            QVERIFY(!IdentityDecoder::lensInfo(refused));
        QByteArray named = edited(lens, {{51, 0xFA}});
        named.replace(3, 32, QByteArray("A0\0BCDEFGHIJKLMNSN12345678901234", 32));
        const auto l = IdentityDecoder::lensInfo(named);
        // The model ends at its first zero, the serial does not; capability bits stand alone.
        QVERIFY(l && l->modelCode == "A0" && l->serialCode == "SN12345678901234");
        QVERIFY(!l->supportsFocusZoom && l->supportsFullTimeManual && !l->supportsFocusLimit &&
                l->supportsVcMode);
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
