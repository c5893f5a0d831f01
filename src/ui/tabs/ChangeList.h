#pragma once

#include "adjust/LensAdjustData.h"
#include "link/LensInfo.h"

#include <QStringList>

namespace lensdock {

// What a write changes on the lens, in the tabs' own words and the user's language: one line per
// value, such as "Close, 28 mm: 5 → 12", the limiter on the 1-to-N scale of its sliders.
class ChangeList {
public:
    static QStringList lines(const LensAdjustData& from, const LensAdjustData& to, const LensInfo& lens);
};

} // namespace lensdock
