#pragma once

#include <opencv2/core.hpp>
#include <optional>

namespace lensdock {

// The sharpness across one nearly vertical edge by the slanted-edge method: the pixels near the
// edge, placed by their distance from the fitted edge line, give an edge-spread function sampled
// at a quarter pixel; its derivative's spectrum is the MTF, and MTF50 is where it falls to half.
// The edge is found near the line from `top` to `bottom` (pixel coordinates of `image`); only its
// middle part is used, away from the corners.
struct EdgeSharpness {
    double mtf50 = 0;     // cycles per pixel
    double contrast = 0;  // bright minus dark level
    bool clipped = false; // the bright side reached the clipping level
    cv::Point2d centre;   // where the edge was measured, in image pixels
    // The edge's blur filled most of the window it was measured in: its MTF50 then reads too high
    // and says little about how far out of focus it is.
    bool blurredPastWindow = false;
    double rise_px = 0; // the edge's 10-90 % rise
};

class SlantedEdge {
public:
    // `halfWidth`: how far either side of the edge the pixels are taken (pixels); `clipLevel`: the
    // value at which the image saturates. Nothing when the edge is too short, off the image, or too
    // faint to measure.
    static std::optional<EdgeSharpness> measure(const cv::Mat1f& image, cv::Point2d top, cv::Point2d bottom,
                                                double halfWidth, float clipLevel = 1.0f);
    // The same for a nearly horizontal edge from `left` to `right`.
    static std::optional<EdgeSharpness> measureHorizontal(const cv::Mat1f& image, cv::Point2d left,
                                                          cv::Point2d right, double halfWidth,
                                                          float clipLevel = 1.0f);
};

} // namespace lensdock
