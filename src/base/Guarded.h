#pragma once

#include <mutex>
#include <utility>

namespace lensdock {

// A record shared between threads: readers copy it out and writers replace it whole, each under one
// lock, so that no reader ever sees half a record.
template <typename T> class Guarded {
public:
    Guarded() = default;
    explicit Guarded(T value) : value_(std::move(value)) {}
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }

    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

    // Read-modify-write as one step; `change` runs under the lock and must not take it again.
    template <typename F> void update(F&& change) {
        std::lock_guard lock(mutex_);
        std::forward<F>(change)(value_);
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace lensdock
