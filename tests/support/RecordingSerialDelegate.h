#pragma once

#include "link/SerialChannelDelegate.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <QList>

// Records every report of the serial channel, from whichever thread it comes.
class RecordingSerialDelegate : public lensdock::SerialChannelDelegate {
public:
    struct Event {
        enum class Kind { response, control, failure, removed } kind;
        lensdock::CommDataFormat response;
        bool isAck = false;
        lensdock::ChannelError code = lensdock::ChannelError::success;
    };

    void usbSerialDidReceiveResponse(const lensdock::CommDataFormat& response) override {
        add({Event::Kind::response, response, false, lensdock::ChannelError::success});
    }
    void usbSerialDidReceiveControl(bool isAck) override {
        add({Event::Kind::control, {}, isAck, lensdock::ChannelError::success});
    }
    void usbSerialDidFail(lensdock::ChannelError code) override {
        add({Event::Kind::failure, {}, false, code});
    }
    void usbSerialWasRemoved() override {
        add({Event::Kind::removed, {}, false, lensdock::ChannelError::success});
    }

    QList<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    qsizetype count() const {
        std::lock_guard lock(mutex_);
        return events_.size();
    }
    // Waits until more than `count` events arrived; false after `limit`.
    bool waitForEvents(qsizetype count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [&] { return events_.size() > count; });
    }

private:
    void add(Event event) {
        std::lock_guard lock(mutex_);
        events_ << std::move(event);
        arrived_.notify_all(); // under the lock: the waiter may drop this object once it is free
    }

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    QList<Event> events_;
};
