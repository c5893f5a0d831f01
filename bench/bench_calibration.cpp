// Focus calibration: seconds to measure a 24-megapixel JPEG and DNG on one core, and the accuracy of
// the measured plane of best focus over rendered shots across focal lengths, distances, apertures,
// tilts, noise and JPEG quality, as a fraction of the depth of field.
// Arguments: [SHOTS] [MEGAPIXELS of the accuracy shots]; defaults 200 and 24. With --example DIR it
// writes the README's example instead: a shot with 0.4 depths of field of back focus, and its detail.
#include "calibration/DepthOfField.h"
#include "calibration/FocusMeasurement.h"
#include "calibration/ShotReader.h"
#include "calibration/ShotRenderer.h"
#include "calibration/ShotWriter.h"
#include "calibration/TargetPrinter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <opencv2/core.hpp>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <random>
#include <sched.h>
#include <thread>

using namespace lensdock;

namespace {

constexpr int pageDpi = 600;

struct Case {
    CameraSetup camera;
    int jpegQuality = 90;
    double depthOfField_mm = 0;
};

double depthOfFieldOf(const CameraSetup& c) {
    const double height = c.sensorWidth_mm * c.heightPx / c.widthPx;
    return DepthOfField::of(c.focalLength_mm, c.fNumber, c.distance_mm,
                            DepthOfField::circleOfConfusion_mm(std::hypot(c.sensorWidth_mm, height)))
        .total_mm;
}

CameraSetup sensor(double megapixels) {
    CameraSetup camera;
    camera.widthPx = int(std::lround(std::sqrt(megapixels * 1e6 * 1.5)));
    camera.heightPx = camera.widthPx * 2 / 3;
    return camera;
}

// Focal lengths 24-300 mm, distances by the 25-50 x rule within 0.5-10 m, f/1.4-f/5.6, tilt 40-50
// degrees, the focus plane within 1.5 depths of field of the AF edge, noise and JPEG quality varied.
std::vector<Case> cases(int count, double megapixels) {
    std::mt19937 random(2026);
    const auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    std::vector<Case> all;
    for (int i = 0; i < count; ++i) {
        Case c{sensor(megapixels)};
        CameraSetup& camera = c.camera;
        camera.focalLength_mm = std::exp(uniform(std::log(24.0), std::log(300.0)));
        camera.distance_mm = std::clamp(camera.focalLength_mm * uniform(25, 50), 500.0, 10000.0);
        camera.fNumber = std::exp(uniform(std::log(1.4), std::log(5.6)));
        camera.tilt_deg = uniform(40, 50);
        camera.photonsAtWhite = uniform(4000, 40000);
        camera.readNoise = uniform(0.001, 0.006);
        camera.opticsBlur_px = uniform(0.4, 0.8);
        c.depthOfField_mm = depthOfFieldOf(camera);
        camera.focusOffset_mm = uniform(-1.5, 1.5) * c.depthOfField_mm;
        c.jpegQuality = int(uniform(70, 98));
        all.push_back(c);
    }
    return all;
}

double percentile(std::vector<double> values, double q) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[size_t(std::lround(q * double(values.size() - 1)))];
}

double secondsToMeasure(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    const ShotReadResult read = ShotReader::read(path);
    const FocusResult result =
        read.shot ? FocusMeasurement::measure(*read.shot) : FocusResult::refusal(read.reason);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!result.measured())
        std::printf("  (%s was refused: %s)\n", qPrintable(path),
                    qPrintable(read.shot ? result.reason : read.reason));
    return seconds;
}

void speed(const ShotRenderer& renderer, const QString& folder) {
    CameraSetup camera = sensor(24);
    camera.focusOffset_mm = 20;
    const QString jpeg = folder + QStringLiteral("/speed.jpg"), dng = folder + QStringLiteral("/speed.dng");
    QString error;
    ShotWriter::writeJpeg(jpeg, renderer.renderLinear(camera, 1), ShotRenderer::metadataFor(camera), 90,
                          &error);
    ShotWriter::writeDng(dng, renderer.renderMosaic(camera, 1), 16383, 512, ShotRenderer::metadataFor(camera),
                         &error);
    // One core: the measurement's own threads and this process on a single processor.
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    sched_setaffinity(0, sizeof one, &one);
    cv::setNumThreads(1);
    for (const auto& [name, path] : {std::pair{"JPEG", jpeg}, std::pair{"DNG", dng}}) {
        std::vector<double> times;
        for (int i = 0; i < 5; ++i)
            times.push_back(secondsToMeasure(path));
        std::printf("24 MP %-4s read and measured on one core: %.3f s (median of 5)\n", name,
                    percentile(times, 0.5));
    }
}

struct Tally {
    std::mutex lock;
    std::vector<double> errors; // |measured - true| / depth of field
    int beyondRight = 0, beyondWrong = 0, beyondUnsigned = 0, refusedInside = 0, measuredOutside = 0;
};

// The true plane lies on the target when it crosses the band of squares.
bool insideTarget(const Case& c, const TargetLayout& layout) {
    const double along = ShotRenderer::peakAlongTarget_mm(c.camera);
    double low = INFINITY, high = -INFINITY;
    for (const TargetSquare& s : layout.squares)
        for (const QPointF& p : s.corners)
            low = std::min(low, layout.alongTarget(p.x())), high = std::max(high, layout.alongTarget(p.x()));
    return along > low && along < high;
}

void account(const Case& c, const FocusResult& result, bool inside, Tally& tally) {
    const std::lock_guard guard(tally.lock);
    if (qEnvironmentVariableIsSet("BENCH_VERBOSE"))
        std::printf(
            "  f %.0f N %.1f s %.0f tilt %.1f dof %.0f true %+.1f (%+.2f dof) inside %d -> %s %+.1f\n",
            c.camera.focalLength_mm, c.camera.fNumber, c.camera.distance_mm, c.camera.tilt_deg,
            c.depthOfField_mm, c.camera.focusOffset_mm, c.camera.focusOffset_mm / c.depthOfField_mm, inside,
            qPrintable(result.measured() ? verdictName(result.verdict) : result.reason.left(50)),
            result.focusError_mm);
    if (result.measured()) {
        tally.measuredOutside += inside ? 0 : 1;
        tally.errors.push_back(std::abs(result.focusError_mm - c.camera.focusOffset_mm) / c.depthOfField_mm);
        return;
    }
    if (inside) {
        ++tally.refusedInside;
        std::printf("  refused inside the target: %s\n", qPrintable(result.reason));
        return;
    }
    const bool saysFront = result.reason.contains(QStringLiteral("front-focus"));
    const bool saysBack = result.reason.contains(QStringLiteral("back-focus"));
    if (!saysFront && !saysBack)
        ++tally.beyondUnsigned;
    else
        ((c.camera.focusOffset_mm < 0 ? saysFront : saysBack) ? tally.beyondRight : tally.beyondWrong) += 1;
}

void accuracy(const ShotRenderer& renderer, const TargetLayout& layout, int count, double megapixels) {
    const std::vector<Case> all = cases(count, megapixels);
    Tally tally;
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int i = next++; i < int(all.size()); i = next++) {
            const Case& c = all[size_t(i)];
            const QByteArray jpeg = ShotWriter::jpegData(renderer.renderLinear(c.camera, quint32(i + 1)),
                                                         ShotRenderer::metadataFor(c.camera), c.jpegQuality);
            const ShotReadResult read = ShotReader::readData(jpeg, QStringLiteral("shot.jpg"));
            const FocusResult result =
                read.shot ? FocusMeasurement::measure(*read.shot) : FocusResult::refusal(read.reason);
            account(c, result, insideTarget(c, layout), tally);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
        workers.emplace_back(work);
    for (std::thread& worker : workers)
        worker.join();
    std::printf("accuracy over %d rendered %.0f MP JPEG shots (A4 target):\n", count, megapixels);
    std::printf("  measured: %zu (of which with the true plane beyond the target: %d)\n", tally.errors.size(),
                tally.measuredOutside);
    std::printf("  |error| / depth of field: median %.3f, 95th percentile %.3f, largest %.3f\n",
                percentile(tally.errors, 0.5), percentile(tally.errors, 0.95), percentile(tally.errors, 1.0));
    std::printf(
        "  true plane beyond the target, refused with the right sign: %d, the wrong sign: %d, no sign: %d\n",
        tally.beyondRight, tally.beyondWrong, tally.beyondUnsigned);
    std::printf("  refused although the true plane lies on the target: %d\n", tally.refusedInside);
}

// A 6-megapixel shot, 50 mm f/1.4 from 25 times the focal length, and the part of it showing the target.
int writeExample(const ShotRenderer& renderer, const QString& folder) {
    CameraSetup camera = sensor(6);
    camera.focalLength_mm = 50;
    camera.fNumber = 1.4;
    camera.distance_mm = 1250;
    camera.focusOffset_mm = 0.4 * depthOfFieldOf(camera);
    const cv::Mat1f shot = renderer.renderLinear(camera, 11);
    const cv::Rect detail(camera.widthPx / 2 - 520, camera.heightPx / 2 - 380, 1040, 760);
    QString error;
    const bool written = ShotWriter::writeJpeg(folder + QStringLiteral("/shot.jpg"), shot,
                                               ShotRenderer::metadataFor(camera), 90, &error) &&
                         ShotWriter::writeJpeg(folder + QStringLiteral("/shot-detail.jpg"),
                                               shot(detail).clone(), {}, 85, &error);
    std::printf("example: %s, true focus error %+.1f mm\n", written ? "written" : qPrintable(error),
                camera.focusOffset_mm);
    return written ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const TargetLayout layout = TargetLayout::forPaper(Paper::a4);
    const ShotRenderer renderer(layout, TargetPrinter::render(layout, pageDpi), pageDpi);
    if (argc > 2 && QByteArray(argv[1]) == "--example")
        return writeExample(renderer, QString::fromLocal8Bit(argv[2]));
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const double megapixels = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 24;
    QTemporaryDir folder;
    accuracy(renderer, layout, count, megapixels);
    speed(renderer, folder.path());
    return 0;
}
