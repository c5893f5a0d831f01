#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "DockLink.h"
#include "link/CommandSet.h"
#include "LogCapture.h"
#include "RecordingSerialDelegate.h"

#include <functional>
#include <QTest>
#include <thread>

using namespace lensdock;
using namespace std::chrono_literals;
using State = ApplicationState;
using Kind = RecordingSerialDelegate::Event::Kind;

namespace {
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// The last result of `state`, once `count` of them have arrived.
std::optional<RecordingThreadDelegate::Result> resultOf(const RecordingThreadDelegate& screen, State state,
                                                        qsizetype count = 1) {
    if (!waitUntil([&] { return screen.countOf(state) >= count; }))
        return std::nullopt;
    const auto results = screen.results();
    for (auto it = results.rbegin(); it != results.rend(); ++it) {
        if (it->state == state)
            return *it;
    }
    return std::nullopt;
}
} // namespace

// The serial channel and the connection thread over the real QSerialPort, against the dock emulator.
class TestDockCourse : public QObject {
    Q_OBJECT
private slots:
    void channelRecoversFromEveryReplyFault_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("lost reply") << int(FaultKind::dropReply) << "[USB] Timeout";
        QTest::newRow("crc low") << int(FaultKind::crcLow) << "[USB] Error crc check 1";
        QTest::newRow("crc high") << int(FaultKind::crcHigh) << "[USB] Error crc check 2";
        QTest::newRow("packet number") << int(FaultKind::packetNumber) << "[USB] Error packet number";
        QTest::newRow("destination") << int(FaultKind::destination) << "[USB] Error destination";
        QTest::newRow("function") << int(FaultKind::function) << "[USB] Error function number";
        QTest::newRow("error frame") << int(FaultKind::errorFrame) << "[USB] Error function number";
        QTest::newRow("split reply") << int(FaultKind::splitReply) << "[USB] Recv Response Get Basic Info";
    }
    void channelRecoversFromEveryReplyFault() {
        QFETCH(int, fault);
        QFETCH(QString, logLine);
        DockLink link;
        QVERIFY(link.startEmulator());
        RecordingSerialDelegate delegate;
        link.serial.setDelegate(&delegate);
        QVERIFY(link.serial.openPort(link.serial.findPortPath()));
        link.emulator->armFault(FaultKind(fault));
        LogCapture capture;
        QCOMPARE(link.serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false),
                 int(UsbSerialInterface::sent));
        QVERIFY(delegate.waitForEvents(0));
        QVERIFY(!delegate.waitForEvents(1, 50ms));
        const auto event = delegate.events().first();
        QCOMPARE(event.kind, Kind::response);
        QVERIFY(event.response.makeAdapterBasicInfo());
        QVERIFY2(capture.contains(logLine), qPrintable(capture.untimed().join('\n')));
    }

    void strayBytesWhileIdleAreDropped() {
        DockLink link;
        QVERIFY(link.startEmulator());
        RecordingSerialDelegate delegate;
        link.serial.setDelegate(&delegate);
        QVERIFY(link.serial.openPort(link.serial.findPortPath()));
        LogCapture capture;
        link.emulator->armFault(FaultKind::strayBytes);
        QVERIFY(waitUntil([&] { return capture.contains("[USB] Recv not wait"); }));
        QCOMPARE(delegate.count(), 0);
    }

    void overCurrentIsReportedAsSuch() {
        DockLink link;
        QVERIFY(link.startEmulator());
        RecordingSerialDelegate delegate;
        link.serial.setDelegate(&delegate);
        QVERIFY(link.serial.openPort(link.serial.findPortPath()));
        link.emulator->setOverCurrent(true);
        link.serial.sendCommand(*buildRequest(CommandIndex::checkLensMounted, true), false);
        QVERIFY(delegate.waitForEvents(0));
        QCOMPARE(delegate.events().first().code, UsbSerialErrorCode::overcurrent);
    }

    void unplugAndReplug() {
        DockLink link;
        QVERIFY(link.startEmulator());
        RecordingSerialDelegate delegate;
        link.serial.setDelegate(&delegate);
        QVERIFY(link.serial.openPort(link.serial.findPortPath()));
        link.emulator->unplug();
        QVERIFY(delegate.waitForEvents(0));
        QCOMPARE(delegate.events().first().kind, Kind::removed);
        QVERIFY(link.serial.findPortPath().isEmpty());
        link.emulator->replug();
        QVERIFY(link.emulator->waitForPlugCount(2, 5s));
        QVERIFY(link.serial.openPort(link.serial.findPortPath()));
        link.serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false);
        QVERIFY(delegate.waitForEvents(1));
        QCOMPARE(delegate.events().last().kind, Kind::response);
    }

    // The connection thread on its own thread, with the test playing the screens.
    void wholeCourse() {
        DockLink link;
        RecordingThreadDelegate& screen = link.screen;
        LogCapture capture;
        link.thread.start();
        // No adapter yet.
        const auto noAdapter = resultOf(screen, State::startup);
        QVERIFY(noAdapter && noAdapter->error == UsbThreadErrorCode::failure);
        QVERIFY(capture.contains("[Thread] Port Not Found"));
        QVERIFY(link.startEmulator());
        const auto reconnect = resultOf(screen, State::adapterReconnect);
        QVERIFY(reconnect && reconnect->error == UsbThreadErrorCode::success);
        QVERIFY(reconnect->response->makeAdapterBasicInfo());

        // Lens wait, connect, identity, adjust read.
        link.thread.requestState(State::lensDisadhesion);
        QVERIFY(resultOf(screen, State::lensDisadhesion));
        link.thread.requestState(State::lensDisconnect);
        QVERIFY(resultOf(screen, State::lensDisconnect));
        QVERIFY(waitUntil([&] { return link.emulator->snapshot().lensConnected; }));
        link.thread.requestState(State::lensConnect);
        const auto identity = resultOf(screen, State::lensConnect);
        QVERIFY(identity && identity->response);
        const auto lens = identity->response->makeLensInfo();
        QVERIFY(lens);
        link.lensInfo.set(*lens);
        link.thread.requestState(State::adjDataRead);
        const auto read = resultOf(screen, State::adjDataRead);
        QVERIFY(read && read->response && makeLensAdjustData(*read->response, *lens));

        // Idle: the lens is asked for its identity again and again.
        link.thread.requestState(State::processing);
        QVERIFY(resultOf(screen, State::processing, 3));

        // A write whose read-back matches.
        LensAdjustData wanted;
        wanted.focusZoomCenter[2] = -7;
        wanted.focusLimitSecondNear = 2;
        link.currentAdjustData.set(wanted);
        link.thread.requestState(State::adjDataWriting);
        const auto written = resultOf(screen, State::adjDataWriting);
        QVERIFY(written && written->error == UsbThreadErrorCode::success && written->response);
        const auto readBack = makeLensAdjustData(*written->response, *lens);
        QVERIFY(readBack && readBack->isSameSettings(wanted, *lens));
        QCOMPARE(link.emulator->snapshot().adjustBytes, AdjustPayload::encode(wanted, *lens));

        // A write that fails its check sends nothing.
        link.thread.requestState(State::lensConnect);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::lensConnect; }));
        LensAdjustData invalid = wanted;
        invalid.vcMode = 9;
        link.currentAdjustData.set(invalid);
        link.thread.requestState(State::adjDataWriting);
        const auto refused = resultOf(screen, State::adjDataWriting, 2);
        QVERIFY(refused && refused->error == UsbThreadErrorCode::failure && !refused->response);
        QCOMPARE(link.emulator->snapshot().adjustBytes, AdjustPayload::encode(wanted, *lens));
        QVERIFY(capture.contains("[Thread] Error adjust check vcMode = 9"));

        // The lens taken off while idle: the poll fails and polling stops.
        link.thread.requestState(State::processing);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::processing; }));
        link.emulator->unmountLens();
        QVERIFY(waitUntil([&] { return link.thread.processingErr() == ProcessingErrorType::lens; }));
        QCOMPARE(link.thread.appState(), State::processing);
        // The screen releases the lens and waits for the next one.
        link.thread.requestState(State::lensDisconnected);
        QVERIFY(resultOf(screen, State::lensDisconnected));
        link.thread.requestState(State::lensDisadhesion);
        const qsizetype mountedBefore = screen.countOf(State::lensDisadhesion);
        link.emulator->mountLens();
        QVERIFY(resultOf(screen, State::lensDisadhesion, mountedBefore + 1));

        // Adapter unplugged in a state of the loss set, then back.
        const int disconnects = screen.disconnectedCount();
        link.emulator->unplug();
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::adapterDisconnect; }));
        QCOMPARE(screen.disconnectedCount(), disconnects + 1);
        const qsizetype reconnects = screen.countOf(State::adapterReconnect);
        link.emulator->replug();
        QVERIFY(resultOf(screen, State::adapterReconnect, reconnects + 1));

        // Adapter unplugged while idle: only recorded for the screen to decide.
        link.thread.requestState(State::processing);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::processing; }));
        link.emulator->unplug();
        QVERIFY(waitUntil([&] { return link.thread.processingErr() == ProcessingErrorType::adapter; }));
        QCOMPARE(link.thread.appState(), State::processing);
        link.thread.requestState(State::adapterDisconnect);
        link.emulator->replug();
        QVERIFY(resultOf(screen, State::adapterReconnect, reconnects + 2));

        // Termination releases the lens and ends the thread.
        link.thread.requestState(State::lensDisconnect);
        QVERIFY(resultOf(screen, State::lensDisconnect, 2));
        QVERIFY(waitUntil([&] { return link.emulator->snapshot().lensConnected; }));
        link.thread.requestState(State::appTerminate);
        QVERIFY(link.thread.waitForExit(10000ms));
        QCOMPARE(screen.results().last().state, State::appTerminate);
        QVERIFY(!link.emulator->snapshot().lensConnected);
        QVERIFY(!link.serial.isPortOpen());
    }
};

QTEST_GUILESS_MAIN(TestDockCourse)
#include "tst_dockcourse.moc"
