#pragma once

#include "calibration/Shot.h"

#include <QString>

namespace lensdock {

// Writes rendered shots as a camera would: JPEG (sRGB-encoded, with EXIF focal length, f-number,
// 35 mm equivalent, make, model, body serial and time), PNG and TIFF, and DNG of a Bayer mosaic.
class ShotWriter {
public:
    // `linear`: relative linear luminance, 1.0 saturating. False and a reason on failure.
    static bool writeJpeg(const QString& path, const cv::Mat1f& linear, const ShotMetadata& metadata,
                          int quality, QString* error);
    static bool writePng(const QString& path, const cv::Mat1f& linear, QString* error);
    static bool writeTiff(const QString& path, const cv::Mat1f& linear, const ShotMetadata& metadata,
                          QString* error);
    // `mosaic`: an RGGB Bayer mosaic of linear photosite values, `whiteLevel` saturating.
    static bool writeDng(const QString& path, const cv::Mat1w& mosaic, int whiteLevel, int blackLevel,
                         const ShotMetadata& metadata, QString* error);
    // The JPEG bytes alone, for tests and fuzz seeds.
    static QByteArray jpegData(const cv::Mat1f& linear, const ShotMetadata& metadata, int quality);
};

} // namespace lensdock
