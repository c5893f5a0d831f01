#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <QList>

// Collects values that arrive on other threads; a test waits until they are what it needs. The bound
// of a wait is generous because sanitizer builds are slow: tests never assert on how long anything took.
template <typename T> class ResultLatch {
public:
    void add(T value) {
        std::lock_guard lock(mutex_);
        values_ << std::move(value);
        arrived_.notify_all(); // under the lock: the waiter may drop this object once it is free
    }
    // The values once `done` holds of them (or the bound passed).
    QList<T> waitUntil(const std::function<bool(const QList<T>&)>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, limit, [&] { return done(values_); });
        return values_;
    }
    // The values once there are at least `count` of them (fewer if the bound passes first).
    QList<T> waitFor(qsizetype count) {
        return waitUntil([count](const QList<T>& values) { return values.size() >= count; });
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
