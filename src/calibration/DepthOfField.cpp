#include "calibration/DepthOfField.h"

#include <limits>

namespace lensdock {

DepthOfField DepthOfField::of(double focalLength_mm, double fNumber, double distance_mm,
                              double circleOfConfusion_mm) {
    const double f = focalLength_mm, s = distance_mm;
    const double hyperfocal = f * f / (fNumber * circleOfConfusion_mm) + f;
    DepthOfField dof;
    dof.near_mm = s * (hyperfocal - f) / (hyperfocal + s - 2 * f);
    dof.far_mm =
        s < hyperfocal ? s * (hyperfocal - f) / (hyperfocal - s) : std::numeric_limits<double>::infinity();
    dof.total_mm = dof.far_mm - dof.near_mm;
    return dof;
}

} // namespace lensdock
