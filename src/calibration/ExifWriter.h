#pragma once

#include "calibration/Shot.h"

#include <QByteArray>

namespace lensdock::exif {

// An EXIF payload for a JPEG's APP1 segment ("Exif\0\0" and a little-endian TIFF structure) with the
// metadata's known fields; empty if libexif fails.
QByteArray payload(const ShotMetadata& metadata);

} // namespace lensdock::exif
