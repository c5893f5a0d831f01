#include "adjust/AdjustPayload.h"
#include "Bytes.h"
#include "connection/ConnectionThread.h"
#include "link/FrameCodec.h"
#include "link/IdentityDecoder.h"
#include "LogCapture.h"
#include "MemorySerialPort.h"
#include "RecordingThreadDelegate.h"
#include "SampleIdentities.h"

#include <QTest>
#include <semaphore>
#include <thread>

using namespace lensdock;
using State = ApplicationState;
using namespace std::chrono_literals;

namespace {
// One row of a data table, each value in its column's order.
template <typename... T> void row(const char* name, T... values) {
    (QTest::newRow(name) << ... << values);
}

constexpr auto quietTick = std::chrono::microseconds(std::chrono::hours(1));

// A minimal dock for deterministic tests: answers a request the way a dock with a lens would.
struct MiniDock {
    bool lensMounted = true;
    bool answers = true;
    QByteArray adjust = hexBytes("02 02 00 09 00 01 00 09 00 01 00") + QByteArray(24, '\0');
    QList<QByteArray> stored;

    QByteArray replyTo(const QByteArray& request) {
        CommDataFormat reply;
        reply.destination = byteAt(request, 2);
        reply.funcNumber = byteAt(request, 6);
        if (reply.funcNumber == FunctionNumber::setAdjData)
            stored << (adjust = request.mid(7, 35));
        const bool identity = reply.funcNumber == FunctionNumber::getBasicInfo;
        reply.setPayload(reply.funcNumber == FunctionNumber::checkLensMounted
                             ? QByteArray(1, char(lensMounted))
                         : reply.funcNumber == FunctionNumber::getAdjData ? adjust
                         : !identity                                      ? QByteArray()
                         : reply.destination == Destination::adapter      ? sampleAdapterIdentity()
                                                                          : sampleLensIdentity());
        return FrameCodec::encodeFrame(reply, byteAt(request, 1));
    }
};

struct Harness {
    explicit Harness(std::chrono::microseconds watchdogTick = quietTick)
        : serial(provider, watchdogTick), thread(serial, current, lens) {
        thread.setDelegate(&screen);
        lens.set(*IdentityDecoder::lensInfo(sampleLensIdentity()));
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
    std::uint8_t lastFunction() const { return byteAt(provider->written().last(), 6); }

    std::shared_ptr<MemoryPortProvider> provider = std::make_shared<MemoryPortProvider>();
    SerialChannel serial;
    Guarded<LensAdjustData> current;
    Guarded<LensInfo> lens;
    RecordingThreadDelegate screen;
    MiniDock dock;
    ConnectionThread thread;
};

// A screen whose report handler holds the connection thread until the test lets it go and then
// unregisters itself, noting when it enters and leaves in a log shared with the test.
class HeldDelegate : public RecordingThreadDelegate {
public:
    explicit HeldDelegate(ConnectionThread& thread) : thread_(thread) {}
    void exchangeFinished(State, ExchangeResult, const std::optional<CommDataFormat>&) override {
        note(QStringLiteral("report begins"));
        entered.release();
        released.acquire();
        thread_.setDelegate(nullptr); // would never return if it waited for its own report to end
        note(QStringLiteral("report ends"));
    }
    void note(const QString& event) {
        std::lock_guard lock(mutex_);
        events << event;
    }
    std::binary_semaphore entered{0}, released{0};
    std::mutex mutex_;
    QStringList events;

private:
    ConnectionThread& thread_;
};
} // namespace

class TestConnectionThread : public QObject {
    Q_OBJECT
private slots:
    void courseThroughTheLensStates() {
        Harness h(50ms); // 0.5 s for the release at the end, 10 s for any other answer
        LensAdjustData wanted;
        wanted.focusZoomClose[0] = -30;
        wanted.vcMode = 3;
        h.current.set(wanted);
        LogCapture capture;
        h.thread.startMain();
        h.steps(7); // the adapter's identity is reported, then the thread idles until a screen asks
        QVERIFY(h.writes() == 1 && h.screen.results().size() == 1);
        const auto startup = h.screen.results().first();
        QVERIFY(startup.state == State::startup && startup.response &&
                startup.response->makeAdapterBasicInfo());

        for (State state :
             {State::waitingForLens, State::connectingLens, State::lensConnected, State::readingSettings}) {
            h.thread.requestState(state);
            QVERIFY(h.reach(state));
            h.steps(2);
            QVERIFY2(h.screen.countOf(state) >= 1, qPrintable(QString::number(int(state))));
        }
        QVERIFY(makeLensAdjustData(*h.screen.results().last().response, h.lens.get()));

        // A write that fails its check sends nothing and is reported as failed.
        LensAdjustData invalid = wanted;
        invalid.focusLimitFirstNear = invalid.focusLimitFirstFar = 5;
        h.current.set(invalid);
        const qsizetype beforeCheck = h.writes();
        h.thread.requestState(State::writingSettings);
        h.steps(5);
        QCOMPARE(h.writes(), beforeCheck);
        QVERIFY(h.screen.countOf(State::writingSettings) == 1 &&
                h.screen.results().last().error == ExchangeResult::failure);
        QVERIFY(capture.contains("[Thread] Error adjust check Limit1 Far = 5"));
        h.thread.requestState(State::lensConnected);
        QVERIFY(h.reach(State::lensConnected));

        // A write is read back and reported once; waiting for the screen writes nothing again.
        h.current.set(wanted);
        h.thread.requestState(State::writingSettings);
        h.steps(24);
        QCOMPARE(h.dock.stored.size(), 1);
        QCOMPARE(h.screen.countOf(State::writingSettings), 2);
        const auto written = h.screen.results().last();
        QVERIFY(written.error == ExchangeResult::success &&
                written.response->funcNumber == FunctionNumber::getAdjData);
        const auto readBack = makeLensAdjustData(*written.response, h.lens.get());
        QVERIFY(readBack && readBack->isSameSettings(wanted, h.lens.get()));

        // Held: the lens is asked who it is 10 ticks after each answer.
        h.thread.requestState(State::holdingLens);
        QVERIFY(h.reach(State::holdingLens));
        const qsizetype before = h.writes();
        h.steps(33);
        QCOMPARE(h.writes() - before, 3);
        QCOMPARE(h.screen.countOf(State::holdingLens), 3);

        // A lost poll is not resent: the lens counts as gone and polling stops.
        h.dock.answers = false;
        for (int i = 0; i < 20 && !h.serial.isResponseWaiting(); ++i)
            h.step();
        h.serial.usbSerialTimeout();
        h.steps(1);
        QCOMPARE(h.thread.deviceLoss(), DeviceLoss::lens);
        const qsizetype writes = h.writes();
        h.steps(30);
        QCOMPARE(h.writes(), writes);
        QCOMPARE(h.thread.appState(), State::holdingLens);

        // The release at the end is not resent and gives up after its own short bound.
        h.thread.requestState(State::terminating);
        for (int i = 0; i < 1000 && !h.thread.hasExited(); ++i) {
            h.step();
            std::this_thread::sleep_for(10ms);
        }
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.writes(), writes + 1);
        QCOMPARE(h.lastFunction(), FunctionNumber::reqLensDisconnect);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::failure);
        QVERIFY(!h.provider->isOpen());
    }

    void withoutAnAdapterOnlyAQuitIsTaken() {
        Harness h;
        h.provider->setPresent(false);
        LogCapture capture;
        h.thread.startMain();
        QVERIFY(h.screen.results().size() == 1 &&
                h.screen.results().first().error == ExchangeResult::failure);
        h.steps(3);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        QCOMPARE(h.screen.disconnectedCount(), 1);
        h.thread.requestState(State::holdingLens);
        h.steps(3);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);

        h.provider->setPresent(true);
        h.steps(1);
        QCOMPARE(h.thread.appState(), State::reconnectingAdapter);
        h.steps(8);
        QCOMPARE(h.screen.countOf(State::reconnectingAdapter), 1); // answered once, then idle
        QCOMPARE(h.writes(), 1);

        // Gone again: a quit is still taken, and no later request replaces it.
        h.provider->injectRemoval();
        h.steps(1);
        QCOMPARE(h.thread.appState(), State::searchingAdapter);
        QCOMPARE(h.screen.disconnectedCount(), 2);
        h.thread.requestState(State::terminating);
        h.thread.requestState(State::holdingLens);
        QCOMPARE(h.thread.appNewState(), State::terminating);
        h.steps(2);
        // The release cannot go out: the port is closed anyway and the thread ends with a failure.
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.screen.results().last().state, State::terminating);
        QCOMPARE(h.screen.results().last().error, ExchangeResult::failure);
        QVERIFY(capture.contains("[USB] Port Close"));
    }

    // The adapter unplugged (the write finds the port closed first, the system's notice follows a
    // moment later), or a quit while an answer that is not coming is awaited (a lens just taken off).
    void interruptions_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("quit");
        QTest::addColumn<bool>("ends"); // unplugged: the screens are told once; quit: the wait is cut short
        row("unplugged during the lens identity", int(State::lensConnected), false, true);
        row("unplugged during the lens wait", int(State::waitingForLens), false, true);
        row("unplugged while the lens is held", int(State::holdingLens), false, false);
        row("unplugged during a firmware update", int(State::firmwareUpdate), false, false);
        row("quit during the lens poll", int(State::holdingLens), true, true);
        row("quit during the lens check", int(State::waitingForLens), true, true);
        row("quit during a firmware transfer", int(State::firmwareUpdate), true, false);
    }
    void interruptions() {
        QFETCH(int, state);
        QFETCH(bool, quit);
        QFETCH(bool, ends);
        Harness h;
        h.thread.startMain();
        h.steps(2);
        h.thread.requestState(State(state));
        QVERIFY(h.reach(State(state)));
        if (!quit) {
            h.provider->dropPort();
            h.steps(2);
            h.provider->announceRemoval();
            h.steps(2);
            QCOMPARE(h.screen.disconnectedCount(), ends ? 1 : 0);
            QCOMPARE(h.thread.appState(), ends ? State::searchingAdapter : State(state));
            QCOMPARE(h.thread.deviceLoss(), ends ? DeviceLoss::none : DeviceLoss::adapter);
            return;
        }
        h.dock.answers = false;
        if (State(state) == State::firmwareUpdate) // the update's own request, sent past the thread
            QCOMPARE(h.serial.sendCommand(*buildRequest(CommandIndex::getBasicInfo, true), false),
                     int(SerialChannel::sent));
        for (int i = 0; i < 3 * ConnectionThread::countMax && !h.serial.isResponseWaiting(); ++i)
            h.step();
        QVERIFY(h.serial.isResponseWaiting());
        const qsizetype asked = h.writes();
        h.thread.requestState(State::terminating);
        h.steps(3);
        if (!ends) {
            QVERIFY(h.serial.isResponseWaiting());
            QCOMPARE(h.writes(), asked);
            return;
        }
        QCOMPARE(h.lastFunction(), FunctionNumber::reqLensDisconnect);
        h.provider->feed(h.dock.replyTo(h.provider->written().last()));
        h.steps(1);
        QVERIFY(h.thread.hasExited());
        QCOMPARE(h.screen.results().last().state, State::terminating);
        QVERIFY(!h.provider->isOpen());
    }

    // Unregistering waits for a report still being delivered, unless it comes from inside that report.
    void unregisteringWaitsForTheReportInFlight() {
        Harness h;
        HeldDelegate held(h.thread);
        h.thread.setDelegate(&held);
        h.thread.startMain();
        std::thread connection([&] { h.steps(2); }); // the adapter's identity is reported to `held`
        QVERIFY(held.entered.try_acquire_for(5s));
        std::thread screen([&] {
            h.thread.setDelegate(nullptr);
            held.note(QStringLiteral("unregistered"));
        });
        // Room for an unregistering that does not wait to finish first; it must not.
        std::this_thread::sleep_for(20ms);
        held.released.release();
        connection.join();
        screen.join();
        QCOMPARE(held.events, QStringList({QStringLiteral("report begins"), QStringLiteral("report ends"),
                                           QStringLiteral("unregistered")}));
        QCOMPARE(h.thread.delegate(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestConnectionThread)
#include "tst_connectionthread.moc"
