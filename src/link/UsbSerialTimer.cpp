#include "link/UsbSerialTimer.h"

#include "link/Logger.h"

namespace lensdock {

UsbSerialTimer::UsbSerialTimer(UsbSerialTimerDelegate* delegate, std::chrono::microseconds tick)
    : delegate_(delegate), msecLoop_(tick) {}

UsbSerialTimer::~UsbSerialTimer() {
    requestDelete();
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // dropped from its own time-out report; it ends at its next look at the flag
    else
        thread_.join();
}

void UsbSerialTimer::start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { main(); });
}

void UsbSerialTimer::restart(std::uint32_t countMax) {
    timeoutCountMax_ = countMax;
    reStartFlag_ = true;
}

void UsbSerialTimer::requestDelete() {
    {
        std::lock_guard lock(wakeMutex_);
        deleteFlag_ = true;
    }
    wake_.notify_all();
}

void UsbSerialTimer::main() {
    count_ = 0;
    while (true) {
        std::unique_lock lock(wakeMutex_);
        if (wake_.wait_for(lock, msecLoop_, [this] { return deleteFlag_.load(); }))
            return;
        lock.unlock();
        tick();
    }
}

void UsbSerialTimer::tick() {
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
