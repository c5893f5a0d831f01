#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace lensdock::cli {

// Ctrl-C, SIGTERM and SIGHUP end the tool, except while a firmware update runs: cutting one short
// can leave a device without working firmware, so then they are only noted. While devices are in
// use (an OnInterrupt exists) the tool first releases them: the signal is recorded, every wait of
// the tool ends early, and the tool ends by itself; a second signal, or a tool that has not ended
// within a short bound, is ended at once. The signals are blocked in every thread and taken by one
// watcher thread; create the guard first thing in main, before any other thread exists, so that all
// threads inherit the mask.
class InterruptGuard {
public:
    // How long the tool has to end by itself after a signal.
    static constexpr std::chrono::milliseconds graceBound{1800};

    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The signal that asked the tool to end, or 0.
    static int interrupted() { return interrupted_; }

    // While one exists, the signals above do not end the tool.
    class Shield {
    public:
        Shield();
        ~Shield();
        Shield(const Shield&) = delete;
        Shield& operator=(const Shield&) = delete;
    };

    // While one exists, a signal calls `release` on the watcher thread (it must be safe to call
    // from any thread) and the tool is given graceBound to end by itself.
    class OnInterrupt {
    public:
        explicit OnInterrupt(std::function<void()> release);
        ~OnInterrupt();
        OnInterrupt(const OnInterrupt&) = delete;
        OnInterrupt& operator=(const OnInterrupt&) = delete;
    };

private:
    void watch();
    // False when a firmware update shields the tool.
    static bool beginEnd(int signal);

    std::thread watcher_;
    static std::atomic<int> shields_;
    static std::atomic<int> interrupted_;
    static std::mutex releaseMutex_;
    static std::function<void()> release_;
};

} // namespace lensdock::cli
