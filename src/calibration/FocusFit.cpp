#include "calibration/FocusFit.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <random>

namespace lensdock {
namespace {

// Only the part of the curve near its top follows the model; far out of focus an edge's measured
// MTF50 flattens (its blur outgrows the window it is measured in).
constexpr double keptFraction = 0.3;

struct Parabola {
    double a = 0, b = 0, c = 0; // y = a + b t + c t^2
    double at(double t) const { return a + b * t + c * t * t; }
};

std::optional<Parabola> weightedParabola(const std::vector<double>& t, const std::vector<double>& y,
                                         const std::vector<double>& w) {
    cv::Matx33d normal = cv::Matx33d::zeros();
    cv::Vec3d right(0, 0, 0);
    for (size_t i = 0; i < t.size(); ++i) {
        const cv::Vec3d row(1, t[i], t[i] * t[i]);
        normal += w[i] * row * row.t();
        right += w[i] * y[i] * row;
    }
    cv::Vec3d p;
    if (!cv::solve(normal, right, p, cv::DECOMP_SVD) || !std::isfinite(p[2]))
        return std::nullopt;
    return Parabola{p[0], p[1], p[2]};
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

PeakFit FocusFit::fit(const std::vector<SharpnessSample>& samples) {
    double best = 0;
    for (const SharpnessSample& s : samples)
        best = std::max(best, s.mtf50);
    std::vector<double> t, y;
    double low = INFINITY, high = -INFINITY, mean = 0, spread = 0;
    for (const SharpnessSample& s : samples)
        if (s.mtf50 >= keptFraction * best && s.mtf50 > 0) {
            t.push_back(s.position), y.push_back(1 / (s.mtf50 * s.mtf50));
            low = std::min(low, s.position), high = std::max(high, s.position);
        }
    if (t.size() < 6 || high <= low)
        return {};
    // Centred and scaled, so that the normal equations stay well conditioned.
    for (double v : t)
        mean += v / double(t.size());
    for (double v : t)
        spread = std::max(spread, std::abs(v - mean));
    for (double& v : t)
        v = (v - mean) / spread;
    std::vector<double> weights(t.size(), 1.0);
    std::optional<Parabola> parabola;
    for (int round = 0; round < 10; ++round) {
        std::vector<double> w(t.size());
        for (size_t i = 0; i < t.size(); ++i)
            w[i] = weights[i] / (y[i] * y[i]);
        parabola = weightedParabola(t, y, w);
        if (!parabola)
            return {};
        std::vector<double> residuals(t.size());
        for (size_t i = 0; i < t.size(); ++i)
            residuals[i] = (y[i] - parabola->at(t[i])) / y[i];
        std::vector<double> magnitudes(residuals.size());
        std::transform(residuals.begin(), residuals.end(), magnitudes.begin(),
                       [](double r) { return std::abs(r); });
        const double cutoff = 4.685 * std::max(1.4826 * median(magnitudes), 1e-3);
        for (size_t i = 0; i < t.size(); ++i) {
            const double u = residuals[i] / cutoff;
            weights[i] = std::abs(u) < 1 ? (1 - u * u) * (1 - u * u) : 0;
        }
    }
    PeakFit result;
    result.inliers = int(std::count_if(weights.begin(), weights.end(), [](double w) { return w > 0.5; }));
    const double toPosition = spread;
    if (parabola->c <= 0) {
        // No minimum of the blur inside: the sharp end is where the blur is lower.
        const bool lowSharper = parabola->at(-1) < parabola->at(1);
        result.kind = lowSharper ? PeakFit::Kind::beyondLow : PeakFit::Kind::beyondHigh;
        return result;
    }
    const double peak = -parabola->b / (2 * parabola->c) * toPosition + mean;
    result.position = peak;
    result.kind = peak < low    ? PeakFit::Kind::beyondLow
                  : peak > high ? PeakFit::Kind::beyondHigh
                                : PeakFit::Kind::peak;
    return result;
}

namespace {
std::vector<SharpnessSample> resampled(const std::vector<SharpnessSample>& samples, std::mt19937& random) {
    std::uniform_int_distribution<size_t> pick(0, samples.size() - 1);
    std::vector<SharpnessSample> drawn(samples.size());
    for (SharpnessSample& s : drawn)
        s = samples[pick(random)];
    return drawn;
}
} // namespace

double FocusFit::agreement(const std::vector<SharpnessSample>& samples, PeakFit::Kind kind, int rounds,
                           unsigned seed) {
    if (samples.empty() || rounds <= 0)
        return 0;
    std::mt19937 random(seed);
    int same = 0;
    for (int round = 0; round < rounds; ++round)
        same += fit(resampled(samples, random)).kind == kind ? 1 : 0;
    return double(same) / rounds;
}

std::optional<std::pair<double, double>> FocusFit::interval(const std::vector<SharpnessSample>& samples,
                                                            int rounds, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<double> peaks;
    for (int round = 0; round < rounds && !samples.empty(); ++round) {
        const PeakFit fitted = fit(resampled(samples, random));
        if (fitted.kind == PeakFit::Kind::peak)
            peaks.push_back(fitted.position);
    }
    if (peaks.size() < size_t(rounds) * 2 / 3)
        return std::nullopt;
    std::sort(peaks.begin(), peaks.end());
    const auto at = [&peaks](double q) { return peaks[size_t(std::lround(q * double(peaks.size() - 1)))]; };
    return std::pair{at(0.05), at(0.95)};
}

} // namespace lensdock
