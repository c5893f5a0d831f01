#include "calibration/CameraPose.h"

#include <cmath>
#include <opencv2/calib3d.hpp>

namespace lensdock {

double CameraPose::depthAt(QPointF page) const {
    const cv::Vec3d p = rotation * cv::Vec3d(page.x(), page.y(), 0) + translation;
    return p[2];
}

double CameraPose::tilt_deg() const {
    return std::acos(std::min(1.0, std::abs(rotation(2, 2)))) * 180 / M_PI;
}

std::optional<CameraPose> CameraPose::solve(const FoundTarget& target, double focalLength_px, cv::Size size) {
    if (!(focalLength_px > 0) || target.pagePoints.size() < 4)
        return std::nullopt;
    std::vector<cv::Point3d> object;
    for (const cv::Point2d& p : target.pagePoints)
        object.emplace_back(p.x, p.y, 0);
    const cv::Matx33d camera(focalLength_px, 0, (size.width - 1) / 2.0, 0, focalLength_px,
                             (size.height - 1) / 2.0, 0, 0, 1);
    cv::Vec3d rvec, tvec;
    try {
        if (!cv::solvePnP(object, target.imagePoints, camera, cv::noArray(), rvec, tvec, false,
                          cv::SOLVEPNP_IPPE))
            return std::nullopt;
    } catch (const cv::Exception&) {
        return std::nullopt; // degenerate corners: no pose rather than a crash
    }
    CameraPose pose;
    cv::Rodrigues(rvec, pose.rotation);
    pose.translation = tvec;
    if (pose.translation[2] <= 0)
        return std::nullopt;
    return pose;
}

} // namespace lensdock
