#include "DockEmulator.h"

#include "EmulatorEngine.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace lensdock {

namespace {
using std::chrono::milliseconds;
// Upper bound of one wait of the loop; deadlines and the wake pipe usually end it sooner.
constexpr milliseconds idlePoll{500};
// After a hang-up on the master, look again only this often instead of spinning.
constexpr milliseconds hangupBackoff{10};

// Microsecond resolution: a paced line's byte times are far below a millisecond, and a wait rounded
// up to whole milliseconds would add that much to every reply.
std::chrono::microseconds pollTimeout(std::optional<EmulatorEngine::Clock::time_point> deadline,
                                      EmulatorEngine::Clock::time_point now) {
    using std::chrono::microseconds;
    if (!deadline)
        return idlePoll;
    const auto wait = std::chrono::ceil<microseconds>(*deadline - now);
    return std::clamp(wait, microseconds(0), microseconds(idlePoll));
}

timespec toTimespec(std::chrono::microseconds wait) {
    return {time_t(wait.count() / 1000000), long(wait.count() % 1000000) * 1000};
}
} // namespace

DockEmulator::DockEmulator(DockEmulatorOptions options) : options_(std::move(options)) {}

DockEmulator::~DockEmulator() {
    stop();
}

void DockEmulator::setReadyHandler(std::function<void(const QString&)> handler) {
    readyHandler_ = std::move(handler);
}

void DockEmulator::setBareFinishedHandler(std::function<void(qsizetype)> handler) {
    bareFinishedHandler_ = std::move(handler);
}

void DockEmulator::setProblemHandler(std::function<void(const QString&)> handler) {
    problemHandler_ = std::move(handler);
}

bool DockEmulator::start(QString* error) {
    if (engine_)
        return true;
    EmulatorEngine::Hooks hooks;
    hooks.ready = [this](const QString& path) {
        if (readyHandler_)
            readyHandler_(path);
    };
    hooks.plugChanged = [this](bool plugged, int count) { onPlugChanged(plugged, count); };
    hooks.bareFinished = [this](qsizetype bytes) { onBareFinished(bytes); };
    hooks.problem = [this](const QString& message) {
        if (problemHandler_)
            problemHandler_(message);
    };
    auto engine = std::make_unique<EmulatorEngine>(options_, std::move(hooks));
    if (!engine->openTrace(error) || pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    engine_ = std::move(engine);
    if (!engine_->plugIn(error)) {
        engine_.reset();
        return false;
    }
    stopping_ = false;
    loopEnded_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void DockEmulator::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        wake();
        thread_.join();
    }
    if (engine_)
        engine_->unplugNow();
    for (int& fd : wakePipe_) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void DockEmulator::run() {
    bool hungUp = false;
    while (!stopping_) {
        runTasks();
        const auto now = EmulatorEngine::Clock::now();
        engine_->runDue(now);
        const int master = hungUp ? -1 : engine_->masterFd();
        auto timeout = pollTimeout(engine_->nextDeadline(now), now);
        if (hungUp)
            timeout = std::min<std::chrono::microseconds>(timeout, hangupBackoff);
        pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {master, POLLIN, 0}};
        const timespec wait = toTimespec(timeout);
        ::ppoll(fds, master >= 0 ? 2 : 1, &wait, nullptr);
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
        }
        hungUp = master >= 0 && (fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN);
        if (master >= 0 && (fds[1].revents & POLLIN))
            engine_->onReadable(EmulatorEngine::Clock::now());
    }
    {
        std::lock_guard lock(taskMutex_);
        loopEnded_ = true;
    }
    runTasks();
}

void DockEmulator::runTasks() {
    std::deque<std::shared_ptr<PendingTask>> pending;
    {
        std::lock_guard lock(taskMutex_);
        pending.swap(tasks_);
    }
    for (const auto& task : pending) {
        task->run();
        std::lock_guard lock(taskMutex_);
        task->done = true;
    }
    if (!pending.empty())
        taskDone_.notify_all();
}

void DockEmulator::wake() const {
    if (wakePipe_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe_[1], &byte, 1);
    }
}

// The task and its completion live on the heap and are handed over under taskMutex_ only: the
// emulator's thread never touches the caller's stack, and the caller learns of the end through the
// same mutex that published the task.
void DockEmulator::call(const std::function<void(EmulatorEngine&)>& task) const {
    if (!engine_)
        return;
    if (!thread_.joinable() || std::this_thread::get_id() == thread_.get_id())
        return task(*engine_);
    auto pending = std::make_shared<PendingTask>();
    pending->run = [this, task] { task(*engine_); };
    std::unique_lock lock(taskMutex_);
    if (loopEnded_) {
        lock.unlock();
        return task(*engine_); // nobody left to run it: the thread is past its last look at the queue
    }
    tasks_.push_back(pending);
    lock.unlock();
    wake();
    lock.lock();
    taskDone_.wait(lock, [&] { return pending->done; });
}

void DockEmulator::mountLens() {
    call([](EmulatorEngine& e) { e.setLensMounted(true); });
}

void DockEmulator::unmountLens() {
    call([](EmulatorEngine& e) { e.setLensMounted(false); });
}

void DockEmulator::unplug() {
    call([](EmulatorEngine& e) { e.unplugNow(); });
}

void DockEmulator::replug() {
    call([](EmulatorEngine& e) { e.requestReplug(); });
}

void DockEmulator::setOverCurrent(bool on) {
    call([on](EmulatorEngine& e) { e.setOverCurrent(on); });
}

void DockEmulator::setLensSerial(const QString& serial) {
    call([serial](EmulatorEngine& e) { e.setLensSerial(serial); });
}

void DockEmulator::setLensSettings(const QByteArray& bytes) {
    call([bytes](EmulatorEngine& e) { e.setLensSettings(bytes); });
}

void DockEmulator::armFault(FaultKind kind, int count) {
    call([kind, count](EmulatorEngine& e) { e.armFault(kind, count); });
}

void DockEmulator::clearFaults() {
    call([](EmulatorEngine& e) { e.clearFaults(); });
}

void DockEmulator::setFaultScope(std::optional<std::uint8_t> function) {
    call([function](EmulatorEngine& e) { e.setFaultScope(function); });
}

DockSnapshot DockEmulator::snapshot() const {
    auto result = std::make_shared<DockSnapshot>();
    call([result](EmulatorEngine& e) { *result = e.snapshot(); });
    return *result;
}

void DockEmulator::onPlugChanged(bool plugged, int plugCount) {
    {
        std::lock_guard lock(stateMutex_);
        plugged_ = plugged;
        plugCount_ = plugCount;
    }
    stateChanged_.notify_all();
}

void DockEmulator::onBareFinished(qsizetype bytes) {
    {
        std::lock_guard lock(stateMutex_);
        bareFinished_ = true;
    }
    stateChanged_.notify_all();
    if (bareFinishedHandler_)
        bareFinishedHandler_(bytes);
}

bool DockEmulator::waitForPlugCount(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(stateMutex_);
    return stateChanged_.wait_for(lock, timeout, [&] { return plugged_ && plugCount_ >= count; });
}

bool DockEmulator::waitForUnplugged(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(stateMutex_);
    return stateChanged_.wait_for(lock, timeout, [&] { return !plugged_; });
}

bool DockEmulator::waitForBareFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(stateMutex_);
    return stateChanged_.wait_for(lock, timeout, [&] { return bareFinished_; });
}

} // namespace lensdock
