#include "link/Watchdog.h"

#include "base/Logger.h"

namespace lensdock {

Watchdog::Watchdog(WatchdogDelegate* delegate, std::chrono::microseconds tick)
    : delegate_(delegate), msecLoop_(tick) {}

Watchdog::~Watchdog() {
    requestDelete();
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // dropped from its own time-out report; it ends at its next look at the flag
    else
        thread_.join();
}

void Watchdog::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { main(); });
}

void Watchdog::restart(std::uint32_t countMax) {
    timeoutCountMax_ = countMax;
    reStartFlag_ = true;
}

void Watchdog::requestDelete() {
    {
        std::lock_guard lock(wakeMutex_);
        deleteFlag_ = true;
    }
    wake_.notify_all();
}

void Watchdog::main() {
    count_ = 0;
    while (true) {
        std::unique_lock lock(wakeMutex_);
        if (wake_.wait_for(lock, msecLoop_, [this] { return deleteFlag_.load(); }))
            return;
        lock.unlock();
        tick();
    }
}

void Watchdog::tick() {
    if (reStartFlag_.exchange(false)) {
        watching_ = true;
        count_ = 0;
        return;
    }
    if (!watching_)
        return;
    ++count_;
    if (count_ >= timeoutCountMax_) {
        watching_ = false;
        Logger::trace(QStringLiteral("USB"), QStringLiteral("Timeout"));
        if (delegate_)
            delegate_->usbSerialTimeout();
    }
}

} // namespace lensdock
