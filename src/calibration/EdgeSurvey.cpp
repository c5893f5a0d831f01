#include "calibration/EdgeSurvey.h"

#include <cmath>

namespace lensdock {
namespace {

// How far beside an edge its pixels are taken, on the page: less than half the gap between
// neighbouring squares, so that no other edge comes into the window.
double halfWidthOnPage_mm(const TargetLayout& layout) {
    const auto& corners = layout.squares.front().corners;
    const double side = std::hypot(corners[1].x() - corners[0].x(), corners[1].y() - corners[0].y());
    return 0.22 * side;
}

// The same distance in the shot's pixels, at the edge's middle and across it.
double halfWidthInImage(const FoundTarget& target, QPointF middle, QPointF across_mm) {
    const cv::Point2d a = target.toImage(middle), b = target.toImage(middle + across_mm);
    return std::hypot(b.x - a.x, b.y - a.y);
}

QPointF unitNormal(QPointF from, QPointF to) {
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    return {-d.y() / length, d.x() / length};
}

} // namespace

std::vector<MeasuredEdge> EdgeSurvey::measureAll(const cv::Mat1f& image, const FoundTarget& target,
                                                 float clipLevel) {
    const double halfWidth_mm = halfWidthOnPage_mm(target.layout);
    std::vector<MeasuredEdge> edges;
    for (int index = 0; index < target.layout.squares.size(); ++index) {
        const auto& c =
            target.layout.squares[index].corners; // top-left, top-right, bottom-right, bottom-left
        const std::pair<QPointF, QPointF> sides[4] = {{c[0], c[3]}, {c[1], c[2]}, {c[0], c[1]}, {c[3], c[2]}};
        for (int side = 0; side < 4; ++side) {
            const auto& [from, to] = sides[side];
            const QPointF middle = (from + to) / 2;
            const double halfWidth = halfWidthInImage(target, middle, unitNormal(from, to) * halfWidth_mm);
            const bool vertical = side < 2;
            const cv::Point2d a = target.toImage(from), b = target.toImage(to);
            const auto sharpness = vertical
                                       ? SlantedEdge::measure(image, a, b, halfWidth, clipLevel)
                                       : SlantedEdge::measureHorizontal(image, a, b, halfWidth, clipLevel);
            if (sharpness)
                edges.push_back({index, vertical, middle, *sharpness});
        }
    }
    return edges;
}

} // namespace lensdock
