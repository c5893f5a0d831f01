#include "calibration/TargetFinder.h"

#include <apriltag/apriltag.h>
#include <apriltag/tag36h11.h>
#include <cmath>
#include <map>
#include <memory>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

namespace lensdock {
namespace {

constexpr int markersPerTarget = 6;

struct Detection {
    int id = 0;
    std::array<cv::Point2d, 4> corners; // as printed: top-left, top-right, bottom-right, bottom-left
};

// The detector wants 8-bit grey; a gamma brings the dark marker cells apart as a camera's JPEG would.
cv::Mat1b detectorImage(const cv::Mat1f& linear) {
    double highest = 0;
    cv::minMaxLoc(linear, nullptr, &highest);
    cv::Mat1f scaled;
    cv::pow(linear * (1.0 / std::max(highest, 1e-6)), 1 / 2.2, scaled);
    cv::Mat1b grey;
    scaled.convertTo(grey, CV_8U, 255);
    return grey;
}

std::vector<Detection> detect(const cv::Mat1b& grey, float decimate) {
    std::unique_ptr<apriltag_family_t, void (*)(apriltag_family_t*)> family(tag36h11_create(),
                                                                            tag36h11_destroy);
    std::unique_ptr<apriltag_detector_t, void (*)(apriltag_detector_t*)> detector(apriltag_detector_create(),
                                                                                  apriltag_detector_destroy);
    apriltag_detector_add_family_bits(detector.get(), family.get(), 1);
    detector->quad_decimate = decimate;
    detector->nthreads = 1;
    detector->refine_edges = 1;
    image_u8_t image{grey.cols, grey.rows, int(grey.step[0]), const_cast<uint8_t*>(grey.ptr<uint8_t>())};
    zarray_t* found = apriltag_detector_detect(detector.get(), &image);
    std::vector<Detection> detections;
    for (int i = 0; i < zarray_size(found); ++i) {
        apriltag_detection_t* d = nullptr;
        zarray_get(found, i, &d);
        if (d->hamming > 1)
            continue;
        // The detector's corners run bottom-left, bottom-right, top-right, top-left of the tag, on
        // a grid whose pixel centres lie at +0.5.
        Detection detection{d->id, {}};
        for (int k = 0; k < 4; ++k)
            detection.corners[size_t(3 - k)] = {d->p[k][0] - 0.5, d->p[k][1] - 0.5};
        detections.push_back(detection);
    }
    apriltag_detections_destroy(found);
    return detections;
}

// The paper whose markers were found most often; its ids are its own.
std::optional<Paper> paperOf(const std::vector<Detection>& detections) {
    std::map<int, int> votes;
    for (const Detection& d : detections)
        ++votes[d.id / markersPerTarget];
    int best = -1, bestVotes = 1;
    for (const auto& [paper, count] : votes)
        if (count > bestVotes && paper <= int(Paper::letter))
            best = paper, bestVotes = count;
    return best < 0 ? std::nullopt : std::optional(Paper(best));
}

} // namespace

cv::Point2d FoundTarget::toImage(QPointF page) const {
    const cv::Vec3d p = pageToImage * cv::Vec3d(page.x(), page.y(), 1);
    return {p[0] / p[2], p[1] / p[2]};
}

std::optional<FoundTarget> TargetFinder::find(const cv::Mat1f& image) {
    const cv::Mat1b grey = detectorImage(image);
    std::vector<Detection> detections;
    // Coarse first: large shots are searched fast; small markers need the finer passes.
    for (float decimate : {4.0f, 2.0f, 1.0f}) {
        if (std::max(grey.cols, grey.rows) / decimate < 400 && decimate > 1)
            continue;
        detections = detect(grey, decimate);
        if (detections.size() >= size_t(markersPerTarget) - 1)
            break;
    }
    const auto paper = paperOf(detections);
    if (!paper)
        return std::nullopt;
    FoundTarget target;
    target.layout = TargetLayout::forPaper(*paper);
    for (const Detection& d : detections)
        for (const TargetMarker& marker : target.layout.markers)
            if (marker.id == d.id) {
                ++target.markerCount;
                for (size_t k = 0; k < 4; ++k) {
                    target.pagePoints.emplace_back(marker.corners[k].x(), marker.corners[k].y());
                    target.imagePoints.push_back(d.corners[k]);
                }
            }
    if (target.markerCount < 2)
        return std::nullopt;
    const cv::Mat h = cv::findHomography(target.pagePoints, target.imagePoints, 0);
    if (h.empty())
        return std::nullopt;
    target.pageToImage = cv::Matx33d(h);
    double squared = 0;
    for (size_t i = 0; i < target.pagePoints.size(); ++i) {
        const cv::Point2d p = target.toImage({target.pagePoints[i].x, target.pagePoints[i].y});
        const cv::Point2d d = p - target.imagePoints[i];
        squared += d.dot(d);
    }
    target.reprojectionError_px = std::sqrt(squared / double(target.pagePoints.size()));
    return target;
}

} // namespace lensdock
