#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "ControlCommand.h"
#include "DockFixture.h"
#include "EmulatorEngine.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"

#include <poll.h>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace lensdock;
using namespace FunctionNumber;

namespace {
constexpr std::uint8_t adapter = Destination::adapter;
constexpr std::uint8_t lens = Destination::lens;
const QByteArray ack("\x06");
const QByteArray nak("\x15");
const QByteArray can("\x18");
const CommDataFormat mounted = makeRequest(adapter, checkLensMounted);
const CommDataFormat yes = makeRequest(adapter, checkLensMounted, hexBytes("01"));
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

constexpr int processWaitMs = 30000;
const QString emulatorExe = QStringLiteral(LENSDOCK_EMULATOR_EXE);
const QString fwpackExe = QStringLiteral(LENSDOCK_FWPACK_EXE);
const QString key = QStringLiteral("00112233445566778899AABBCCDDEEFF0123456789abcdeffedcba9876543210");

QByteArray readLine(QProcess& process) {
    while (!process.canReadLine())
        if (!process.waitForReadyRead(processWaitMs))
            return {};
    return process.readLine().trimmed();
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The dock emulator on its pty, and the emulator and the firmware packer as the programs a
// developer runs.
class TestEmulator : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

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
        const auto identity = [&dock](std::uint8_t destination) {
            return dock.host.exchange(makeRequest(destination, getBasicInfo), 7)->data;
        };
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity(adapter)), profile.adapter);
        QCOMPARE(IdentityDecoder::lensInfo(identity(lens)), profile.lens);
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
        row("mounted", "", mounted, yes);
        row("not mounted", "unmount", mounted, frame(adapter, checkLensMounted, "00"));
        row("connect", "", frame(adapter, reqLensConnect, "00"), frame(adapter, reqLensConnect, "01"));
        row("connect, no lens", "unmount", frame(adapter, reqLensConnect, "00"),
            frame(adapter, reqLensConnect, "00"));
        row("release", "", frame(adapter, reqLensDisconnect), frame(adapter, reqLensDisconnect));
        row("factory settings", "", frame(lens, getAdjData), makeRequest(lens, getAdjData, zoomLensFactory));
        row("lens absent", "unmount", frame(lens, getBasicInfo), frame(lens, commError, "01"));
        row("unknown function", "", frame(lens, 0x42), frame(lens, commError, "02"));
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
    // unplug.
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
    }

    // A file where the link goes is never replaced: start refuses, and a replug onto it is reported
    // to the problem handler instead of the dock staying away silently.
    void aFileAtTheLinkIsKept() {
        DockFixture dock;
        writeFile(dock.options.linkPath, "keep me");
        QString error;
        QVERIFY(!DockEmulator(dock.options).start(&error));
        QVERIFY(error.contains(QStringLiteral("not a symlink")));
        QCOMPARE(readAll(dock.options.linkPath), QByteArray("keep me"));
        QVERIFY(QFile::remove(dock.options.linkPath));

        // Written on the emulator's thread, inside the replug call this thread waits for.
        QStringList problems;
        dock.emulator = std::make_unique<DockEmulator>(dock.options);
        dock.emulator->setProblemHandler([&problems](const QString& message) { problems << message; });
        QVERIFY(dock.emulator->start(&error));
        dock.emulator->unplug();
        writeFile(dock.options.linkPath, "keep me");
        dock.emulator->replug();
        QVERIFY(!dock.emulator->snapshot().plugged);
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems[0].contains(QStringLiteral("not a symlink")));
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
        QCOMPARE(state.firmwareImage, damaged ? QByteArray() : image);
        QCOMPARE(state.plugCount, resets ? 3 : 1);
    }

    // What the dock answers to the first thing sent after it said C (after a control line), and
    // whether the transfer goes on (block 1 is then taken) or has ended (frames are answered again).
    void firstBlockAnswers_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("goesOn");
        const QByteArray first = block(1, QByteArray(1024, 'h'));
        QByteArray damaged = first;
        damaged[500] = char(damaged[500] ^ 0x01);
        QByteArray badComplement = first;
        badComplement[2] = 0;
        QTest::newRow("damaged block") << "" << damaged << nak << true;
        QTest::newRow("bad complement") << "" << badComplement << nak << true;
        QTest::newRow("short block") << "" << block(1, "h", 128) << ack << true;
        QTest::newRow("block repeated") << "" << first + first << ack + ack << true;
        QTest::newRow("nak-block fault") << "fault nak-block" << first << nak << true;
        QTest::newRow("stalled block") << "" << first.left(600) << nak << true;
        QTest::newRow("can-block fault") << "fault can-block" << first << can << false;
        QTest::newRow("out of sequence") << "" << block(3, QByteArray(1024, 'h')) << can << false;
        QTest::newRow("host cancels") << "" << can << QByteArray() << false;
        // A frame in the middle of a transfer: the host has given up on it.
        QTest::newRow("a frame") << "" << FrameCodec::encodeFrame(mounted, 4)
                                 << FrameCodec::encodeFrame(yes, 4) << false;
    }
    void firstBlockAnswers() {
        QFETCH(QString, control);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        QFETCH(bool, goesOn);
        DockFixture dock;
        dock.options.staleInputTimeout = std::chrono::milliseconds(30);
        QVERIFY(dock.start());
        QVERIFY(ControlCommand::apply(*dock.emulator, control).error.isEmpty());
        QCOMPARE(startTransfer(dock.host, lens, hexBytes("02 05")), QByteArray("C"));
        QVERIFY(dock.host.write(input));
        QCOMPARE(dock.host.read(answer.size()), answer);
        if (goesOn) {
            QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h'))));
            QCOMPARE(dock.host.read(1), ack);
        } else {
            QVERIFY(dock.host.exchange(mounted, 2));
        }
        QCOMPARE(dock.emulator->snapshot().receivingBlocks, goesOn);
    }

    void runsUntilQuitAndAnswersOnItsLink() {
        const QString link = dir.filePath(QStringLiteral("dock"));
        const QString profile = writeFile(dir.filePath(QStringLiteral("profile.json")),
                                          R"({"builtin": "awkward", "adapter": {"firmware": "0777"}})");
        QProcess program;
        program.start(emulatorExe, {"--link", link, "--profile", profile, "--no-lens"});
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());

        HostPort host;
        QVERIFY(host.open(link));
        const auto identity = host.exchange(makeRequest(adapter, getBasicInfo), 1);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity->data)->fwVersion, QStringLiteral("0777"));
        QCOMPARE(host.exchange(mounted, 2)->data, hexBytes("00"));
        // A bad line is reported and the next one still obeyed.
        program.write("fault meteor\nmount\ndump\n");
        const QJsonObject lensState = QJsonDocument::fromJson(readLine(program))["lens"].toObject();
        QVERIFY(lensState["mounted"].toBool());
        QCOMPARE(lensState["model"].toString(), QStringLiteral("B028"));

        program.write("unplug\nreplug\n");
        QCOMPARE(readLine(program), QByteArray("ready ") + link.toUtf8());
        program.write("quit\n");
        QVERIFY(program.waitForFinished(processWaitMs));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(program.readAllStandardError().contains("unknown fault \"meteor\""));
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void bareReceiverStoresWhatSxSends() {
        const QString sx = QStandardPaths::findExecutable(QStringLiteral("sx"));
        if (sx.isEmpty())
            QSKIP("sx (lrzsz) is not installed");
        const QString link = dir.filePath(QStringLiteral("bare"));
        const QString source = writeFile(dir.filePath(QStringLiteral("source.bin")), QByteArray(2048, 'q'));
        const QString target = dir.filePath(QStringLiteral("target.bin"));
        QProcess receiver;
        receiver.start(emulatorExe, {"--link", link, "--xmodem-receive", target});
        QCOMPARE(readLine(receiver), QByteArray("ready ") + link.toUtf8());
        QProcess sender;
        sender.start("sh", {"-c", "exec \"$0\" -k -q \"$1\" <\"$2\" >\"$2\"", sx, source, link});
        QCOMPARE(readLine(receiver), QByteArray("received 2048 ") + target.toUtf8());
        QVERIFY(receiver.waitForFinished(processWaitMs));
        QCOMPARE(receiver.exitCode(), 0);
        QVERIFY(sender.waitForFinished(processWaitMs));
        QCOMPARE(readAll(target), QByteArray(2048, 'q'));
    }

    // The packer writes both files, or nothing and says why. The data file's name holds a comma.
    void packer_data() {
        QTest::addColumn<QString>("packKey");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("message"); // empty: packed
        const QString data = writeFile(dir.filePath(QStringLiteral("data,1.bin")), "ABC");
        QTest::newRow("packed") << key << "1,0x02,0102," + data << "";
        QTest::newRow("short key") << "12"
                                   << "1,0,0102," + data << "64 hexadecimal digits";
        QTest::newRow("three fields") << key << "1,0,0102"
                                      << "is not DEVICE,AREA,VERSION,DATAFILE";
        QTest::newRow("device 256") << key << "256,0,0102,x"
                                    << "device and area must be 0 to 255";
        QTest::newRow("missing data file") << key << "1,0,0102,/nonexistent/data.bin"
                                           << "cannot read";
        QTest::newRow("bad version") << key << "1,0,1.2," + data << "record 1: version";
    }
    void packer() {
        QFETCH(QString, packKey);
        QFETCH(QString, record);
        QFETCH(QString, message);
        const QString out = dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".vfwf");
        const QString plain = dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".dec");
        QProcess tool;
        tool.start(fwpackExe, {"--key", packKey, "--record", record, "--out", out, "--plain", plain});
        QVERIFY(tool.waitForFinished(processWaitMs));
        QCOMPARE(tool.exitCode(), message.isEmpty() ? 0 : 1);
        QVERIFY2(QString::fromUtf8(tool.readAllStandardError()).contains(message), qPrintable(message));
        QCOMPARE(QFileInfo::exists(out), message.isEmpty());
        if (message.isEmpty()) {
            // Worked out by hand: the file key for `key` (the header's first 64 bytes are zero), and
            // the header's size, version, CRC-16 of "ABC", device and area.
            const QByteArray packed = readAll(out);
            QCOMPARE(packed.left(32), hexBytes("43 78 52 5B 21 27 33 03 E1 F5 C3 CF B5 8F 81 90 "
                                               "75 74 2A 15 ED E8 A4 9F 96 B9 C8 CD 02 3D 5E 79"));
            QCOMPARE(packed.right(3), hexBytes("02 3A 11"));
            QCOMPARE(readAll(plain).mid(64, 10), hexBytes("03 00 00 00 01 02 94 39 01 02"));
        }
    }
};

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
