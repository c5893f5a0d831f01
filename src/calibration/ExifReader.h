#pragma once

#include "calibration/Shot.h"

#include <QByteArray>

namespace lensdock::exif {

// The shot's metadata from an EXIF payload ("Exif\0\0" and a TIFF structure, as in a JPEG's APP1).
// `imageWidthPx` turns a focal-plane resolution into a sensor width. Missing fields stay empty.
ShotMetadata read(const QByteArray& payload, int imageWidthPx);

// Sets sensorWidth_mm from the focal length and its 35 mm equivalent when both are known.
void deriveSensorWidth(ShotMetadata& metadata);

} // namespace lensdock::exif
