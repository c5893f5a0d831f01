#pragma once

namespace lensdock {

// The depth of field of a thin lens focused at `distance_mm`, with the circle of confusion taken as
// the sensor's diagonal / 1500 (0.029 mm on a full-frame sensor).
struct DepthOfField {
    double near_mm = 0;
    double far_mm = 0; // infinite beyond the hyperfocal distance
    double total_mm = 0;

    static double circleOfConfusion_mm(double sensorDiagonal_mm) { return sensorDiagonal_mm / 1500; }
    static DepthOfField of(double focalLength_mm, double fNumber, double distance_mm,
                           double circleOfConfusion_mm);
};

} // namespace lensdock
