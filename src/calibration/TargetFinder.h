#pragma once

#include "calibration/TargetLayout.h"

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace lensdock {

// The target found in a shot: which paper it is, and the homography from page millimetres to the
// shot's pixels, fitted to the corners of every marker found.
struct FoundTarget {
    TargetLayout layout;
    cv::Matx33d pageToImage;
    std::vector<cv::Point2d> pagePoints;  // marker corners on the page (mm)
    std::vector<cv::Point2d> imagePoints; // the same corners found in the shot (pixels)
    double reprojectionError_px = 0;      // RMS over the corners
    int markerCount = 0;

    cv::Point2d toImage(QPointF page_mm) const;
};

class TargetFinder {
public:
    // Nothing when fewer than two markers of one target are found. `image`: linear luminance.
    static std::optional<FoundTarget> find(const cv::Mat1f& image);
};

} // namespace lensdock
