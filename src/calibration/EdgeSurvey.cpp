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

QPointF centreOf(const TargetSquare& square) {
    return (square.corners[0] + square.corners[2]) / 2;
}

// Whether another square lies next to this one in the direction (dx, dy), one pitch away. Only an
// edge facing a neighbour across the regular gap is measured: beside open paper (the page's margin,
// the AF patch's clear field) a far-out-of-focus edge spreads differently, and would read sharper.
bool hasNeighbour(const TargetLayout& layout, int index, QPointF direction, double pitch) {
    const QPointF expected = centreOf(layout.squares[index]) + direction * pitch;
    for (const TargetSquare& other : layout.squares) {
        const QPointF d = centreOf(other) - expected;
        if (std::hypot(d.x(), d.y()) < 0.25 * pitch)
            return true;
    }
    return false;
}

double pitchOf(const TargetLayout& layout) {
    double pitch = INFINITY;
    for (int i = 1; i < layout.squares.size(); ++i) {
        const QPointF d = centreOf(layout.squares[i]) - centreOf(layout.squares[0]);
        pitch = std::min(pitch, std::hypot(d.x(), d.y()));
    }
    return pitch;
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
    const double pitch = pitchOf(target.layout);
    const QPointF facing[4] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}}; // left, right, top, bottom
    std::vector<MeasuredEdge> edges;
    for (int index = 0; index < target.layout.squares.size(); ++index) {
        const auto& c =
            target.layout.squares[index].corners; // top-left, top-right, bottom-right, bottom-left
        const std::pair<QPointF, QPointF> sides[4] = {{c[0], c[3]}, {c[1], c[2]}, {c[0], c[1]}, {c[3], c[2]}};
        for (int side = 0; side < 4; ++side) {
            if (!hasNeighbour(target.layout, index, facing[side], pitch))
                continue;
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
