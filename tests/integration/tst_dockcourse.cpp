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
                 int(SerialChannel::sent));
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
        QCOMPARE(delegate.events().first().code, ChannelError::overcurrent);
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
        QVERIFY(noAdapter && noAdapter->error == ExchangeResult::failure);
        QVERIFY(capture.contains("[Thread] Port Not Found"));
        QVERIFY(link.startEmulator());
        const auto reconnect = resultOf(screen, State::reconnectingAdapter);
        QVERIFY(reconnect && reconnect->error == ExchangeResult::success);
        QVERIFY(reconnect->response->makeAdapterBasicInfo());

        // Lens wait, connect, identity, adjust read.
        link.thread.requestState(State::waitingForLens);
        QVERIFY(resultOf(screen, State::waitingForLens));
        link.thread.requestState(State::connectingLens);
        QVERIFY(resultOf(screen, State::connectingLens));
        QVERIFY(waitUntil([&] { return link.emulator->snapshot().lensConnected; }));
        link.thread.requestState(State::lensConnected);
        const auto identity = resultOf(screen, State::lensConnected);
        QVERIFY(identity && identity->response);
        const auto lens = identity->response->makeLensInfo();
        QVERIFY(lens);
        link.lensInfo.set(*lens);
        link.thread.requestState(State::readingSettings);
        const auto read = resultOf(screen, State::readingSettings);
        QVERIFY(read && read->response && makeLensAdjustData(*read->response, *lens));

        // Idle: the lens is asked for its identity again and again.
        link.thread.requestState(State::holdingLens);
        QVERIFY(resultOf(screen, State::holdingLens, 3));

        // A write whose read-back matches.
        LensAdjustData wanted;
        wanted.focusZoomCenter[2] = -7;
        wanted.focusLimitSecondNear = 2;
        link.currentAdjustData.set(wanted);
        link.thread.requestState(State::writingSettings);
        const auto written = resultOf(screen, State::writingSettings);
        QVERIFY(written && written->error == ExchangeResult::success && written->response);
        const auto readBack = makeLensAdjustData(*written->response, *lens);
        QVERIFY(readBack && readBack->isSameSettings(wanted, *lens));
        QCOMPARE(link.emulator->snapshot().adjustBytes, AdjustPayload::encode(wanted, *lens));

        // A write that fails its check sends nothing.
        link.thread.requestState(State::lensConnected);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::lensConnected; }));
        LensAdjustData invalid = wanted;
        invalid.vcMode = 9;
        link.currentAdjustData.set(invalid);
        link.thread.requestState(State::writingSettings);
        const auto refused = resultOf(screen, State::writingSettings, 2);
        QVERIFY(refused && refused->error == ExchangeResult::failure && !refused->response);
        QCOMPARE(link.emulator->snapshot().adjustBytes, AdjustPayload::encode(wanted, *lens));
        QVERIFY(capture.contains("[Thread] Error adjust check vcMode = 9"));

        // The lens taken off while idle: the poll fails and polling stops.
        link.thread.requestState(State::holdingLens);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::holdingLens; }));
        link.emulator->unmountLens();
        QVERIFY(waitUntil([&] { return link.thread.deviceLoss() == DeviceLoss::lens; }));
        QCOMPARE(link.thread.appState(), State::holdingLens);
        // The screen releases the lens and waits for the next one.
        link.thread.requestState(State::releasingLens);
        QVERIFY(resultOf(screen, State::releasingLens));
        link.thread.requestState(State::waitingForLens);
        const qsizetype mountedBefore = screen.countOf(State::waitingForLens);
        link.emulator->mountLens();
        QVERIFY(resultOf(screen, State::waitingForLens, mountedBefore + 1));

        // Adapter unplugged in a state of the loss set, then back.
        const int disconnects = screen.disconnectedCount();
        link.emulator->unplug();
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::searchingAdapter; }));
        QVERIFY(waitUntil([&] { return screen.disconnectedCount() > disconnects; }));
        const qsizetype reconnects = screen.countOf(State::reconnectingAdapter);
        link.emulator->replug();
        QVERIFY(resultOf(screen, State::reconnectingAdapter, reconnects + 1));
        // However the unplug was noticed (a failed send, the port's own notice, or both), it is told once.
        QCOMPARE(screen.disconnectedCount(), disconnects + 1);

        // Adapter unplugged while idle: only recorded for the screen to decide.
        link.thread.requestState(State::holdingLens);
        QVERIFY(waitUntil([&] { return link.thread.appState() == State::holdingLens; }));
        link.emulator->unplug();
        QVERIFY(waitUntil([&] { return link.thread.deviceLoss() == DeviceLoss::adapter; }));
        QCOMPARE(link.thread.appState(), State::holdingLens);
        link.thread.requestState(State::searchingAdapter);
        link.emulator->replug();
        QVERIFY(resultOf(screen, State::reconnectingAdapter, reconnects + 2));

        // Termination releases the lens and ends the thread.
        link.thread.requestState(State::connectingLens);
        QVERIFY(resultOf(screen, State::connectingLens, 2));
        QVERIFY(waitUntil([&] { return link.emulator->snapshot().lensConnected; }));
        link.thread.requestState(State::terminating);
        QVERIFY(link.thread.waitForExit(10000ms));
        QCOMPARE(screen.results().last().state, State::terminating);
        QVERIFY(!link.emulator->snapshot().lensConnected);
        QVERIFY(!link.serial.isPortOpen());
    }
};

QTEST_GUILESS_MAIN(TestDockCourse)
#include "tst_dockcourse.moc"
