#include "calibration/ExifReader.h"

#include <libexif/exif-data.h>
#include <memory>

namespace lensdock::exif {

namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifDataPtr = std::unique_ptr<ExifData, ExifDataUnref>;

std::optional<double> positive(double value) {
    return value > 0 ? std::optional<double>(value) : std::nullopt;
}

std::optional<double> number(ExifData* data, ExifTag tag) {
    const ExifEntry* e = exif_data_get_entry(data, tag);
    if (!e || !e->data || e->components < 1)
        return {};
    const ExifByteOrder order = exif_data_get_byte_order(data);
    const auto need = [&](unsigned bytes) { return e->size >= bytes; };
    switch (e->format) {
    case EXIF_FORMAT_RATIONAL: {
        const ExifRational r = exif_get_rational(e->data, order);
        return need(8) && r.denominator ? positive(double(r.numerator) / r.denominator) : std::nullopt;
    }
    case EXIF_FORMAT_SRATIONAL: {
        const ExifSRational r = exif_get_srational(e->data, order);
        return need(8) && r.denominator ? positive(double(r.numerator) / r.denominator) : std::nullopt;
    }
    case EXIF_FORMAT_SHORT:
        return need(2) ? positive(exif_get_short(e->data, order)) : std::nullopt;
    case EXIF_FORMAT_LONG:
        return need(4) ? positive(exif_get_long(e->data, order)) : std::nullopt;
    default:
        return {};
    }
}

QString text(ExifData* data, ExifTag tag) {
    const ExifEntry* e = exif_data_get_entry(data, tag);
    if (!e || !e->data || e->format != EXIF_FORMAT_ASCII)
        return {};
    const auto* chars = reinterpret_cast<const char*>(e->data);
    return QString::fromLatin1(chars, qstrnlen(chars, e->size)).trimmed();
}

// Millimetres per unit of FocalPlaneResolutionUnit: inch, centimetre, and the millimetre some
// cameras write although it is not a standard value.
std::optional<double> unitMillimetres(std::optional<double> unit) {
    if (!unit || *unit == 2)
        return 25.4;
    if (*unit == 3)
        return 10.0;
    if (*unit == 4)
        return 1.0;
    return {};
}

void readSensorWidth(ExifData* data, int imageWidthPx, ShotMetadata& m) {
    deriveSensorWidth(m);
    const auto resolution = number(data, EXIF_TAG_FOCAL_PLANE_X_RESOLUTION);
    const auto unit = unitMillimetres(number(data, EXIF_TAG_FOCAL_PLANE_RESOLUTION_UNIT));
    if (!m.sensorWidth_mm && resolution && unit && imageWidthPx > 0)
        m.sensorWidth_mm = imageWidthPx / *resolution * *unit;
}

} // namespace

void deriveSensorWidth(ShotMetadata& m) {
    if (m.focalLength_mm && m.focalLength35mm_mm)
        m.sensorWidth_mm = 36.0 * *m.focalLength_mm / *m.focalLength35mm_mm;
}

ShotMetadata read(const QByteArray& payload, int imageWidthPx) {
    ShotMetadata m;
    ExifDataPtr data(exif_data_new());
    if (!data || payload.isEmpty())
        return m;
    // Load exactly what the file holds: keep tags found outside their usual directory, and add no
    // default entries for missing ones (libexif would otherwise invent a time of "now").
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(data.get(), ExifDataOption(1 << 1));
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.constData()),
                        unsigned(payload.size()));
    m.focalLength_mm = number(data.get(), EXIF_TAG_FOCAL_LENGTH);
    m.fNumber = number(data.get(), EXIF_TAG_FNUMBER);
    m.focalLength35mm_mm = number(data.get(), EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM);
    m.make = text(data.get(), EXIF_TAG_MAKE);
    m.model = text(data.get(), EXIF_TAG_MODEL);
    m.bodySerial = text(data.get(), EXIF_TAG_BODY_SERIAL_NUMBER);
    m.taken = QDateTime::fromString(text(data.get(), EXIF_TAG_DATE_TIME_ORIGINAL), "yyyy:MM:dd HH:mm:ss");
    readSensorWidth(data.get(), imageWidthPx, m);
    return m;
}

} // namespace lensdock::exif
