#include "calibration/SlantedEdge.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lensdock {
namespace {

constexpr double binWidth = 0.25; // quarter-pixel sampling of the edge-spread function
constexpr double usedPart = 0.7;  // the middle of the edge, away from the square's corners

struct Line {
    double a = 0, b = 0; // x = a + b * y
    double at(double y) const { return a + b * y; }
};

struct Rows {
    int first = 0, last = -1;
    std::vector<double> x0; // the window's first column for each row
};

std::optional<Line> fitLine(const std::vector<double>& ys, const std::vector<double>& xs) {
    const double n = double(ys.size());
    if (n < 5)
        return std::nullopt;
    double sy = 0, sx = 0, syy = 0, sxy = 0;
    for (size_t i = 0; i < ys.size(); ++i)
        sy += ys[i], sx += xs[i], syy += ys[i] * ys[i], sxy += ys[i] * xs[i];
    const double det = n * syy - sy * sy;
    if (std::abs(det) < 1e-9)
        return std::nullopt;
    const double b = (n * sxy - sy * sx) / det;
    return Line{(sx - b * sy) / n, b};
}

// Where the edge crosses each row: the centroid of the row's derivative, on the edge's side of
// polarity only, then a straight line through them with far-off rows left out.
std::optional<Line> locateEdge(const cv::Mat1f& image, const Line& guess, int first, int last, int width,
                               double polarity) {
    std::vector<double> ys, xs;
    for (int y = first; y <= last; ++y) {
        const int x0 = int(std::floor(guess.at(y))) - width;
        const float* row = image[y];
        double sum = 0, weighted = 0;
        for (int x = x0 + 1; x < x0 + 2 * width; ++x) {
            const double d = polarity * (row[x + 1] - row[x - 1]);
            if (d > 0)
                sum += d, weighted += d * x;
        }
        if (sum > 0)
            ys.push_back(y), xs.push_back(weighted / sum);
    }
    auto line = fitLine(ys, xs);
    if (!line)
        return std::nullopt;
    std::vector<double> keptY, keptX;
    for (size_t i = 0; i < ys.size(); ++i)
        if (std::abs(xs[i] - line->at(ys[i])) < 1.5)
            keptY.push_back(ys[i]), keptX.push_back(xs[i]);
    return fitLine(keptY, keptX);
}

// The line-spread function's spectrum at `frequency` (cycles per pixel): evaluated at any frequency,
// not only the DFT's bins, since a short window's bins lie too far apart to find MTF50 between them.
double spectrumAt(const std::vector<double>& lsf, double frequency) {
    double re = 0, im = 0;
    for (size_t i = 0; i < lsf.size(); ++i) {
        const double phase = -2 * M_PI * frequency * double(i) * binWidth;
        re += lsf[i] * std::cos(phase);
        im += lsf[i] * std::sin(phase);
    }
    return std::hypot(re, im);
}

// MTF50 of an edge-spread function sampled at binWidth, in cycles per pixel.
double mtf50Of(const std::vector<double>& esf) {
    const size_t n = esf.size();
    std::vector<double> lsf(n, 0.0);
    double total = 0, centre = 0;
    for (size_t i = 1; i + 1 < n; ++i) {
        lsf[i] = (esf[i + 1] - esf[i - 1]) / 2;
        total += std::abs(lsf[i]);
        centre += std::abs(lsf[i]) * double(i);
    }
    centre = total > 0 ? centre / total : double(n) / 2;
    // A Hamming window centred on the line-spread function keeps the noise of its tails out.
    for (size_t i = 0; i < n; ++i) {
        const double t = std::clamp((double(i) - centre) / double(n), -0.5, 0.5);
        lsf[i] *= 0.54 + 0.46 * std::cos(2 * M_PI * t);
    }
    const double dc = spectrumAt(lsf, 0);
    if (dc <= 0)
        return 0;
    // The central difference's own response, sin(2 pi f d) / (2 pi f d), taken back out.
    const auto mtf = [&](double frequency) {
        const double x = 2 * M_PI * frequency * binWidth;
        return spectrumAt(lsf, frequency) / dc / (x > 0 ? std::sin(x) / x : 1);
    };
    constexpr double step = 0.02, highest = 1.0;
    double below = 0;
    for (double f = step; f <= highest; f += step) {
        if (mtf(f) < 0.5) {
            double above = f;
            for (int i = 0; i < 12; ++i) {
                const double middle = (below + above) / 2;
                (mtf(middle) < 0.5 ? above : below) = middle;
            }
            return (below + above) / 2;
        }
        below = f;
    }
    return highest;
}

// The 10-90 % rise of the edge as a share of the window's width.
double riseFraction(const std::vector<double>& esf, double dark, double bright) {
    const double low = dark + 0.1 * (bright - dark), high = dark + 0.9 * (bright - dark);
    size_t first = 0, last = esf.size() - 1;
    while (first < esf.size() && esf[first] < low)
        ++first;
    while (last > 0 && esf[last] > high)
        --last;
    return last > first ? double(last - first) / double(esf.size()) : 0;
}

} // namespace

std::optional<EdgeSharpness> SlantedEdge::measure(const cv::Mat1f& image, cv::Point2d top, cv::Point2d bottom,
                                                  double halfWidth, float clipLevel) {
    const double height = bottom.y - top.y;
    const int width = int(std::ceil(halfWidth));
    if (height < 10 || width < 3)
        return std::nullopt;
    const Line guess{top.x - top.y * (bottom.x - top.x) / height, (bottom.x - top.x) / height};
    const int first = int(std::ceil(top.y + height * (1 - usedPart) / 2));
    const int last = int(std::floor(bottom.y - height * (1 - usedPart) / 2));
    for (int y : {first, last}) {
        const double x = guess.at(y);
        if (y < 0 || y >= image.rows || x - width - 3 < 0 || x + width + 3 >= image.cols)
            return std::nullopt;
    }
    // Polarity from the two sides of the guessed edge: dark to bright along +x or the reverse.
    double left = 0, right = 0;
    for (int y = first; y <= last; ++y) {
        const int x = int(std::lround(guess.at(y)));
        left += image(y, x - width), right += image(y, x + width);
    }
    const double polarity = right >= left ? 1 : -1;
    const auto line = locateEdge(image, guess, first, last, width, polarity);
    if (!line)
        return std::nullopt;
    const int bins = int(2 * width / binWidth);
    std::vector<double> sum(size_t(bins), 0.0), count(size_t(bins), 0.0);
    const double across = 1 / std::sqrt(1 + line->b * line->b);
    float brightest = 0;
    for (int y = first; y <= last; ++y) {
        const double x = line->at(y);
        for (int column = int(std::floor(x)) - width - 1; column <= int(std::ceil(x)) + width + 1; ++column) {
            const double distance = polarity * (column - x) * across;
            const int bin = int(std::floor((distance + width) / binWidth));
            if (bin < 0 || bin >= bins)
                continue;
            sum[size_t(bin)] += image(y, column), count[size_t(bin)] += 1;
            brightest = std::max(brightest, image(y, column));
        }
    }
    std::vector<double> esf(static_cast<size_t>(bins));
    int empty = 0;
    for (size_t i = 0; i < esf.size(); ++i) {
        if (count[i] > 0)
            esf[i] = sum[i] / count[i];
        else
            esf[i] = i > 0 ? esf[i - 1] : 0, ++empty;
    }
    if (empty > bins / 10)
        return std::nullopt;
    const size_t tail = esf.size() / 5;
    double dark = 0, bright = 0;
    for (size_t i = 0; i < tail; ++i)
        dark += esf[i] / double(tail), bright += esf[esf.size() - 1 - i] / double(tail);
    if (bright - dark < 0.02)
        return std::nullopt;
    const double middle = (first + last) / 2.0;
    const double rise = riseFraction(esf, dark, bright);
    return EdgeSharpness{
        mtf50Of(esf), bright - dark,   brightest >= 0.98f * clipLevel, {line->at(middle), middle},
        rise > 0.5,   rise * 2 * width};
}

std::optional<EdgeSharpness> SlantedEdge::measureHorizontal(const cv::Mat1f& image, cv::Point2d left,
                                                            cv::Point2d right, double halfWidth,
                                                            float clipLevel) {
    // Turned on its side, a nearly horizontal edge is a nearly vertical one.
    const int margin = int(std::ceil(halfWidth)) + 6;
    const cv::Rect box = cv::Rect(cv::Point(int(std::floor(std::min(left.x, right.x))) - margin,
                                            int(std::floor(std::min(left.y, right.y))) - margin),
                                  cv::Point(int(std::ceil(std::max(left.x, right.x))) + margin,
                                            int(std::ceil(std::max(left.y, right.y))) + margin)) &
                         cv::Rect(0, 0, image.cols, image.rows);
    if (box.width <= 0 || box.height <= 0)
        return std::nullopt;
    cv::Mat1f turned;
    cv::transpose(image(box), turned);
    const cv::Point2d origin(box.x, box.y);
    const cv::Point2d a = left - origin, b = right - origin;
    auto edge = measure(turned, {a.y, a.x}, {b.y, b.x}, halfWidth, clipLevel);
    if (edge)
        edge->centre = cv::Point2d(edge->centre.y, edge->centre.x) + origin;
    return edge;
}

} // namespace lensdock
