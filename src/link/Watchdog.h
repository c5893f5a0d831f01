#pragma once

#include "link/SerialChannelDelegate.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace lensdock {

// The watchdog of the serial channel: counts ticks while a request waits and reports a time-out when
// the count reaches its maximum. A restart zeroes the count; pausing and resuming keeps it.
class Watchdog {
public:
    static constexpr std::chrono::microseconds defaultTick{std::chrono::milliseconds(100)};
    static constexpr std::uint32_t requestTimeoutTicks = 200; // 20 s with the default tick

    Watchdog(WatchdogDelegate* delegate, std::chrono::microseconds tick = defaultTick);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void start();

    // Arms the watchdog for a new request (or a resend, or a partial reply): count from zero.
    void restart(std::uint32_t countMax = requestTimeoutTicks);
    void setReStart(bool value) { reStartFlag_ = value; }
    void setWatching(bool value) { watching_ = value; }
    void pause() {
        reStartFlag_ = false;
        watching_ = false;
    }
    // Ends the thread at its next tick.
    void requestDelete();
    bool isDeleteRequested() const { return deleteFlag_; }
    bool isWatching() const { return watching_; }

private:
    void main();
    void tick();

    WatchdogDelegate* const delegate_;
    const std::chrono::microseconds msecLoop_;
    std::atomic<std::uint32_t> timeoutCountMax_{0};
    std::atomic<bool> deleteFlag_{false};
    std::atomic<bool> reStartFlag_{false};
    std::atomic<bool> watching_{false};
    std::uint32_t count_ = 0; // touched by the timer thread only
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

} // namespace lensdock
