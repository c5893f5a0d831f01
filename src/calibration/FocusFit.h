#pragma once

#include <optional>
#include <vector>

namespace lensdock {

// Where sharpness peaks along one variable. With a thin lens the defocus blur grows in proportion
// to |1/z - 1/z_focus|, so 1 / MTF50 against 1/z is a V rounded at its tip: the fit is a hyperbola,
// weighted for relative error, with outliers down-weighted (Tukey's biweight).
struct SharpnessSample {
    double position = 0;
    double mtf50 = 0;
    double rise_px = 0; // the edge's 10-90 % rise; not used by the fit
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
    // Refits of resampled samples (seeded, so that a shot gives the same answer each time).
    static std::vector<PeakFit> refits(const std::vector<SharpnessSample>& samples, int rounds = 30,
                                       unsigned seed = 1);
    // The share of the refits that find the same kind of peak.
    static double agreement(const std::vector<PeakFit>& refits, PeakFit::Kind kind);
    // 5 % and 95 % points of the refits' peaks; nothing when too few found one.
    static std::optional<std::pair<double, double>> interval(const std::vector<PeakFit>& refits);
};

} // namespace lensdock
