#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace lensdock {

// Counts listener calls that are running on other threads, so that a screen going away can close the
// door and wait (bounded) until the last call has left before its fields disappear.
class InFlightCalls {
public:
    // Enters a call; `admitted()` is false once the door is closed.
    class Scope {
    public:
        explicit Scope(InFlightCalls& calls) : calls_(calls) {
            ++calls_.count_;
            admitted_ = !calls_.closed_;
        }
        ~Scope() { --calls_.count_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        bool admitted() const { return admitted_; }

    private:
        InFlightCalls& calls_;
        bool admitted_ = false;
    };

    // Refuses new calls and waits for the running ones; false when one is still running after `bound`.
    bool close(std::chrono::milliseconds bound) {
        closed_ = true;
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (count_ > 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    bool isClosed() const { return closed_; }

private:
    std::atomic<int> count_{0};
    std::atomic<bool> closed_{false};
};

} // namespace lensdock
