#pragma once

#include "calibration/Shot.h"

#include <QByteArray>
#include <QString>

namespace lensdock {

// Reads a photo of the target for measuring: JPEG, PNG and TIFF (decoded, then back to linear light),
// and camera raw files including DNG through LibRaw, of which only the green photosites are taken,
// undemosaiced and unsharpened. Metadata comes from EXIF (libexif) or from LibRaw for raw files.
// Never throws and never crashes on a damaged file: a file that cannot be read gives a reason.
// Thread-safe: shots may be read in parallel.
class ShotReader {
public:
    static ShotReadResult read(const QString& path);
    // The same from memory; `fileName` only chooses the format by its extension.
    static ShotReadResult readData(const QByteArray& data, const QString& fileName);
};

} // namespace lensdock
