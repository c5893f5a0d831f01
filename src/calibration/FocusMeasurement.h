#pragma once

#include "calibration/Shot.h"

#include <optional>
#include <QString>
#include <QStringList>

namespace lensdock {

enum class FocusVerdict { refused, frontFocus, backFocus, inFocus };

// What one shot says about the lens's focus. Distances in millimetres; a negative focus error is
// front focus (the lens focused nearer than the AF edge), a positive one back focus.
struct FocusResult {
    FocusVerdict verdict = FocusVerdict::refused;
    QString reason;                // why the shot was refused, in plain words
    double peakAlongTarget_mm = 0; // the plane of best focus, along the target from the AF edge
    double focusError_mm = 0;      // the same along the camera axis
    double intervalLow_mm = 0;     // 5-95 % of the focus error over resampled edges
    double intervalHigh_mm = 0;
    double depthOfField_mm = 0; // 0 when the shot does not tell enough to compute it
    double distance_mm = 0;     // camera to the AF edge, along the axis (0: unknown)
    double tilt_deg = 45;
    bool tiltFromPose = false;
    int edgeCount = 0;
    QStringList notes; // assumptions made, e.g. a sensor size the file did not tell

    bool measured() const { return verdict != FocusVerdict::refused; }
    static FocusResult refusal(const QString& why) {
        FocusResult result;
        result.reason = why;
        return result;
    }
    // Error as a fraction of the depth of field; nothing when that is unknown.
    std::optional<double> errorInDepthsOfField() const;
};

// The fraction of the depth of field within which a lens counts as focusing right.
inline constexpr double inFocusFraction = 0.1;

QString verdictName(FocusVerdict verdict);

class FocusMeasurement {
public:
    // Thread-safe: shots may be measured in parallel.
    static FocusResult measure(const Shot& shot);
};

} // namespace lensdock
