#include "InterruptGuard.h"

#include <csignal>
#include <cstdlib>
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
} // namespace

std::atomic<int> InterruptGuard::shields_{0};

InterruptGuard::InterruptGuard() {
    const sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] { watch(); });
}

InterruptGuard::~InterruptGuard() {
    pthread_kill(watcher_.native_handle(), stopSignal);
    watcher_.join();
}

void InterruptGuard::watch() {
    const sigset_t set = watchedSignals();
    while (true) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0 || signal == stopSignal)
            return;
        if (shields_ == 0)
            std::_Exit(128 + signal);
        note("lensdock-cli: a firmware update is running and is not interrupted; wait for it to end\n");
    }
}

InterruptGuard::Shield::Shield() {
    ++shields_;
}

InterruptGuard::Shield::~Shield() {
    --shields_;
}

} // namespace lensdock::cli
