#pragma once

#include "calibration/Shot.h"
#include "calibration/TargetLayout.h"

#include <QImage>

namespace lensdock {

// How a rendered shot is taken. The camera looks along +z; the AF edge's centre is on the optical
// axis at `distance_mm` unless shifted. The target is turned by `tilt_deg` about the AF edge, its
// left part nearer the camera.
struct CameraSetup {
    double focalLength_mm = 50;
    double fNumber = 2.8;
    double sensorWidth_mm = 36;
    int widthPx = 6000;
    int heightPx = 4000;
    double distance_mm = 2000; // along the axis, to the AF edge
    double tilt_deg = 45;
    double roll_deg = 0;  // the target turned in its own plane
    double shiftX_mm = 0; // the target moved sideways and up or down, in the world
    double shiftY_mm = 0;
    double focusOffset_mm = 0;  // plane of best focus minus the AF edge's distance (+: behind it)
    double opticsBlur_px = 0.5; // Gaussian sigma of the lens and sensor at best focus
    double motionBlur_px = 0;   // length of a straight camera shake
    double motionAngle_deg = 0;
    double exposure = 0.7;         // the white paper's linear level (1.0 clips)
    double readNoise = 0.004;      // sigma of the read noise, relative to 1.0
    double photonsAtWhite = 20000; // shot noise: electrons at level 1.0 (0: none)
    double vignetting = 0.25;      // fractional fall-off in the image corners
    QString make = QStringLiteral("Lens Dock Utility");
    QString model = QStringLiteral("Rendered body");
    QString bodySerial = QStringLiteral("0000001");
};

// Renders the target as a camera sees it: perspective from the pose, defocus from a thin-lens model
// (a disc whose diameter follows each point's depth), optics blur, camera shake, vignetting and
// noise. The target's picture is the printed page (as the printer draws it, or its PNG) at `dpi`.
// Deterministic for a seed; thread-safe (const).
class ShotRenderer {
public:
    ShotRenderer(const TargetLayout& layout, const QImage& page, double dpi);

    // Linear luminance, 1.0 clipping, as a demosaiced image.
    cv::Mat1f renderLinear(const CameraSetup& camera, quint32 seed) const;
    // An RGGB mosaic of 14-bit photosite values (black level 512, white 16383), for DNG.
    cv::Mat1w renderMosaic(const CameraSetup& camera, quint32 seed) const;
    // The metadata a camera would write for this setup.
    static ShotMetadata metadataFor(const CameraSetup& camera);

    // Where the plane of best focus crosses the target, along it from the AF edge (mm, + farther):
    // the truth a measurement is judged against.
    static double peakAlongTarget_mm(const CameraSetup& camera);

private:
    TargetLayout layout_;
    cv::Mat1f page_; // reflectance 0..1
    double dpi_;
};

} // namespace lensdock
