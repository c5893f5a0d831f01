#pragma once

#include "calibration/Shot.h"

#include <QByteArray>

namespace lensdock::image {

// Pixels a shot may have; larger files are refused before they are decoded.
constexpr qint64 maxPixels = 200'000'000;

// "jpeg", "png" or "tiff" by the file's first bytes, or empty.
QByteArray sniff(const QByteArray& data);

// A JPEG, PNG or TIFF in memory, decoded to linear luminance with its EXIF metadata (JPEG and TIFF).
ShotReadResult read(const QByteArray& data, const QByteArray& format);

} // namespace lensdock::image
