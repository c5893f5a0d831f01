#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "ControlCommand.h"
#include "DockFixture.h"
#include "EmulatorEngine.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"

#include <mutex>
#include <poll.h>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>
#include <QTest>

using namespace lensdock;

Q_DECLARE_METATYPE(lensdock::DockProfile)

class TestEmulator : public QObject {
    Q_OBJECT
private slots:
    void linkPointsAtThePty() {
        DockFixture dock;
        QVERIFY(dock.start());
        const QFileInfo link(dock.options.linkPath);
        QVERIFY(link.isSymLink());
        QCOMPARE(link.symLinkTarget(), dock.emulator->snapshot().slavePath);
    }

    void refusesToReplaceAFile() {
        DockFixture dock;
        QFile file(dock.options.linkPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        DockEmulator emulator(dock.options);
        QString error;
        QVERIFY(!emulator.start(&error));
        QVERIFY(error.contains(QStringLiteral("not a symlink")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    // The engine driven by hand, one pass at a time: the request is read and answered within a
    // single pass, although the pass's clock reading is older than the moment the reply is queued.
    void unpacedReplyLeavesInTheSamePass() {
        DockFixture dock;
        EmulatorEngine engine(dock.options, {});
        QString error;
        QVERIFY2(engine.plugIn(&error), qPrintable(error));
        QVERIFY(dock.host.open(dock.options.linkPath));
        QVERIFY(dock.host.write(
            FrameCodec::encodeFrame(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 3)));
        pollfd readable{engine.masterFd(), POLLIN, 0};
        QCOMPARE(::poll(&readable, 1, 5000), 1);
        const auto pass = EmulatorEngine::Clock::now();
        engine.onReadable(pass);
        engine.runDue(pass);
        const auto reply = FrameCodec::decodeFrame(dock.host.readFrame());
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 3);
        QCOMPARE(reply->funcNumber, FunctionNumber::getBasicInfo);
        engine.unplugNow();
    }

    void adapterIdentity() {
        DockFixture dock;
        QVERIFY(dock.start());
        const auto reply =
            dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 7);
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 7);
        QCOMPARE(reply->destination, Destination::adapter);
        QCOMPARE(reply->funcNumber, FunctionNumber::getBasicInfo);
        const auto adapter = IdentityDecoder::adapterBasicInfo(reply->data);
        QVERIFY(adapter);
        QCOMPARE(adapter->fwVersion, QStringLiteral("0123"));
        QCOMPARE(adapter->mountInfo, 1);
        QCOMPARE(adapter->hwVersion, QStringLiteral("01"));
        QCOMPARE(adapter->communicationVersion, QStringLiteral("0100"));
    }

    void lensIdentity_data() {
        QTest::addColumn<DockProfile>("profile");
        for (const QString& name : DockProfile::builtInNames())
            QTest::newRow(qPrintable(name)) << *DockProfile::builtIn(name);
    }
    void lensIdentity() {
        QFETCH(DockProfile, profile);
        DockFixture dock(profile);
        QVERIFY(dock.start());
        const auto reply =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getBasicInfo), 255);
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 255);
        QCOMPARE(reply->crc, FrameCodec::expectedCrc(FrameCodec::encodeFrame(*reply, 255)));
        QCOMPARE(IdentityDecoder::lensInfo(reply->data), profile.lens);
    }

    void adjustDataReadAndWrite() {
        DockFixture dock;
        QVERIFY(dock.start());
        const auto factory =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getAdjData), 1);
        QVERIFY(factory);
        QCOMPARE(factory->data, hexBytes("02 02 00 09 00 01 00 07 02 02 00") + QByteArray(24, '\0'));

        LensAdjustData settings = *AdjustPayload::decode(factory->data, dock.options.profile.lens);
        settings.focusZoomClose[3] = -30;
        settings.vcMode = 3;
        CommDataFormat write;
        makeSetAdjustData(write, settings, dock.options.profile.lens);
        const auto written = dock.host.exchange(write, 2);
        QVERIFY(written);
        QCOMPARE(written->funcNumber, FunctionNumber::setAdjData);

        const auto readBack =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getAdjData), 3);
        QVERIFY(readBack);
        QCOMPARE(AdjustPayload::decode(readBack->data, dock.options.profile.lens), settings);
        QCOMPARE(readBack->data.at(14), char(0xE2));
        QCOMPARE(dock.emulator->snapshot().adjustBytes, readBack->data);
    }

    void mountAndUnmount() {
        DockFixture dock;
        QVERIFY(dock.start());
        const auto mounted = [&dock](std::uint8_t packet) {
            return dock.host
                .exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), packet)
                ->data;
        };
        QCOMPARE(mounted(1), hexBytes("01"));
        dock.emulator->unmountLens();
        QCOMPARE(mounted(2), hexBytes("00"));
        const auto absent =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getBasicInfo), 3);
        QCOMPARE(absent->funcNumber, FunctionNumber::commError);
        QCOMPARE(absent->data, hexBytes("01"));
        dock.emulator->mountLens();
        QCOMPARE(mounted(4), hexBytes("01"));
        const auto connect = dock.host.exchange(
            makeRequest(Destination::adapter, FunctionNumber::reqLensConnect, hexBytes("00")), 5);
        QCOMPARE(connect->funcNumber, FunctionNumber::reqLensConnect);
        QVERIFY(dock.emulator->snapshot().lensConnected);
        const auto release =
            dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::reqLensDisconnect), 6);
        QCOMPARE(release->funcNumber, FunctionNumber::reqLensDisconnect);
        QVERIFY(!dock.emulator->snapshot().lensConnected);
    }

    void unplugAndReplugGiveANewPtyBehindTheSameLink() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.emulator->unplug();
        QVERIFY(dock.host.waitForHangup());
        QVERIFY(!QFileInfo::exists(dock.options.linkPath));
        QVERIFY(!QFileInfo(dock.options.linkPath).isSymLink());
        QVERIFY(!dock.emulator->snapshot().plugged);

        dock.emulator->replug();
        QVERIFY(dock.reopen(2));
        QCOMPARE(QFileInfo(dock.options.linkPath).symLinkTarget(), dock.emulator->snapshot().slavePath);
        const auto reply =
            dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 1);
        QVERIFY(reply);
        QCOMPARE(reply->data, hexBytes("01"));
    }

    void replugOntoAFileReportsAProblemAndKeepsTheFile() {
        DockFixture dock;
        std::mutex mutex;
        QStringList problems;
        dock.emulator = std::make_unique<DockEmulator>(dock.options);
        dock.emulator->setProblemHandler([&](const QString& message) {
            std::lock_guard lock(mutex);
            problems << message;
        });
        QString error;
        QVERIFY(dock.emulator->start(&error));
        dock.emulator->unplug();
        QFile file(dock.options.linkPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        dock.emulator->replug();
        QVERIFY(!dock.emulator->snapshot().plugged);
        {
            std::lock_guard lock(mutex);
            QCOMPARE(problems.size(), 1);
            QVERIFY(problems[0].contains(QStringLiteral("not a symlink")));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
        QVERIFY(file.remove());
        dock.emulator->replug();
        QVERIFY(dock.reopen(2));
    }

    void adjustDataSurvivesReplug() {
        DockFixture dock;
        QVERIFY(dock.start());
        const QByteArray written = hexBytes("01 03 00 04 02 01 00 09 00 01 00") + QByteArray(24, '\x02');
        QVERIFY(dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::setAdjData, written), 1));
        dock.emulator->unplug();
        dock.emulator->replug();
        QVERIFY(dock.reopen(2));
        QCOMPARE(dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getAdjData), 2)->data,
                 written);
    }

    void hostClosingAndReopeningKeepsTheDevice() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.host.close();
        QVERIFY(dock.host.open(dock.options.linkPath));
        QVERIFY(dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 1));
        QCOMPARE(dock.emulator->snapshot().plugCount, 1);
    }

    void damagedRequestsGetNoAnswer_data() {
        QTest::addColumn<QByteArray>("damaged");
        QByteArray badCrc =
            FrameCodec::encodeFrame(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 1);
        badCrc[7] = char(badCrc[7] ^ 0x40);
        QByteArray badEnd =
            FrameCodec::encodeFrame(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 1);
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
        const auto reply =
            dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::getBasicInfo), 2);
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 2);
        QCOMPARE(reply->funcNumber, FunctionNumber::getBasicInfo);
    }

    void frameSplitAcrossWritesIsAssembled() {
        DockFixture dock;
        QVERIFY(dock.start());
        const QByteArray frame =
            FrameCodec::encodeFrame(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 9);
        QVERIFY(dock.host.write(frame.left(4)));
        QVERIFY(dock.host.write(frame.mid(4)));
        const auto reply = FrameCodec::decodeFrame(dock.host.readFrame());
        QVERIFY(reply);
        QCOMPARE(reply->packetNumber, 9);
    }

    void dumpIsOneJsonLine() {
        DockFixture dock(DockProfile::awkwardLens());
        QVERIFY(dock.start());
        const auto outcome = ControlCommand::apply(*dock.emulator, QStringLiteral("dump"));
        QVERIFY(!outcome.output.contains(QLatin1Char('\n')));
        const QJsonObject state = QJsonDocument::fromJson(outcome.output.toUtf8()).object();
        QCOMPARE(state[QStringLiteral("plugged")].toBool(), true);
        QCOMPARE(state[QStringLiteral("adapter")].toObject()[QStringLiteral("mount")].toInt(), 2);
        QCOMPARE(state[QStringLiteral("lens")].toObject()[QStringLiteral("model")].toString(),
                 QStringLiteral("B028"));
        QCOMPARE(state[QStringLiteral("adjust")].toString().size(), 70);
        QVERIFY(state[QStringLiteral("firmware")].isArray());
    }

    void controlLinesSteerTheDock() {
        DockFixture dock;
        QVERIFY(dock.start());
        QVERIFY(ControlCommand::apply(*dock.emulator, QStringLiteral("unmount")).error.isEmpty());
        QVERIFY(!dock.emulator->snapshot().lensMounted);
        QVERIFY(ControlCommand::apply(*dock.emulator, QStringLiteral("overcurrent on")).error.isEmpty());
        QVERIFY(dock.emulator->snapshot().overCurrent);
        QVERIFY(ControlCommand::apply(*dock.emulator, QStringLiteral("fault crc-low 3")).error.isEmpty());
        QCOMPARE(dock.emulator->snapshot().faults.at(QStringLiteral("crc-low")), 3);
        QVERIFY(ControlCommand::apply(*dock.emulator, QStringLiteral("unplug")).error.isEmpty());
        QVERIFY(!dock.emulator->snapshot().plugged);
        QVERIFY(ControlCommand::apply(*dock.emulator, QStringLiteral("replug")).error.isEmpty());
        QVERIFY(dock.emulator->waitForPlugCount(2, DockFixture::plugWait));
    }

    void traceRecordsFramesInHex() {
        DockFixture dock;
        dock.options.tracePath = dock.dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(dock.start());
        QVERIFY(dock.host.exchange(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 1));
        dock.emulator->stop();
        QFile trace(dock.options.tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        QVERIFY(text.contains(" RX 0F 01 01 00 01 00 F7 D0 CD F0"));
        QVERIFY(text.contains(" TX 0F 01 01 00 02 00 F7 01"));
    }

    // The program's own serial port class, through the link, as the application will use it.
    void qtSerialPortExchangesFrames() {
        DockFixture dock;
        QVERIFY(dock.start());
        dock.host.close();
        QSerialPort port(dock.options.linkPath);
        port.setBaudRate(115200);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write(
            FrameCodec::encodeFrame(makeRequest(Destination::adapter, FunctionNumber::checkLensMounted), 3));
        QVERIFY(port.waitForBytesWritten(5000));
        QByteArray reply;
        while (reply.size() < 11 && port.waitForReadyRead(5000))
            reply += port.readAll();
        QCOMPARE(reply.size(), 11);
        QCOMPARE(FrameCodec::decodeFrame(reply)->data, hexBytes("01"));
        port.close();
        QVERIFY(dock.host.open(dock.options.linkPath));
    }

    void pacedLineStillDeliversWholeFrames() {
        DockFixture dock;
        dock.options.baud = 115200;
        QVERIFY(dock.start());
        const auto reply =
            dock.host.exchange(makeRequest(Destination::lens, FunctionNumber::getBasicInfo), 4);
        QVERIFY(reply);
        QCOMPARE(reply->data.size(), 85);
    }
};

QTEST_GUILESS_MAIN(TestEmulator)
#include "tst_emulator.moc"
