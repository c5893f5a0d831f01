#pragma once

#include <atomic>
#include <thread>

namespace lensdock::cli {

// Ctrl-C, SIGTERM and SIGHUP end the tool at once, as they would by default, except while a firmware
// update runs: cutting one short can leave a device without working firmware, so then they are only
// noted. The signals are blocked in every thread and taken by one watcher thread; create the guard
// first thing in main, before any other thread exists, so that all threads inherit the mask.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // While one exists, the signals above do not end the tool.
    class Shield {
    public:
        Shield();
        ~Shield();
        Shield(const Shield&) = delete;
        Shield& operator=(const Shield&) = delete;
    };

private:
    void watch();

    std::thread watcher_;
    static std::atomic<int> shields_;
};

} // namespace lensdock::cli
