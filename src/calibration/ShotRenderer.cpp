#include "calibration/ShotRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>

namespace lensdock {
namespace {

constexpr double mmPerInch = 25.4;
// A matt print: paper reflects about 90 %, toner about 4 %.
constexpr float paperWhite = 0.9f, inkBlack = 0.04f;
constexpr float backgroundReflectance = 0.3f;
constexpr int supersampling = 3;
// Discs wider than this cost more than they tell: the edges are long gone.
constexpr double largestDisc_px = 200;
constexpr int blackLevel = 512, whiteLevel = 16383;

double radians(double degrees) {
    return degrees * M_PI / 180;
}

// The pose as the renderer uses it: page pixels to sensor pixels and back, and the depth of the
// target behind each sensor pixel.
struct Scene {
    cv::Matx33d pageToImage; // page pixel coordinates (pixel i spans [i, i+1)) to image coordinates
    cv::Matx33d imageToPage;
    double fpx = 0, cx = 0, cy = 0;
    double sinTilt = 0, cosTilt = 1;
    double planeOffset = 0; // the plane's normal times its origin: depth = this / (normal . ray)
    double focus_mm = 0;
    double mmToPx = 0;

    Scene(const TargetLayout& layout, double dpi, const CameraSetup& camera) {
        const double s = dpi / mmPerInch, tilt = radians(camera.tilt_deg), roll = radians(camera.roll_deg);
        sinTilt = std::sin(tilt);
        cosTilt = std::cos(tilt);
        fpx = camera.focalLength_mm * camera.widthPx / camera.sensorWidth_mm;
        cx = camera.widthPx / 2.0;
        cy = camera.heightPx / 2.0;
        const cv::Matx33d pageMm(1 / s, 0, -layout.afEdgeX_mm, 0, 1 / s, -layout.pageHeight_mm / 2, 0, 0, 1);
        const cv::Matx33d rolled(std::cos(roll), -std::sin(roll), 0, std::sin(roll), std::cos(roll), 0, 0, 0,
                                 1);
        const cv::Matx33d world(cosTilt, 0, camera.shiftX_mm, 0, 1, camera.shiftY_mm, sinTilt, 0,
                                camera.distance_mm);
        const cv::Matx33d intrinsics(fpx, 0, cx, 0, fpx, cy, 0, 0, 1);
        pageToImage = intrinsics * world * rolled * pageMm;
        imageToPage = pageToImage.inv();
        planeOffset = -sinTilt * camera.shiftX_mm + cosTilt * camera.distance_mm;
        focus_mm = camera.distance_mm + camera.focusOffset_mm;
        mmToPx = camera.widthPx / camera.sensorWidth_mm;
    }

    cv::Point2d toPage(double x, double y) const {
        const cv::Vec3d p = imageToPage * cv::Vec3d(x, y, 1);
        return {p[0] / p[2], p[1] / p[2]};
    }
    // The target turns about a vertical axis: its depth varies along the image's x only.
    double depthAt(double x) const {
        const double along = cosTilt - sinTilt * (x - cx) / fpx;
        return along > 1e-9 ? planeOffset / along : std::numeric_limits<double>::infinity();
    }
    // The thin lens's blur disc on the sensor, in pixels, for a point at depth z.
    double discDiameter(const CameraSetup& camera, double z) const {
        const double f = camera.focalLength_mm, s = focus_mm;
        const double c = std::isinf(z) ? f / camera.fNumber * f / (s - f)
                                       : f / camera.fNumber * std::abs(z - s) / z * f / (s - f);
        return std::min(c * mmToPx, largestDisc_px);
    }
};

// Bilinear, with the background beyond the page's edge.
float samplePage(const cv::Mat1f& page, cv::Point2d p) {
    if (p.x < 0 || p.y < 0 || p.x >= page.cols || p.y >= page.rows)
        return backgroundReflectance;
    const double x = std::clamp(p.x - 0.5, 0.0, page.cols - 1.0),
                 y = std::clamp(p.y - 0.5, 0.0, page.rows - 1.0);
    const int x0 = std::min(int(x), page.cols - 2), y0 = std::min(int(y), page.rows - 2);
    const float fx = float(x - x0), fy = float(y - y0);
    const float* r0 = page[y0];
    const float* r1 = page[y0 + 1];
    const float top = r0[x0] + fx * (r0[x0 + 1] - r0[x0]), bottom = r1[x0] + fx * (r1[x0 + 1] - r1[x0]);
    return top + fy * (bottom - top);
}

// The sensor pixels the page covers, widened by the farthest any blur spreads it.
cv::Rect pageBounds(const Scene& scene, const cv::Mat1f& page, const CameraSetup& camera) {
    const cv::Rect frame(0, 0, camera.widthPx, camera.heightPx);
    double left = 1e18, top = 1e18, right = -1e18, bottom = -1e18, widest = 0;
    for (const cv::Point2d corner : {cv::Point2d(0, 0), cv::Point2d(page.cols, 0),
                                     cv::Point2d(page.cols, page.rows), cv::Point2d(0, page.rows)}) {
        const cv::Vec3d p = scene.pageToImage * cv::Vec3d(corner.x, corner.y, 1);
        if (p[2] <= 0)
            return frame; // part of the page is behind the camera: no useful bounds
        left = std::min(left, p[0] / p[2]);
        right = std::max(right, p[0] / p[2]);
        top = std::min(top, p[1] / p[2]);
        bottom = std::max(bottom, p[1] / p[2]);
        widest = std::max(widest, scene.discDiameter(camera, scene.depthAt(p[0] / p[2])));
    }
    const double margin = widest / 2 + 4 * camera.opticsBlur_px + camera.motionBlur_px + 4;
    const auto clamped = [](double v, double limit) { return int(std::clamp(v, 0.0, limit)); };
    const cv::Rect box(cv::Point(clamped(std::floor(left - margin), camera.widthPx),
                                 clamped(std::floor(top - margin), camera.heightPx)),
                       cv::Point(clamped(std::ceil(right + margin), camera.widthPx),
                                 clamped(std::ceil(bottom + margin), camera.heightPx)));
    return box & frame;
}

// The page seen through a pinhole, each pixel the mean over its area.
cv::Mat1f projectPage(const Scene& scene, const cv::Mat1f& page, const cv::Rect& box) {
    cv::Mat1f sharp(box.size());
    cv::parallel_for_(cv::Range(0, box.height), [&](const cv::Range& rows) {
        for (int row = rows.start; row < rows.end; ++row) {
            float* out = sharp[row];
            for (int column = 0; column < box.width; ++column) {
                float sum = 0;
                for (int j = 0; j < supersampling; ++j)
                    for (int i = 0; i < supersampling; ++i)
                        sum += samplePage(page, scene.toPage(box.x + column + (i + 0.5) / supersampling,
                                                             box.y + row + (j + 0.5) / supersampling));
                out[column] = sum / (supersampling * supersampling);
            }
        }
    });
    return sharp;
}

cv::Mat1f discDiameters(const Scene& scene, const CameraSetup& camera, const cv::Rect& box) {
    cv::Mat1f diameters(box.size());
    for (int column = 0; column < box.width; ++column) {
        const double d = scene.discDiameter(camera, scene.depthAt(box.x + column + 0.5));
        diameters.col(column).setTo(float(d));
    }
    return diameters;
}

// Row prefix sums, so that the sum over any stretch of a row, fractional ends included, costs O(1).
// Each row's running sums, once and twice integrated (each pixel constant over its width), so that
// the mean of any box over any stretch of a row costs a few lookups.
struct RowIntegrals {
    cv::Mat1d once;  // at pixel boundaries: the sum of the pixels before
    cv::Mat1d twice; // at pixel boundaries: the integral of `once`
    const cv::Mat1f& image;

    explicit RowIntegrals(const cv::Mat1f& source)
        : once(source.rows, source.cols + 1), twice(source.rows, source.cols + 1), image(source) {
        for (int row = 0; row < source.rows; ++row) {
            once(row, 0) = twice(row, 0) = 0;
            for (int column = 0; column < source.cols; ++column) {
                once(row, column + 1) = once(row, column) + source(row, column);
                twice(row, column + 1) = twice(row, column) + once(row, column) + source(row, column) / 2.0;
            }
        }
    }
    // The twice-integrated row at t; beyond its ends the row goes on with its end pixels, as the
    // scene beyond the box does (it is the page's flat surroundings there).
    double at(int row, double t) const {
        if (t < 0)
            return image(row, 0) * t * t / 2;
        const int last = image.cols - 1;
        const int i = std::min(int(t), last);
        const double f = t - i;
        return twice(row, i) + once(row, i) * f + image(row, i) * f * f / 2;
    }
    // The sum over a box of half-width h, averaged over the positions of the box's centre within
    // pixel `column`: the box's mean seen through the pixel's own width, so that a disc narrower
    // than a pixel still blurs.
    double boxOverPixel(int row, int column, double h) const {
        return at(row, column + 1 + h) - at(row, column + h) - at(row, column + 1 - h) + at(row, column - h);
    }
};

// The disc's area between heights lo and hi (|lo|, |hi| <= r), from its integral.
double discArea(double r, double lo, double hi) {
    const auto integral = [r](double t) {
        return t * std::sqrt(std::max(r * r - t * t, 0.0)) + r * r * std::asin(t / r);
    };
    return integral(hi) - integral(lo);
}

// The mean over a disc of radius r around a pixel: each row within reach contributes a span as wide
// as the disc's area in that row, so the result changes smoothly with r, down to r = 0.
float discMean(const RowIntegrals& rows, int row, int column, double r) {
    const int reach = int(std::ceil(r + 0.5));
    double total = 0, weight = 0;
    for (int dy = -reach; dy <= reach; ++dy) {
        const double lo = std::max(dy - 0.5, -r), hi = std::min(dy + 0.5, r);
        if (hi <= lo)
            continue;
        const double half = discArea(r, lo, hi) / 2;
        const int y = std::clamp(row + dy, 0, rows.image.rows - 1);
        total += rows.boxOverPixel(y, column, half);
        weight += 2 * half;
    }
    return weight > 0 ? float(total / weight) : rows.image(row, column);
}

// Defocus: a disc whose diameter follows each pixel's own depth, gathered so that near and far parts
// of the target blur by their own amounts.
cv::Mat1f defocus(const cv::Mat1f& sharp, const cv::Mat1f& diameters) {
    const RowIntegrals rows(sharp);
    cv::Mat1f out(sharp.size());
    cv::parallel_for_(cv::Range(0, sharp.rows), [&](const cv::Range& range) {
        for (int row = range.start; row < range.end; ++row)
            for (int column = 0; column < sharp.cols; ++column) {
                const double r = diameters(row, column) / 2;
                out(row, column) = r < 1e-3 ? sharp(row, column) : discMean(rows, row, column, r);
            }
    });
    return out;
}

// A straight shake of the given length: points along the line, shared bilinearly between pixels.
cv::Mat1f motionKernel(double length, double angle_deg) {
    const int half = int(std::ceil(length / 2)) + 1;
    cv::Mat1f kernel = cv::Mat1f::zeros(2 * half + 1, 2 * half + 1);
    const int steps = std::max(2, int(std::ceil(8 * length)));
    const double dx = std::cos(radians(angle_deg)), dy = -std::sin(radians(angle_deg));
    for (int k = 0; k <= steps; ++k) {
        const double t = length * (double(k) / steps - 0.5), x = half + t * dx, y = half + t * dy;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const float fx = float(x - x0), fy = float(y - y0);
        kernel(y0, x0) += (1 - fx) * (1 - fy);
        kernel(y0, x0 + 1) += fx * (1 - fy);
        kernel(y0 + 1, x0) += (1 - fx) * fy;
        kernel(y0 + 1, x0 + 1) += fx * fy;
    }
    return kernel / cv::sum(kernel)[0];
}

// The page's reflectance as the camera receives it, within the box; lens and shake included.
cv::Mat1f blurredReflectance(const Scene& scene, const cv::Mat1f& page, const CameraSetup& camera,
                             const cv::Rect& box) {
    cv::Mat1f image = defocus(projectPage(scene, page, box), discDiameters(scene, camera, box));
    if (camera.opticsBlur_px > 0.01)
        cv::GaussianBlur(image, image, cv::Size(), camera.opticsBlur_px, camera.opticsBlur_px,
                         cv::BORDER_REPLICATE);
    if (camera.motionBlur_px > 0.05)
        cv::filter2D(image, image, -1, motionKernel(camera.motionBlur_px, camera.motionAngle_deg),
                     cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
    return image;
}

// One generator per row, so that the noise does not depend on how the rows are shared out.
cv::RNG rowGenerator(quint32 seed, int row) {
    const quint64 state = (quint64(seed) << 32 | quint32(row)) * 0x9E3779B97F4A7C15ull + 1;
    return cv::RNG(state ? state : 1);
}

// Exposure, vignetting and noise for every pixel of the frame; `gain(x, y)` scales the luminance
// (a colour filter), `store(x, y, value)` takes the clipped level.
template <typename Gain, typename Store>
void expose(const cv::Mat1f& reflectance, const cv::Rect& box, const CameraSetup& camera, quint32 seed,
            Gain gain, Store store) {
    const double cornerSquared = (camera.widthPx * camera.widthPx + camera.heightPx * camera.heightPx) / 4.0;
    const double readVariance = camera.readNoise * camera.readNoise;
    cv::parallel_for_(cv::Range(0, camera.heightPx), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            cv::RNG rng = rowGenerator(seed, y);
            const double dy = y + 0.5 - camera.heightPx / 2.0;
            const bool inBox = y >= box.y && y < box.y + box.height;
            for (int x = 0; x < camera.widthPx; ++x) {
                const double dx = x + 0.5 - camera.widthPx / 2.0;
                const bool inside = inBox && x >= box.x && x < box.x + box.width;
                const double level = inside ? reflectance(y - box.y, x - box.x) : backgroundReflectance;
                const double fallOff = 1 - camera.vignetting * (dx * dx + dy * dy) / cornerSquared;
                const double signal = camera.exposure * level * fallOff * gain(x, y);
                const double shotVariance =
                    camera.photonsAtWhite > 0 ? std::max(signal, 0.0) / camera.photonsAtWhite : 0;
                const double noisy = signal + rng.gaussian(std::sqrt(shotVariance + readVariance));
                store(x, y, std::clamp(noisy, 0.0, 1.0));
            }
        }
    });
}

} // namespace

ShotRenderer::ShotRenderer(const TargetLayout& layout, const QImage& page, double dpi)
    : layout_(layout), dpi_(dpi) {
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    page_.create(grey.height(), grey.width());
    // The grey levels are ink coverage (antialiased edges are partly covered pixels): linear in it.
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* in = grey.constScanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            page_(y, x) = inkBlack + (paperWhite - inkBlack) * in[x] / 255.0f;
    }
}

cv::Mat1f ShotRenderer::renderLinear(const CameraSetup& camera, quint32 seed) const {
    const Scene scene(layout_, dpi_, camera);
    const cv::Rect box = pageBounds(scene, page_, camera);
    const cv::Mat1f reflectance = blurredReflectance(scene, page_, camera, box);
    cv::Mat1f out(camera.heightPx, camera.widthPx);
    expose(
        reflectance, box, camera, seed, [](int, int) { return 1.0; },
        [&out](int x, int y, double v) { out(y, x) = float(v); });
    return out;
}

cv::Mat1w ShotRenderer::renderMosaic(const CameraSetup& camera, quint32 seed) const {
    const Scene scene(layout_, dpi_, camera);
    const cv::Rect box = pageBounds(scene, page_, camera);
    const cv::Mat1f reflectance = blurredReflectance(scene, page_, camera, box);
    cv::Mat1w out(camera.heightPx, camera.widthPx);
    // RGGB: red on even rows and columns, blue on odd ones, green between. A grey page sends the
    // filters unequal shares of light; green carries the luminance.
    const auto gain = [](int x, int y) {
        return y % 2 == 0 ? (x % 2 == 0 ? 0.45 : 1.0) : (x % 2 == 0 ? 1.0 : 0.7);
    };
    expose(reflectance, box, camera, seed, gain, [&out](int x, int y, double v) {
        out(y, x) = ushort(std::lround(blackLevel + v * (whiteLevel - blackLevel)));
    });
    return out;
}

ShotMetadata ShotRenderer::metadataFor(const CameraSetup& camera) {
    ShotMetadata metadata;
    metadata.focalLength_mm = camera.focalLength_mm;
    metadata.fNumber = camera.fNumber;
    // The equivalent by the width ratio: the renderer's sensors are 3:2 like the 36 x 24 mm frame, for
    // which the width and the diagonal ratios agree.
    metadata.focalLength35mm_mm = camera.focalLength_mm * 36 / camera.sensorWidth_mm;
    metadata.sensorWidth_mm = camera.sensorWidth_mm;
    metadata.make = camera.make;
    metadata.model = camera.model;
    metadata.bodySerial = camera.bodySerial;
    // A fixed time, so that a rendered file is the same every time.
    metadata.taken = QDateTime(QDate(2024, 5, 1), QTime(10, 0));
    return metadata;
}

double ShotRenderer::peakAlongTarget_mm(const CameraSetup& camera) {
    // On the page's middle line: the target's depth there is distance + u sin(tilt) cos(roll).
    return camera.focusOffset_mm / (std::sin(radians(camera.tilt_deg)) * std::cos(radians(camera.roll_deg)));
}

} // namespace lensdock
