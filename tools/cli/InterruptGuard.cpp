#include "InterruptGuard.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace lensdock::cli {

namespace {
// Ends the watcher; never sent by anyone else.
constexpr int stopSignal = SIGUSR1;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, stopSignal})
        sigaddset(&set, signal);
    return set;
}

void note(const char* text) {
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text, std::char_traits<char>::length(text));
}

timespec asTimespec(std::chrono::milliseconds duration) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    const auto rest = std::chrono::duration_cast<std::chrono::nanoseconds>(duration - seconds);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(rest.count())};
}
} // namespace

std::atomic<int> InterruptGuard::shields_{0};
std::atomic<int> InterruptGuard::interrupted_{0};
std::mutex InterruptGuard::releaseMutex_;
std::function<void()> InterruptGuard::release_;

InterruptGuard::InterruptGuard() {
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] { watch(); });
}

InterruptGuard::~InterruptGuard() {
    pthread_kill(watcher_.native_handle(), stopSignal);
    watcher_.join();
}

// The main thread learns of the signal through interrupted() and so does the shield's owner, who
// looks after raising the shield: one of the two always sees the other.
bool InterruptGuard::beginEnd(int signal) {
    interrupted_ = signal;
    if (shields_ > 0) {
        interrupted_ = 0;
        return false;
    }
    std::lock_guard lock(releaseMutex_);
    if (!release_)
        std::_Exit(128 + signal); // nothing to release
    release_();
    return true;
}

void InterruptGuard::watch() {
    const sigset_t set = watchedSignals();
    int ending = 0;
    while (true) {
        int signal = 0;
        if (ending == 0) {
            if (sigwait(&set, &signal) != 0 || signal == stopSignal)
                return;
            if (beginEnd(signal))
                ending = signal;
            else
                note("lensdock-cli: a firmware update is running and is not interrupted; wait for it to "
                     "end\n");
            continue;
        }
        const timespec bound = asTimespec(graceBound);
        signal = sigtimedwait(&set, nullptr, &bound);
        if (signal == stopSignal)
            return;
        if (signal < 0 && errno == EINTR)
            continue;
        if (shields_ > 0)
            continue;
        note("lensdock-cli: interrupted\n");
        std::_Exit(128 + ending);
    }
}

InterruptGuard::Shield::Shield() {
    ++shields_;
}

InterruptGuard::Shield::~Shield() {
    --shields_;
}

InterruptGuard::OnInterrupt::OnInterrupt(std::function<void()> release) {
    std::lock_guard lock(releaseMutex_);
    release_ = std::move(release);
}

InterruptGuard::OnInterrupt::~OnInterrupt() {
    std::lock_guard lock(releaseMutex_);
    release_ = nullptr;
}

} // namespace lensdock::cli
