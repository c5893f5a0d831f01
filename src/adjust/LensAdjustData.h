#pragma once

#include "link/LensInfo.h"

#include <array>
#include <cstdint>
#include <QString>

namespace lensdock {

// The customisable lens settings. A plain value: copying copies everything, lists included.
// Every rule that depends on the lens takes its LensInfo explicitly.
class LensAdjustData {
public:
    using FocusList = std::array<std::int64_t, 8>;

    static constexpr const char* identifier = "ZOLAD";
    static constexpr const char* dateFormatStr = "yyyyMMddHHmmss";
    static constexpr int dataCount = 33;
    static constexpr int commDataLength = 35;
    static constexpr int fileDataCount = 37;

    bool isFullTimeManualEnable = true;
    std::int64_t fullTimeManual = 2;
    std::int64_t vcMode = 2;
    std::int64_t focusLimitFirstNear = 0;
    std::int64_t focusLimitFirstFar = 9;
    std::int64_t focusLimitFirstMode = 1;
    std::int64_t focusLimitSecondNear = 0;
    std::int64_t focusLimitSecondFar = 9;
    std::int64_t focusLimitSecondMode = 1;
    FocusList focusZoomClose{};
    FocusList focusZoomCenter{};
    FocusList focusZoomInfinite{};

    // The zoom positions and focus distances of the lists that `lens` uses.
    static int usedZoomCount(const LensInfo& lens);
    static int usedFocusPointCount(const LensInfo& lens);
    // The three focus lists, from the closest distance to infinity.
    std::array<const FocusList*, 3> focusLists() const {
        return {&focusZoomClose, &focusZoomCenter, &focusZoomInfinite};
    }

    // The lens's factory values: limiter steps and modes from the lens, the rest construction defaults.
    static LensAdjustData factorySettings(const LensInfo& lens);

    void copySettings(const LensAdjustData& source) { *this = source; }

    // True when every setting the lens supports is equal.
    bool isSameSettings(const LensAdjustData& other, const LensInfo& lens) const;

    // Replaces invalid values by defaults; true when nothing had to change.
    bool correctSettings(const LensInfo& lens);

    // The strict range check before a write. Logs the first failure under "Thread". Without a
    // receiver for the write's outcome there is nobody to tell, so it fails silently.
    bool checkAdjustData(const LensInfo& lens, bool hasDelegate) const;

    // Writes the settings to the console as plain lines.
    void dumpData() const;

    friend bool operator==(const LensAdjustData&, const LensAdjustData&) = default;
};

} // namespace lensdock
