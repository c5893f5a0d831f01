#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <QDateTime>
#include <QString>

namespace lensdock {

// What a shot's file says about how it was taken. Every field is optional: files lack them.
struct ShotMetadata {
    std::optional<double> focalLength_mm;
    std::optional<double> fNumber;
    std::optional<double> focalLength35mm_mm; // the 35 mm equivalent, which gives the sensor size
    std::optional<double> sensorWidth_mm;     // when the file tells it (derived or from the focal plane)
    QString make;
    QString model;
    QString bodySerial;
    QDateTime taken;
};

// One shot, ready to measure: linear luminance in one channel.
struct Shot {
    // Relative linear luminance; 1.0 is where the sensor or the encoding saturates.
    cv::Mat1f linear;
    // Sensor photosites per pixel of `linear` along each axis: 2 for the green plane of a raw
    // mosaic, 1 for a demosaiced image.
    double sensorPixelsPerPixel = 1;
    bool raw = false;
    // Width in photosites of the whole sensor image the file came from (for the pixel pitch).
    int sensorWidthPx = 0;
    ShotMetadata metadata;
    QString note; // e.g. a raw file LibRaw could not unpack, read from its embedded preview
};

// A shot, or the reason it could not be read.
struct ShotReadResult {
    std::optional<Shot> shot;
    QString reason;
};

} // namespace lensdock
