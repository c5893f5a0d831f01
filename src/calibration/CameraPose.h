#pragma once

#include "calibration/TargetFinder.h"

#include <optional>

namespace lensdock {

// Where the target stands relative to the camera: page millimetres to camera coordinates (z along
// the axis), from the marker corners and the focal length in pixels (principal point at the centre).
struct CameraPose {
    cv::Matx33d rotation;
    cv::Vec3d translation;

    double depthAt(QPointF page_mm) const;
    // The angle between the target's plane and the image plane.
    double tilt_deg() const;
    // How the depth changes per millimetre to the right on the page.
    double depthPerPageMm() const { return rotation(2, 0); }

    static std::optional<CameraPose> solve(const FoundTarget& target, double focalLength_px,
                                           cv::Size imageSize);
};

} // namespace lensdock
