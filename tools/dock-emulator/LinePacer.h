#pragma once

#include <chrono>
#include <QtGlobal>

namespace lensdock {

// Wire time of a serial line at a given baud rate, 8N1 (ten bit times per byte). Unpaced at 0 baud.
class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(int baud) : baud_(baud) {}

    // When the last of `bytes` bytes, handed to the line at `start`, would have crossed it. The line
    // carries one byte at a time, so a transmission waits for the one before it.
    Clock::time_point arrival(Clock::time_point start, qsizetype bytes);
    void reset() { lineFreeAt_ = {}; }

private:
    int baud_;
    Clock::time_point lineFreeAt_{};
};

} // namespace lensdock
