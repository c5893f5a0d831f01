// Time of a 24 MP rendered shot (linear and RGGB mosaic) of an A4 target at 40 focal lengths, on one
// thread and on all of them.
#include "calibration/ShotRenderer.h"
#include "calibration/TargetPrinter.h"

#include <cstdio>
#include <QElapsedTimer>
#include <QGuiApplication>

using namespace lensdock;

namespace {
template <typename Render> double seconds(Render render) {
    QElapsedTimer timer;
    timer.start();
    render();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}
} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv); // the target's text needs fonts
    const TargetLayout layout = TargetLayout::forPaper(Paper::a4);
    const ShotRenderer renderer(layout, TargetPrinter::render(layout, 300), 300);
    CameraSetup camera; // 6000 x 4000, 50 mm
    camera.distance_mm = 40 * camera.focalLength_mm;
    camera.focusOffset_mm = 30;
    for (int threads : {1, cv::getNumberOfCPUs()}) {
        cv::setNumThreads(threads);
        const double linear = seconds([&] { renderer.renderLinear(camera, 1); });
        const double mosaic = seconds([&] { renderer.renderMosaic(camera, 1); });
        std::printf("6000x4000 shot, %d thread(s): linear %.2f s, mosaic %.2f s\n", threads, linear, mosaic);
    }
    return 0;
}
