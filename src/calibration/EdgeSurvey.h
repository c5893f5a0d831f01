#pragma once

#include "calibration/SlantedEdge.h"
#include "calibration/TargetFinder.h"

#include <vector>

namespace lensdock {

// One measured edge of one of the target's squares.
struct MeasuredEdge {
    int square = 0;
    bool vertical = true; // nearly vertical on the page: measures the blur across the depth
    QPointF page_mm;      // the edge's middle on the page
    EdgeSharpness sharpness;
};

class EdgeSurvey {
public:
    // Every edge of every square the shot shows well enough to measure.
    static std::vector<MeasuredEdge> measureAll(const cv::Mat1f& image, const FoundTarget& target,
                                                float clipLevel = 1.0f);
};

} // namespace lensdock
