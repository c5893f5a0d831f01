#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <QList>

// Collects results that arrive on another thread and lets a test wait for the first one.
template <typename T> class ResultLatch {
public:
    void add(T value) {
        std::lock_guard lock(mutex_);
        values_ << std::move(value);
        arrived_.notify_all(); // under the lock: the waiter may drop this object once it is free
    }
    bool wait(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [this] { return !values_.isEmpty(); });
    }
    QList<T> values() const {
        std::lock_guard lock(mutex_);
        return values_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    QList<T> values_;
};
