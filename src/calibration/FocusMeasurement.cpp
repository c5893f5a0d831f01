#include "calibration/FocusMeasurement.h"

#include "calibration/CameraPose.h"
#include "calibration/DepthOfField.h"
#include "calibration/EdgeSurvey.h"
#include "calibration/FocusFit.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace lensdock {
namespace {

constexpr int minimumEdges = 30;
constexpr double clippedEdgeShare = 0.2;
constexpr double motionRatio = 1.5;
constexpr double nominalTilt_deg = 45;
constexpr double fullFrameWidth_mm = 36;
// How many of the resampled curves must find the same kind of peak for the shot to count.
constexpr double minimumAgreement = 0.8;
// A 10-90 % rise beyond which an edge is far out of focus (an edge in focus rises within 2 pixels).
constexpr double blurredRise_px = 4;
const QString outOfFocusEverywhere = QStringLiteral(
    "the target is out of focus from end to end: the focus error is larger than the target can show (check "
    "that the camera focused on the black patch)");

FocusResult refused(const QString& reason, FocusResult result = {}) {
    result.verdict = FocusVerdict::refused;
    result.reason = reason;
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Defocus blurs alike in every direction; camera shake blurs along one. Compared on the sharpest
// squares, where defocus does not hide it.
bool blurredAlongOneDirection(const std::vector<MeasuredEdge>& edges) {
    std::map<int, std::pair<double, double>> bySquare; // vertical, horizontal: the lower of each
    for (const MeasuredEdge& e : edges) {
        auto& [v, h] = bySquare[e.square];
        double& slot = e.vertical ? v : h;
        slot = slot == 0 ? e.sharpness.mtf50 : std::min(slot, e.sharpness.mtf50);
    }
    std::vector<std::pair<double, double>> pairs;
    for (const auto& [square, vh] : bySquare)
        if (vh.first > 0 && vh.second > 0)
            pairs.push_back(vh);
    if (pairs.size() < 6)
        return false;
    std::sort(pairs.begin(), pairs.end(),
              [](auto a, auto b) { return a.first + a.second > b.first + b.second; });
    std::vector<double> ratios;
    for (size_t i = 0; i < std::max<size_t>(3, pairs.size() / 4); ++i)
        ratios.push_back(pairs[i].first / pairs[i].second);
    const double ratio = median(ratios);
    return ratio > motionRatio || ratio < 1 / motionRatio;
}

struct Geometry {
    std::optional<CameraPose> pose;
    double focalLength_mm = 0;
    double sensorWidth_mm = 0;
};

Geometry geometryOf(const Shot& shot, const FoundTarget& target, FocusResult& result) {
    Geometry geometry;
    const ShotMetadata& meta = shot.metadata;
    if (!meta.focalLength_mm || *meta.focalLength_mm <= 0) {
        result.notes << QStringLiteral("no focal length in the file: the target's tilt is taken as 45°");
        return geometry;
    }
    geometry.focalLength_mm = *meta.focalLength_mm;
    geometry.sensorWidth_mm = meta.sensorWidth_mm.value_or(0);
    if (geometry.sensorWidth_mm <= 0) {
        geometry.sensorWidth_mm = fullFrameWidth_mm;
        result.notes << QStringLiteral("no sensor size in the file: a full-frame sensor is assumed");
    }
    const double focal_px = geometry.focalLength_mm * shot.linear.cols / geometry.sensorWidth_mm;
    geometry.pose = CameraPose::solve(target, focal_px, shot.linear.size());
    if (!geometry.pose)
        result.notes << QStringLiteral("the pose could not be solved: the target's tilt is taken as 45°");
    return geometry;
}

void setDepthOfField(const Shot& shot, const Geometry& geometry, FocusResult& result) {
    const auto& fNumber = shot.metadata.fNumber;
    if (!geometry.pose || !fNumber || *fNumber <= 0) {
        if (geometry.pose)
            result.notes << QStringLiteral("no f-number in the file: the depth of field is unknown");
        return;
    }
    const double height_mm = geometry.sensorWidth_mm * shot.linear.rows / shot.linear.cols;
    const double coc = DepthOfField::circleOfConfusion_mm(std::hypot(geometry.sensorWidth_mm, height_mm));
    result.depthOfField_mm =
        DepthOfField::of(geometry.focalLength_mm, *fNumber, result.distance_mm, coc).total_mm;
}

void setVerdict(FocusResult& result) {
    const auto fraction = result.errorInDepthsOfField();
    if (fraction && std::abs(*fraction) <= inFocusFraction)
        result.verdict = FocusVerdict::inFocus;
    else
        result.verdict = result.focusError_mm < 0 ? FocusVerdict::frontFocus : FocusVerdict::backFocus;
}

// Where the fit puts focus, edges must be crisp. When even the edges nearest the peak rise over
// several pixels, the whole target is far out of focus, and a small bump of sharpness (from noise or
// from how a wide blur meets the pattern) is no peak.
bool blurredAtThePeak(const std::vector<SharpnessSample>& samples, double peak) {
    std::vector<const SharpnessSample*> nearest;
    for (const SharpnessSample& s : samples)
        nearest.push_back(&s);
    std::sort(nearest.begin(), nearest.end(),
              [peak](auto a, auto b) { return std::abs(a->position - peak) < std::abs(b->position - peak); });
    std::vector<double> rises;
    for (size_t i = 0; i < std::max<size_t>(3, nearest.size() / 10) && i < nearest.size(); ++i)
        rises.push_back(nearest[i]->rise_px);
    return median(rises) > blurredRise_px;
}

// The checks on the measured edges, in the order a photographer fixes them; the first that fails.
std::optional<QString> qualityProblem(const std::vector<MeasuredEdge>& edges, int usableEdges) {
    int clipped = 0, vertical = 0, blurred = 0;
    for (const MeasuredEdge& e : edges) {
        clipped += e.sharpness.clipped ? 1 : 0;
        vertical += e.vertical ? 1 : 0;
        blurred += e.vertical && e.sharpness.blurredPastWindow ? 1 : 0;
    }
    if (vertical >= minimumEdges && blurred > vertical / 2)
        return outOfFocusEverywhere;
    if (usableEdges < minimumEdges)
        return QStringLiteral(
                   "too few edges could be measured (%1 of at least %2): bring the target nearer or "
                   "make it larger in the frame")
            .arg(usableEdges)
            .arg(minimumEdges);
    if (clipped > clippedEdgeShare * double(edges.size()))
        return QStringLiteral("highlights clipped: the white of the target is overexposed; expose less");
    if (blurredAlongOneDirection(edges))
        return QStringLiteral(
            "motion blur: the edges are blurred along one direction; hold the camera still (a "
            "tripod, a shorter exposure)");
    return std::nullopt;
}

QString beyondTarget(bool front) {
    return front
               ? QStringLiteral("best focus lies in front of the target's near end: the front-focus error is "
                                "larger than the target can show")
               : QStringLiteral("best focus lies behind the target's far end: the back-focus error is larger "
                                "than the target can show");
}

// The peak of sharpness along the target into `result`; false, with `result` refused, when the
// curve has no peak on the target or the resampled curves do not agree where it lies.
bool locatePeak(const std::vector<SharpnessSample>& samples, const CameraPose* pose, FocusResult& result) {
    const PeakFit peak = FocusFit::fit(samples);
    const std::vector<PeakFit> refits = FocusFit::refits(samples);
    // With a pose the fit runs on 1000 / depth, which falls with distance: its low end is the far one.
    const bool lowIsNear = !pose;
    const bool clear =
        peak.kind != PeakFit::Kind::none && FocusFit::agreement(refits, peak.kind) >= minimumAgreement;
    if (!clear) {
        result =
            refused(QStringLiteral("no clear sharpness peak along the target: the focus changes too little "
                                   "across it (open the aperture or come nearer)"),
                    result);
        return false;
    }
    if (peak.kind == PeakFit::Kind::peak && blurredAtThePeak(samples, peak.position)) {
        result = refused(outOfFocusEverywhere, result);
        return false;
    }
    if (peak.kind != PeakFit::Kind::peak) {
        // The side is told only when the target's sharp end is nearly in focus; from edges blurred
        // all along, a slope of blur is too faint to trust.
        const auto [lowest, highest] = std::minmax_element(
            samples.begin(), samples.end(), [](auto& a, auto& b) { return a.position < b.position; });
        const bool lowSharp = peak.kind == PeakFit::Kind::beyondLow;
        const bool faint = blurredAtThePeak(samples, lowSharp ? lowest->position : highest->position);
        result = refused(faint ? outOfFocusEverywhere : beyondTarget(lowSharp == lowIsNear), result);
        return false;
    }
    const auto toError = [&](double position) {
        return pose ? 1000 / position - result.distance_mm
                    : position * std::sin(nominalTilt_deg * M_PI / 180);
    };
    result.focusError_mm = toError(peak.position);
    result.peakAlongTarget_mm = pose ? result.focusError_mm / pose->depthPerPageMm() : peak.position;
    result.intervalLow_mm = result.intervalHigh_mm = result.focusError_mm;
    if (const auto bounds = FocusFit::interval(refits)) {
        const double a = toError(bounds->first), b = toError(bounds->second);
        result.intervalLow_mm = std::min({a, b, result.focusError_mm});
        result.intervalHigh_mm = std::max({a, b, result.focusError_mm});
    }
    return true;
}

} // namespace

std::optional<double> FocusResult::errorInDepthsOfField() const {
    if (depthOfField_mm <= 0 || !std::isfinite(depthOfField_mm))
        return std::nullopt;
    return focusError_mm / depthOfField_mm;
}

QString verdictName(FocusVerdict verdict) {
    switch (verdict) {
    case FocusVerdict::frontFocus:
        return QStringLiteral("front focus");
    case FocusVerdict::backFocus:
        return QStringLiteral("back focus");
    case FocusVerdict::inFocus:
        return QStringLiteral("in focus");
    case FocusVerdict::refused:
        break;
    }
    return QStringLiteral("refused");
}

FocusResult FocusMeasurement::measure(const Shot& shot) {
    FocusResult result;
    if (shot.linear.empty())
        return refused(QStringLiteral("the shot holds no image"));
    const auto target = TargetFinder::find(shot.linear);
    if (!target)
        return refused(QStringLiteral("target not found: fewer than two of its markers are visible"));
    const Geometry geometry = geometryOf(shot, *target, result);
    const CameraPose* pose = geometry.pose ? &*geometry.pose : nullptr;
    if (pose) {
        result.tiltFromPose = true;
        result.tilt_deg = pose->tilt_deg();
        result.distance_mm = pose->depthAt({target->layout.afEdgeX_mm, target->layout.pageHeight_mm / 2});
        if (result.tilt_deg < 30 || result.tilt_deg > 60)
            return refused(
                QStringLiteral("the target is turned %1° to the camera: turn it between 30° and 60°, "
                               "about 45°")
                    .arg(result.tilt_deg, 0, 'f', 0),
                result);
    }
    const std::vector<MeasuredEdge> edges = EdgeSurvey::measureAll(shot.linear, *target);
    std::vector<SharpnessSample> samples;
    for (const MeasuredEdge& e : edges)
        if (e.vertical && !e.sharpness.blurredPastWindow)
            samples.push_back(
                {pose ? 1000 / pose->depthAt(e.page_mm) : target->layout.alongTarget(e.page_mm.x()),
                 e.sharpness.mtf50, e.sharpness.rise_px});
    result.edgeCount = int(samples.size());
    if (const auto reason = qualityProblem(edges, result.edgeCount))
        return refused(*reason, result);
    if (!locatePeak(samples, pose, result))
        return result;
    setDepthOfField(shot, geometry, result);
    setVerdict(result);
    return result;
}

} // namespace lensdock
