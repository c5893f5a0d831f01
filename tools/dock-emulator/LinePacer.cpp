#include "LinePacer.h"

#include <algorithm>

namespace lensdock {

namespace {
constexpr long long bitsPerByte = 10; // start bit, 8 data bits, stop bit
}

LinePacer::Clock::time_point LinePacer::arrival(Clock::time_point start, qsizetype bytes) {
    if (baud_ <= 0)
        return start;
    const auto wire = std::chrono::microseconds(bytes * bitsPerByte * 1000000 / baud_);
    lineFreeAt_ = std::max(start, lineFreeAt_) + wire;
    return lineFreeAt_;
}

} // namespace lensdock
