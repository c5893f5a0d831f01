#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "connection/ConnectionThread.h"
#include "link/FrameCodec.h"
#include "LogCapture.h"
#include "MemorySerialPort.h"
#include "RecordingThreadDelegate.h"
#include "SampleIdentities.h"

#include <QTest>
#include <thread>

using namespace lensdock;
using State = ApplicationState;
using namespace std::chrono_literals;

namespace {
constexpr auto quietTick = std::chrono::microseconds(std::chrono::hours(1));

// A minimal dock for deterministic tests: answers the last request the way a dock with a lens would.
struct MiniDock {
    bool lensMounted = true;
    bool answers = true;
    QByteArray adjust = hexBytes("02 02 00 09 00 01 00 09 00 01 00") + QByteArray(24, '\0');
    QList<QByteArray> stored;

    std::optional<QByteArray> payloadFor(const QByteArray& request) {
        switch (byteAt(request, 6)) {
        case 0xF7:
            return QByteArray(1, lensMounted ? '\1' : '\0');
        case 0xFA:
            return byteAt(request, 2) == Destination::adapter ? sampleAdapterIdentity()
                                                              : sampleLensIdentity();
        case 0xFB:
            adjust = request.mid(7, 35);
            stored << adjust;
            return QByteArray();
        case 0xFC:
            return adjust;
        default:
            return QByteArray();
        }
    }
    QByteArray replyTo(const QByteArray& request) {
        CommDataFormat reply;
        reply.destination = byteAt(request, 2);
        reply.funcNumber = byteAt(request, 6);
        reply.setPayload(payloadFor(request).value_or(QByteArray()));
        return FrameCodec::encodeFrame(reply, byteAt(request, 1));
    }
};

struct Harness {
    explicit Harness(std::chrono::microseconds watchdogTick = quietTick)
        : serial(provider, watchdogTick), thread(serial, current, lens) {
        thread.setDelegate(&screen);
        lens.set(*IdentityDecoderLens());
    }
    static std::optional<LensInfo> IdentityDecoderLens() {
        CommDataFormat reply;
        reply.data = sampleLensIdentity();
        return reply.makeLensInfo();
    }

    // One tick; a request it sent is answered at once when the dock answers.
    void step() {
        const qsizetype before = provider->writeCount();
        thread.tick();
        if (dock.answers && provider->writeCount() > before)
            provider->feed(dock.replyTo(provider->written().last()));
    }
    void steps(int count) {
        for (int i = 0; i < count; ++i)
            step();
    }
    // Ticks until the thread is in `state` with nothing in flight.
    bool reach(State state, int limit = 50) {
        for (int i = 0; i < limit; ++i) {
            if (thread.appState() == state && thread.threadState() == ThreadState::sendProcess)
                return true;
            step();
        }
        return false;
    }
    qsizetype writes() const { return provider->writeCount(); }

    std::shared_ptr<MemoryPortProvider> provider = std::make_shared<MemoryPortProvider>();
    SerialChannel serial;
    Guarded<LensAdjustData> current;
    Guarded<LensInfo> lens;
    RecordingThreadDelegate screen;
    MiniDock dock;
    ConnectionThread thread;
};
// A screen whose report handler holds the connection thread until the test lets it go, writing
// when it enters and leaves into a log shared with the test.
class HeldDelegate : public lensdock::ConnectionThreadDelegate {
public:
    void connectionEnded() override {}
    void exchangeFinished(State, ExchangeResult, const std::optional<CommDataFormat>&) override {
        std::unique_lock lock(mutex_);
        events_ << QStringLiteral("report begins");
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        events_ << QStringLiteral("report ends");
    }
    bool waitForReport(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return !events_.isEmpty(); });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    void note(const QString& event) {
        std::lock_guard lock(mutex_);
        events_ << event;
    }
    QStringList events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    QStringList events_;
    bool released_ = false;
};

// Unregisters itself from inside its first report, on the connection thread.
class SelfRemovingDelegate : public RecordingThreadDelegate {
public:
    explicit SelfRemovingDelegate(ConnectionThread& thread) : thread_(thread) {}
    void exchangeFinished(State state, ExchangeResult error,
                          const std::optional<CommDataFormat>& response) override {
        RecordingThreadDelegate::exchangeFinished(state, error, response);
        thread_.setDelegate(nullptr);
    }

private:
    ConnectionThread& thread_;
};
} // namespace

class TestConnectionThread : public QObject {
    Q_OBJECT
private slots:
    void startupIdentifiesTheAdapter() {
        Harness h;
        LogCapture capture;
        h.thread.startMain();
        QVERIFY(capture.contains("[Thread] Port open success"));
        QVERIFY(capture.contains("[Thread] Change appState: 0"));
        h.steps(2);
        QCOMPARE(h.screen.results().size(), 1);
        const auto result = h.screen.results().first();
        QCOMPARE(result.state, State::startup);
        QCOMPARE(result.error, ExchangeResult::success);
        QVERIFY(result.response && result.response->makeAdapterBasicInfo());
        h.steps(5); // idles in startup until a screen asks for more
        QCOMPARE(h.writes(), 1);
    }

    void noAdapterAtStartIsReportedThenSearched() {
        Harness h;
        h.provider->setPresent(false);
        LogCapture capture;
        h.thread.startMain();
        QVERIFY(capture.contains("[Thread] Port Not Found"));
        QCOMPARE(h.screen.results().size(), 1);
        QCOMPARE(h.screen.results().first().error, ExchangeResult::failure);
        h.steps(3);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        QCOMPARE(h.screen.disconnectedCount(), 1);
        h.provider->setPresent(true);
        h.steps(1);
        QVERIFY(capture.contains("[Thread] Port Re open success"));
        QCOMPARE(h.thread.appState(), State::reconnectingAdapter);
        h.steps(3);
        QCOMPARE(h.screen.countOf(State::reconnectingAdapter), 1); // answered once, then idle
        h.steps(5);
        QCOMPARE(h.screen.countOf(State::reconnectingAdapter), 1);
    }

    void adapterDisconnectTakesOnlyTermination() {
        Harness h;
        h.provider->setPresent(false);
        h.thread.startMain();
        h.steps(2);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        h.thread.requestState(State::holdingLens);
        h.steps(3);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        h.thread.requestState(State::terminating);
        h.steps(1);
        QCOMPARE(h.thread.appState(), State::terminating);
    }

    void pendingTerminationIsNeverOverwritten() {
        Harness h;
        h.thread.requestState(State::terminating);
        h.thread.requestState(State::holdingLens);
        QCOMPARE(h.thread.appNewState(), State::terminating);
    }

    void stateChangesAreLogged_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("line");
        QTest::newRow("processing") << int(State::holdingLens) << "[Thread] Change appState: 11";
        QTest::newRow("terminate") << int(State::terminating) << "[Thread] Change appState: 255";
    }
    void stateChangesAreLogged() {
        QFETCH(int, state);
        QFETCH(QString, line);
        Harness h;
        h.thread.startMain();
        h.steps(2);
        LogCapture capture;
        h.thread.requestState(State(state));
        h.steps(1);
        QVERIFY(capture.contains(line));
    }

    void aMountedLensCountsOnlyAfterItWasSeenOff() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.setAwaitLensRemoval(true);
        h.thread.requestState(State::waitingForLens);
        h.steps(40); // the lens stays on: never reported
        QCOMPARE(h.screen.countOf(State::waitingForLens), 0);
        h.dock.lensMounted = false;
        h.steps(25);
        QVERIFY(!h.thread.awaitLensRemoval());
        QCOMPARE(h.screen.countOf(State::waitingForLens), 0);
        h.dock.lensMounted = true;
        h.steps(25); // a poll every 10 ticks
        QVERIFY(h.screen.countOf(State::waitingForLens) >= 1);
    }

    void wholeCourseToProcessingPollsOncePerSecond() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        for (State state :
             {State::waitingForLens, State::connectingLens, State::lensConnected, State::readingSettings}) {
            h.thread.requestState(state);
            h.steps(3);
            QVERIFY2(h.screen.countOf(state) >= 1, qPrintable(QString::number(int(state))));
        }
        const auto read = h.screen.results().last();
        QCOMPARE(read.state, State::readingSettings);
        QVERIFY(makeLensAdjustData(*read.response, h.lens.get()));

        h.thread.requestState(State::holdingLens);
        QVERIFY(h.reach(State::holdingLens));
        const qsizetype before = h.writes();
        h.steps(33);
        QCOMPARE(h.writes() - before, 3); // 10 ticks after each reply
        QCOMPARE(h.screen.countOf(State::holdingLens), 3);
    }

    void lostPollInProcessingStopsPolling() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State::holdingLens);
        QVERIFY(h.reach(State::holdingLens));
        h.dock.answers = false;
        h.steps(2);
        // No resend for a poll: the first time-out ends it.
        h.serial.usbSerialTimeout();
        h.steps(1);
        QCOMPARE(h.thread.deviceLoss(), DeviceLoss::lens);
        const qsizetype writes = h.writes();
        h.steps(30);
        QCOMPARE(h.writes(), writes);
        QCOMPARE(h.thread.appState(), State::holdingLens);
    }

    void writeIsReadBackAndReportedOnce() {
        Harness h;
        LensAdjustData wanted;
        wanted.focusZoomClose[0] = -30;
        wanted.vcMode = 3;
        h.current.set(wanted);
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State::writingSettings);
        h.steps(4);
        QCOMPARE(h.dock.stored.size(), 1);
        QCOMPARE(h.screen.countOf(State::writingSettings), 1);
        const auto result = h.screen.results().last();
        QCOMPARE(result.error, ExchangeResult::success);
        QCOMPARE(result.response->funcNumber, FunctionNumber::getAdjData);
        const auto readBack = makeLensAdjustData(*result.response, h.lens.get());
        QVERIFY(readBack && readBack->isSameSettings(wanted, h.lens.get()));
        h.steps(20); // waiting for the screen: nothing is written again
        QCOMPARE(h.dock.stored.size(), 1);
        QCOMPARE(h.screen.countOf(State::writingSettings), 1);
    }

    void failedCheckSendsNothing() {
        Harness h;
        LensAdjustData bad;
        bad.focusLimitFirstNear = 5;
        bad.focusLimitFirstFar = 5;
        h.current.set(bad);
        h.thread.startMain();
        h.steps(2);
        const qsizetype writes = h.writes();
        LogCapture capture;
        h.thread.requestState(State::writingSettings);
        h.steps(5);
        QCOMPARE(h.writes(), writes);
        QCOMPARE(h.screen.countOf(State::writingSettings), 1);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::failure);
        QVERIFY(capture.contains("[Thread] Error adjust check Limit1 Far = 5"));
    }

    void adapterLoss_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("inK");
        QTest::newRow("lensConnect") << int(State::lensConnected) << true;
        QTest::newRow("lensDisadhesion") << int(State::waitingForLens) << true;
        QTest::newRow("processing") << int(State::holdingLens) << false;
        QTest::newRow("fwUpdate") << int(State::firmwareUpdate) << false;
    }
    void adapterLoss() {
        QFETCH(int, state);
        QFETCH(bool, inK);
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State(state));
        QVERIFY(h.reach(State(state)));
        h.provider->injectRemoval();
        h.steps(1);
        if (inK) {
            QCOMPARE(h.thread.appState(), State::searchingAdapter);
            QCOMPARE(h.screen.disconnectedCount(), 1);
        } else {
            QCOMPARE(h.thread.appState(), State(state));
            QCOMPARE(h.thread.deviceLoss(), DeviceLoss::adapter);
        }
    }

    // The write finds the port closed first; the system's unplug notice follows a moment later.
    void adapterLossSeenTwiceIsReportedOnce() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State::waitingForLens);
        QVERIFY(h.reach(State::waitingForLens));
        h.steps(2);
        h.provider->dropPort();
        h.steps(2);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        h.provider->announceRemoval();
        h.steps(2);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        QCOMPARE(h.screen.disconnectedCount(), 1);
    }

    void terminationReleasesTheLensAndEnds() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State::terminating);
        h.steps(3);
        QCOMPARE(byteAt(h.provider->written().last(), 6), FunctionNumber::reqLensDisconnect);
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.screen.results().last().state, State::terminating);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::success);
        QVERIFY(!h.provider->isOpen());
    }

    // A quit while the thread waits for an answer that is not coming (a lens just taken off).
    void quitCutsShortAWaitForAnAnswer_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("cutShort");
        QTest::newRow("lens poll") << int(State::holdingLens) << true;
        QTest::newRow("lens check") << int(State::waitingForLens) << true;
        QTest::newRow("firmware transfer") << int(State::firmwareUpdate) << false;
    }
    void quitCutsShortAWaitForAnAnswer() {
        QFETCH(int, state);
        QFETCH(bool, cutShort);
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State(state));
        QVERIFY(h.reach(State(state)));
        h.dock.answers = false;
        const qsizetype before = h.writes();
        if (State(state) == State::firmwareUpdate) // the update's own request, sent past the thread
            QCOMPARE(h.serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false),
                     int(SerialChannel::sent));
        for (int i = 0; i < 3 * ConnectionThread::countMax && !h.serial.isResponseWaiting(); ++i)
            h.step();
        QVERIFY(h.serial.isResponseWaiting());
        QVERIFY(h.writes() > before);
        const qsizetype asked = h.writes();
        h.thread.requestState(State::terminating);
        h.steps(3);
        if (!cutShort) {
            QVERIFY(h.serial.isResponseWaiting());
            QCOMPARE(h.writes(), asked);
            return;
        }
        QCOMPARE(byteAt(h.provider->written().last(), 6), FunctionNumber::reqLensDisconnect);
        h.provider->feed(h.dock.replyTo(h.provider->written().last()));
        h.steps(1);
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.screen.results().last().state, State::terminating);
    }

    // The release at the end is not resent and gives up after its own short bound.
    void unansweredReleaseStillEnds() {
        Harness h(std::chrono::milliseconds(50));
        h.thread.startMain();
        h.steps(2);
        h.dock.answers = false;
        h.thread.requestState(State::terminating);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!h.thread.hasExited() && std::chrono::steady_clock::now() < deadline) {
            h.step();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        QVERIFY(h.thread.hasExited());
        const auto written = h.provider->written();
        QCOMPARE(std::count_if(written.begin(), written.end(),
                               [](const QByteArray& request) {
                                   return byteAt(request, 6) == FunctionNumber::reqLensDisconnect;
                               }),
                 1);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::failure);
        QVERIFY(!h.provider->isOpen());
    }

    void refusedReleaseStillClosesAndEnds() {
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.provider->setAcceptWrites(false);
        LogCapture capture;
        h.thread.requestState(State::terminating);
        h.steps(2);
        QVERIFY(capture.contains("[USB] Port Close"));
        QVERIFY(!h.provider->isOpen());
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.screen.results().last().state, State::terminating);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::failure);
    }

    void unregisteringWaitsForTheReportInFlight() {
        Harness h;
        HeldDelegate held;
        h.thread.setDelegate(&held);
        h.thread.startMain();
        std::thread connection([&] { h.steps(2); }); // the adapter's identity is reported to `held`
        QVERIFY(held.waitForReport(5s));
        std::thread screen([&] {
            h.thread.setDelegate(nullptr);
            held.note(QStringLiteral("unregistered"));
        });
        // Room for an unregistering that does not wait to finish first; it must not.
        std::this_thread::sleep_for(20ms);
        held.release();
        connection.join();
        screen.join();
        QCOMPARE(held.events(), QStringList({QStringLiteral("report begins"), QStringLiteral("report ends"),
                                             QStringLiteral("unregistered")}));
        QCOMPARE(h.thread.delegate(), nullptr);
    }

    void aReportMayUnregisterItsOwnReceiver() {
        Harness h;
        SelfRemovingDelegate screen(h.thread);
        h.thread.setDelegate(&screen);
        h.thread.startMain();
        h.steps(2); // would never return if the receiver waited for its own report
        QCOMPARE(screen.countOf(State::startup), 1);
        QCOMPARE(h.thread.delegate(), nullptr);
        h.thread.requestState(State::searchingAdapter);
        h.steps(2);
        QCOMPARE(screen.disconnectedCount(), 0);
    }

    void runsOnItsOwnThread() {
        Harness h;
        ConnectionThread fast(h.serial, h.current, h.lens, 1ms);
        RecordingThreadDelegate screen;
        fast.setDelegate(&screen);
        qsizetype answered = 0;
        // The test is the dock: it answers each new request until `done` holds or 5 s pass.
        const auto answerUntil = [&](const std::function<bool()>& done) {
            const auto deadline = std::chrono::steady_clock::now() + 5s;
            while (!done() && std::chrono::steady_clock::now() < deadline) {
                if (!h.provider->waitForWrites(answered, 10ms))
                    continue;
                answered = h.provider->writeCount();
                h.provider->feed(h.dock.replyTo(h.provider->written().last()));
            }
        };
        fast.start();
        answerUntil([&] { return screen.countOf(State::startup) > 0; });
        QCOMPARE(screen.countOf(State::startup), 1);
        fast.requestState(State::terminating);
        answerUntil([&] { return fast.hasExited(); });
        QVERIFY(fast.waitForExit(5s));
        QCOMPARE(screen.results().last().state, State::terminating);
        QCOMPARE(byteAt(h.provider->written().last(), 6), FunctionNumber::reqLensDisconnect);
    }
};

QTEST_GUILESS_MAIN(TestConnectionThread)
#include "tst_connectionthread.moc"
