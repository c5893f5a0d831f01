#include "Bytes.h"
#include "DockFixture.h"
#include "FirmwarePacker.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace lensdock;

namespace {
const QByteArray ack("\x06");
const QByteArray nak("\x15");
const QByteArray can("\x18");
const QByteArray eot("\x04");

QByteArray block(int number, const QByteArray& payload) {
    QByteArray header;
    header.append(char(ControlByte::stx)).append(char(number)).append(char(255 - number));
    return FrameCodec::encodeTransferBlock(header, payload.leftJustified(1024, '\x1A'));
}

// The 1024-byte pieces the host sends for one record: header, then data padded with 0x1A.
QList<QByteArray> blockPayloads(const QByteArray& record) {
    QList<QByteArray> payloads;
    for (qsizetype offset = 0; offset < record.size(); offset += 1024)
        payloads << record.mid(offset, 1024);
    return payloads;
}

FirmwareRecord lensRecord() {
    QByteArray data;
    for (int i = 0; i < 1500; ++i)
        data.append(char(i * 7));
    return {2, 5, QStringLiteral("0211"), data};
}

QByteArray startTransfer(HostPort& host, std::uint8_t destination, const QByteArray& payload,
                         std::uint8_t packet) {
    host.write(
        FrameCodec::encodeFrame(makeRequest(destination, FunctionNumber::updateFirmware, payload), packet));
    return host.read(1);
}

// Sends every block, each answered by ACK, then EOT; false at the first other answer.
bool sendRecord(HostPort& host, const QByteArray& image) {
    const QList<QByteArray> payloads = blockPayloads(image);
    for (qsizetype i = 0; i < payloads.size(); ++i)
        if (!host.write(block(int(i + 1), payloads[i])) || host.read(1) != ack)
            return false;
    return host.write(eot) && host.read(1) == ack;
}
} // namespace

class TestEmulatorFirmware : public QObject {
    Q_OBJECT
private slots:
    void lensRecordWithABadBlockResent() {
        DockFixture dock;
        QVERIFY(dock.start());
        const QByteArray image = FirmwarePacker::plainImage({lensRecord()}).bytes;
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        const QList<QByteArray> payloads = blockPayloads(image);
        QCOMPARE(payloads.size(), 3);
        QVERIFY(dock.host.write(block(1, payloads[0])));
        QCOMPARE(dock.host.read(1), ack);
        QByteArray damaged = block(2, payloads[1]);
        damaged[500] = char(damaged[500] ^ 0x01);
        QVERIFY(dock.host.write(damaged));
        QCOMPARE(dock.host.read(1), nak);
        QVERIFY(dock.host.write(block(2, payloads[1])));
        QCOMPARE(dock.host.read(1), ack);
        QVERIFY(dock.host.write(block(3, payloads[2])));
        QCOMPARE(dock.host.read(1), ack);
        QVERIFY(dock.host.write(eot));
        QCOMPARE(dock.host.read(1), ack);

        const DockSnapshot state = dock.emulator->snapshot();
        QCOMPARE(state.firmware.size(), 1);
        QVERIFY(state.firmware[0].valid);
        QCOMPARE(state.firmware[0].targetDevice, 2);
        QCOMPARE(state.firmware[0].targetArea, 5);
        QCOMPARE(state.firmware[0].dataSize, 1500u);
        QCOMPARE(state.firmwareImage, image);
        QVERIFY(!state.receivingBlocks);
        // A lens record does not reset the adapter: the same pty answers with the new version.
        const auto identity =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getBasicInfo), 2);
        QCOMPARE(IdentityDecoder::lensInfo(identity->data)->firmwareVersion, QStringLiteral("0211"));
        QCOMPARE(state.plugCount, 1);
    }

    void adapterUpdateReenumeratesTwice() {
        DockFixture dock;
        QVERIFY(dock.start());
        QCOMPARE(startTransfer(dock.host, Destination::adapter, hexBytes("00 FF"), 1), QByteArray("C"));
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.reopen(2));

        const QByteArray image =
            FirmwarePacker::plainImage({{1, 0, QStringLiteral("0456"), QByteArray(2048, 'a')}}).bytes;
        QCOMPARE(startTransfer(dock.host, Destination::adapter, hexBytes("01 00"), 1), QByteArray("C"));
        QVERIFY(sendRecord(dock.host, image));
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.reopen(3));
        const auto identity =
            dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 1);
        QCOMPARE(IdentityDecoder::adapterBasicInfo(identity->data)->fwVersion, QStringLiteral("0456"));
    }

    void damagedRecordKeepsTheOldVersion() {
        DockFixture dock;
        QVERIFY(dock.start());
        FirmwareRecord record = lensRecord();
        QByteArray image = FirmwarePacker::plainImage({record}).bytes;
        image[1024 + 10] = char(image[1024 + 10] ^ 0x55); // the stored CRC no longer fits
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(sendRecord(dock.host, image));
        const DockSnapshot state = dock.emulator->snapshot();
        QVERIFY(!state.firmware[0].valid);
        QCOMPARE(state.lens.firmwareVersion, QStringLiteral("0100"));
    }

    void nakBlockFault() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::nakBlock);
        const QByteArray image = FirmwarePacker::plainImage({lensRecord()}).bytes;
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        const QByteArray first = block(1, blockPayloads(image)[0]);
        QVERIFY(dock.host.write(first));
        QCOMPARE(dock.host.read(1), nak);
        QVERIFY(dock.host.write(first));
        QCOMPARE(dock.host.read(1), ack);
    }

    void canBlockFaultEndsTheTransfer() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::canBlock);
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h'))));
        QCOMPARE(dock.host.read(1), can);
        QVERIFY(!dock.emulator->snapshot().receivingBlocks);
        QVERIFY(dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 2));
    }

    void outOfSequenceBlockIsCancelled() {
        DockFixture dock;
        QVERIFY(dock.start());
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(dock.host.write(block(3, QByteArray(1024, 'h'))));
        QCOMPARE(dock.host.read(1), can);
        QVERIFY(!dock.emulator->snapshot().receivingBlocks);
    }

    void hostCancelAndFramesEndTheTransfer() {
        DockFixture dock;
        QVERIFY(dock.start());
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(dock.host.write(can));
        QVERIFY(dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 2));
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 3), QByteArray("C"));
        // A frame in the middle of a transfer: the host has given up on it.
        QVERIFY(dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 4));
        QVERIFY(!dock.emulator->snapshot().receivingBlocks);
    }

    void unplugAfterBlockFault() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->armFault(FaultKind::unplugAfterBlock, 2);
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h'))));
        QCOMPARE(dock.host.read(1), ack);
        QVERIFY(dock.host.write(block(2, QByteArray(1024, 'i'))));
        QCOMPARE(dock.host.read(1), ack);
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(dock.emulator->waitForUnplugged(DockFixture::plugWait));
        QVERIFY(!QFileInfo(dock.options.linkPath).isSymLink());
        QCOMPARE(dock.emulator->snapshot().firmware.size(), 0);
    }

    void stalledBlockIsNaked() {
        DockFixture dock;
        dock.options.staleInputTimeout = std::chrono::milliseconds(30);
        QVERIFY(dock.start());
        QCOMPARE(startTransfer(dock.host, Destination::lens, hexBytes("02 05"), 1), QByteArray("C"));
        QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h')).left(600)));
        QCOMPARE(dock.host.read(1), nak);
        QVERIFY(dock.host.write(block(1, QByteArray(1024, 'h'))));
        QCOMPARE(dock.host.read(1), ack);
    }

    void bareReceiverStoresWhatSxSends() {
        const QString sx = QStandardPaths::findExecutable(QStringLiteral("sx"));
        if (sx.isEmpty())
            QSKIP("sx (lrzsz) is not installed");
        DockFixture dock;
        dock.options.xmodemReceiveFile = dock.dir.filePath(QStringLiteral("received.bin"));
        QVERIFY(dock.emulator == nullptr);
        dock.emulator = std::make_unique<DockEmulator>(dock.options);
        QString error;
        QVERIFY2(dock.emulator->start(&error), qPrintable(error));
        QByteArray data;
        for (int i = 0; i < 5000; ++i)
            data.append(char(i % 251));
        const QString source = dock.dir.filePath(QStringLiteral("source.bin"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(data);
        file.close();
        QProcess sender;
        sender.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"), QStringLiteral("exec \"$0\" -k -q \"$1\" <\"$2\" >\"$2\""), sx,
                      source, dock.options.linkPath});
        QVERIFY(dock.emulator->waitForBareFinished(std::chrono::seconds(30)));
        QVERIFY(sender.waitForFinished(30000));
        QCOMPARE(sender.exitCode(), 0);
        QFile received(dock.options.xmodemReceiveFile);
        QVERIFY(received.open(QIODevice::ReadOnly));
        const QByteArray bytes = received.readAll();
        QCOMPARE(bytes.left(data.size()), data);
        QVERIFY(bytes.size() % 128 == 0);
        QCOMPARE(bytes.mid(data.size()), QByteArray(bytes.size() - data.size(), '\x1A'));
    }
};

QTEST_GUILESS_MAIN(TestEmulatorFirmware)
#include "tst_emulatorfirmware.moc"
