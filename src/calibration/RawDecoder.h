#pragma once

#include "calibration/Shot.h"

#include <QByteArray>

namespace lensdock::raw {

// A camera raw file in memory through LibRaw: the green photosites of its Bayer mosaic, two per
// 2x2 cell averaged, black-subtracted and scaled so that 1.0 is saturation. A raw LibRaw cannot
// unpack is read from its embedded JPEG preview, with a note saying so.
ShotReadResult read(const QByteArray& data);

} // namespace lensdock::raw
