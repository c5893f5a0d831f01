#include "Bytes.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/QtSerialPortProvider.h"
#include "link/SerialChannel.h"
#include "PtyDevice.h"
#include "RecordingSerialDelegate.h"

#include <QTemporaryDir>
#include <QTest>

using namespace lensdock;
using namespace std::chrono_literals;
using Kind = RecordingSerialDelegate::Event::Kind;

namespace {
QByteArray replyTo(const QByteArray& request, const QByteArray& payload) {
    CommDataFormat reply;
    reply.destination = byteAt(request, 2);
    reply.funcNumber = byteAt(request, 6);
    reply.setPayload(payload);
    return FrameCodec::encodeFrame(reply, byteAt(request, 1));
}
} // namespace

// The channel over the real QSerialPort backend, with the test as the device on a pseudo-terminal.
class TestQtSerialPort : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void overridePathIsFoundOnlyWhileItExists() {
        QtSerialPortProvider provider;
        const QString link = dir.filePath("adapter");
        provider.setOverridePath(link);
        QVERIFY(provider.findPortPath().isEmpty());
        PtyDevice device;
        QVERIFY(device.isValid());
        QVERIFY(QFile::link(device.slavePath(), link));
        QCOMPARE(provider.findPortPath(), link);
        QFile::remove(link);
        QVERIFY(provider.findPortPath().isEmpty());
    }

    void exchangeWithSplitReply() {
        PtyDevice device;
        QVERIFY(device.isValid());
        auto provider = std::make_shared<QtSerialPortProvider>();
        provider->setOverridePath(device.slavePath());
        RecordingSerialDelegate delegate;
        SerialChannel serial(provider);
        serial.setDelegate(&delegate);
        QVERIFY(serial.openPort(serial.findPortPath()));

        QCOMPARE(serial.sendCommand(*buildRequest(CommandIndex::checkLensMounted, true), false),
                 int(SerialChannel::sent));
        const QByteArray request = device.read(10);
        QCOMPARE(request, hexBytes("0F 01 01 00 01 00 F7 D0 CD F0"));
        const QByteArray reply = replyTo(request, hexBytes("01"));
        device.write(reply.left(4));
        QVERIFY(!delegate.waitForEvents(0, 100ms));
        device.write(reply.mid(4));
        QVERIFY(delegate.waitForEvents(0));
        QCOMPARE(delegate.events().first().kind, Kind::response);
        QCOMPARE(delegate.events().first().response.data, hexBytes("01"));
    }

    void hangUpIsTheDevicesRemoval() {
        auto device = std::make_unique<PtyDevice>();
        auto provider = std::make_shared<QtSerialPortProvider>();
        provider->setOverridePath(device->slavePath());
        RecordingSerialDelegate delegate;
        SerialChannel serial(provider);
        serial.setDelegate(&delegate);
        QVERIFY(serial.openPort(serial.findPortPath()));
        QCOMPARE(serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false),
                 int(SerialChannel::sent));
        QCOMPARE(device->read(10).size(), 10);
        device.reset();
        QVERIFY(delegate.waitForEvents(0));
        QVERIFY(!delegate.waitForEvents(1, 300ms)); // once, and nothing for the request besides
        QCOMPARE(delegate.events().first().kind, Kind::removed);
        QVERIFY(!serial.isPortOpen());

        // Plugged in again: a new device behind the same override path.
        PtyDevice again;
        provider->setOverridePath(again.slavePath());
        QVERIFY(serial.openPort(serial.findPortPath()));
        serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false);
        const QByteArray request = again.read(10);
        QCOMPARE(request.size(), 10);
        again.write(replyTo(request, QByteArray(63, '\0')));
        QVERIFY(delegate.waitForEvents(1));
        QCOMPARE(delegate.events().last().kind, Kind::response);
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
