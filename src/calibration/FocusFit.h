#pragma once

#include <optional>
#include <vector>

namespace lensdock {

// Where sharpness peaks along one variable. With a thin lens the defocus blur grows in proportion
// to |1/z - 1/z_focus|, so 1 / MTF50^2 is close to a parabola in 1/z; the fit is a parabola through
// 1 / MTF50^2, weighted for relative error, with outliers down-weighted (Tukey's biweight).
struct SharpnessSample {
    double position = 0;
    double mtf50 = 0;
};

struct PeakFit {
    enum class Kind { peak, beyondLow, beyondHigh, none };
    Kind kind = Kind::none;
    double position = 0; // the peak, when kind is peak
    int inliers = 0;
};

class FocusFit {
public:
    static PeakFit fit(const std::vector<SharpnessSample>& samples);
    // 5 % and 95 % points of the peak over `rounds` refits of resampled samples (seeded, so a shot
    // gives the same interval each time); nothing when too few refits found a peak.
    // The share of `rounds` refits of resampled samples that find the same kind of peak.
    static double agreement(const std::vector<SharpnessSample>& samples, PeakFit::Kind kind, int rounds = 30,
                            unsigned seed = 2);
    static std::optional<std::pair<double, double>> interval(const std::vector<SharpnessSample>& samples,
                                                             int rounds = 30, unsigned seed = 1);
};

} // namespace lensdock
