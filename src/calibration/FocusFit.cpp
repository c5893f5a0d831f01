#include "calibration/FocusFit.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace lensdock {
namespace {

// Only the part of the curve near its top follows the model; far out of focus an edge's measured
// MTF50 flattens (its blur outgrows the window it is measured in).
constexpr double keptFraction = 0.3;
// Where the peak is sought, in units of half the samples' range around their middle: a little
// beyond them, so that a peak past an end is seen as such.
constexpr double searchReach = 1.6;
constexpr int coarseSteps = 41, fineSteps = 17;
constexpr double roundings[] = {0.03, 0.08, 0.2, 0.5, 1.2};

// 1 / MTF50 against position: a hyperbola, A + B sqrt((t - t0)^2 + e^2). Far from focus the blur
// disc grows in proportion to the distance in 1/z and 1 / MTF50 with it (the straight flanks);
// near focus the lens's own blur rounds the tip (e).
struct Hyperbola {
    double a = 0, b = 0, t0 = 0, e = 0;
    double at(double t) const { return a + b * std::hypot(t - t0, e); }
};

struct Data {
    std::vector<double> t, y, weights; // position scaled to [-1, 1], 1 / MTF50, robustness weight
};

// The best A and B for a given tip (t0, e), by weighted least squares on relative residuals; the
// weighted sum of squared relative residuals in `cost`.
Hyperbola linearPart(const Data& d, double t0, double e, double* cost) {
    double s00 = 0, s01 = 0, s11 = 0, r0 = 0, r1 = 0;
    for (size_t i = 0; i < d.t.size(); ++i) {
        const double w = d.weights[i] / (d.y[i] * d.y[i]), h = std::hypot(d.t[i] - t0, e);
        s00 += w, s01 += w * h, s11 += w * h * h, r0 += w * d.y[i], r1 += w * d.y[i] * h;
    }
    const double det = s00 * s11 - s01 * s01;
    Hyperbola curve{0, 0, t0, e};
    if (std::abs(det) > 1e-12) {
        curve.b = (s00 * r1 - s01 * r0) / det;
        curve.a = (r0 - curve.b * s01) / s00;
    }
    *cost = 0;
    for (size_t i = 0; i < d.t.size(); ++i) {
        const double r = (d.y[i] - curve.at(d.t[i])) / d.y[i];
        *cost += d.weights[i] * r * r;
    }
    return curve;
}

// The best curve with its tip on a grid of positions, for each rounding in `es`.
void searchGrid(const Data& d, double from, double to, int steps, const std::vector<double>& es,
                Hyperbola& best, double& bestCost) {
    for (double e : es)
        for (int k = 0; k < steps; ++k) {
            double cost = 0;
            const Hyperbola curve = linearPart(d, from + (to - from) * k / (steps - 1), e, &cost);
            if (curve.b > 0 && cost < bestCost)
                best = curve, bestCost = cost;
        }
}

// The tip by a coarse search, then a fine one around the best step, refined by a parabola through
// the best position and its neighbours.
Hyperbola bestCurve(const Data& d) {
    Hyperbola best;
    double bestCost = INFINITY;
    const double coarse = 2 * searchReach / (coarseSteps - 1);
    searchGrid(d, -searchReach, searchReach, coarseSteps, {std::begin(roundings), std::end(roundings)}, best,
               bestCost);
    if (!std::isfinite(bestCost))
        return best;
    searchGrid(d, best.t0 - coarse, best.t0 + coarse, fineSteps, {best.e * 0.7, best.e, best.e * 1.4}, best,
               bestCost);
    const double step = 2 * coarse / (fineSteps - 1);
    double before = 0, after = 0;
    linearPart(d, best.t0 - step, best.e, &before);
    linearPart(d, best.t0 + step, best.e, &after);
    const double curvature = before + after - 2 * bestCost;
    if (curvature > 0) {
        double cost = 0;
        const double shift = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5) * step;
        const Hyperbola refined = linearPart(d, best.t0 + shift, best.e, &cost);
        if (refined.b > 0 && cost <= bestCost)
            best = refined;
    }
    return best;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Outliers down-weighted by Tukey's biweight on the relative residuals, over a few rounds.
Hyperbola robustCurve(Data& d, int* inliers) {
    Hyperbola curve;
    for (int round = 0; round < 3; ++round) {
        curve = bestCurve(d);
        if (!(curve.b > 0))
            return curve;
        std::vector<double> residuals, magnitudes;
        for (size_t i = 0; i < d.t.size(); ++i) {
            residuals.push_back((d.y[i] - curve.at(d.t[i])) / d.y[i]);
            magnitudes.push_back(std::abs(residuals.back()));
        }
        const double cutoff = 4.685 * std::max(1.4826 * median(magnitudes), 1e-3);
        for (size_t i = 0; i < d.t.size(); ++i) {
            const double u = residuals[i] / cutoff;
            d.weights[i] = std::abs(u) < 1 ? (1 - u * u) * (1 - u * u) : 0;
        }
    }
    *inliers = int(std::count_if(d.weights.begin(), d.weights.end(), [](double w) { return w > 0.5; }));
    return curve;
}

std::vector<SharpnessSample> resampled(const std::vector<SharpnessSample>& samples, std::mt19937& random) {
    std::uniform_int_distribution<size_t> pick(0, samples.size() - 1);
    std::vector<SharpnessSample> drawn(samples.size());
    for (SharpnessSample& s : drawn)
        s = samples[pick(random)];
    return drawn;
}

} // namespace

PeakFit FocusFit::fit(const std::vector<SharpnessSample>& samples) {
    double best = 0;
    for (const SharpnessSample& s : samples)
        best = std::max(best, s.mtf50);
    Data data;
    double low = INFINITY, high = -INFINITY;
    for (const SharpnessSample& s : samples)
        if (s.mtf50 >= keptFraction * best && s.mtf50 > 0) {
            data.t.push_back(s.position), data.y.push_back(1 / s.mtf50), data.weights.push_back(1);
            low = std::min(low, s.position), high = std::max(high, s.position);
        }
    if (data.t.size() < 6 || high <= low)
        return {};
    // Scaled to [-1, 1], so that one grid and one set of roundings serve every shot.
    const double middle = (low + high) / 2, half = (high - low) / 2;
    for (double& v : data.t)
        v = (v - middle) / half;
    PeakFit result;
    const Hyperbola curve = robustCurve(data, &result.inliers);
    if (!(curve.b > 0))
        return {};
    result.position = curve.t0 * half + middle;
    result.kind = curve.t0 < -1  ? PeakFit::Kind::beyondLow
                  : curve.t0 > 1 ? PeakFit::Kind::beyondHigh
                                 : PeakFit::Kind::peak;
    return result;
}

std::vector<PeakFit> FocusFit::refits(const std::vector<SharpnessSample>& samples, int rounds,
                                      unsigned seed) {
    std::mt19937 random(seed);
    std::vector<PeakFit> fits;
    for (int round = 0; round < rounds && !samples.empty(); ++round)
        fits.push_back(fit(resampled(samples, random)));
    return fits;
}

double FocusFit::agreement(const std::vector<PeakFit>& refits, PeakFit::Kind kind) {
    const auto same =
        std::count_if(refits.begin(), refits.end(), [kind](const PeakFit& f) { return f.kind == kind; });
    return refits.empty() ? 0 : double(same) / double(refits.size());
}

std::optional<std::pair<double, double>> FocusFit::interval(const std::vector<PeakFit>& refits) {
    std::vector<double> peaks;
    for (const PeakFit& fitted : refits)
        if (fitted.kind == PeakFit::Kind::peak)
            peaks.push_back(fitted.position);
    if (peaks.empty() || peaks.size() < refits.size() * 2 / 3)
        return std::nullopt;
    std::sort(peaks.begin(), peaks.end());
    const auto at = [&peaks](double q) { return peaks[size_t(std::lround(q * double(peaks.size() - 1)))]; };
    return std::pair{at(0.05), at(0.95)};
}

} // namespace lensdock
