#include "calibration/ExifWriter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace lensdock::exif {

namespace {

constexpr ExifByteOrder order = EXIF_BYTE_ORDER_INTEL;

// A new entry with room for its value, owned by the directory it is added to.
unsigned char* addEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned components) {
    ExifMem* mem = exif_mem_new_default();
    ExifEntry* e = exif_entry_new_mem(mem);
    const unsigned size = exif_format_get_size(format) * components;
    e->data = static_cast<unsigned char*>(exif_mem_alloc(mem, size));
    unsigned char* value = e->data;
    if (value) {
        e->tag = tag;
        e->format = format;
        e->components = components;
        e->size = size;
        exif_content_add_entry(data->ifd[ifd], e);
    }
    exif_entry_unref(e);
    exif_mem_unref(mem);
    return value;
}

void addText(ExifData* data, ExifIfd ifd, ExifTag tag, const QString& text) {
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toLatin1();
    if (unsigned char* value = addEntry(data, ifd, tag, EXIF_FORMAT_ASCII, unsigned(bytes.size() + 1)))
        std::memcpy(value, bytes.constData(), size_t(bytes.size() + 1));
}

void addRational(ExifData* data, ExifTag tag, std::optional<double> v) {
    constexpr ExifLong denominator = 1000;
    if (!v || !(*v > 0) || *v > 1e6)
        return;
    if (unsigned char* value = addEntry(data, EXIF_IFD_EXIF, tag, EXIF_FORMAT_RATIONAL, 1))
        exif_set_rational(value, order, {ExifLong(std::lround(*v * denominator)), denominator});
}

void addShort(ExifData* data, ExifTag tag, std::optional<double> v) {
    if (!v || !(*v > 0) || *v > 65535)
        return;
    if (unsigned char* value = addEntry(data, EXIF_IFD_EXIF, tag, EXIF_FORMAT_SHORT, 1))
        exif_set_short(value, order, ExifShort(std::lround(*v)));
}

} // namespace

QByteArray payload(const ShotMetadata& m) {
    std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new(), exif_data_unref);
    if (!data)
        return {};
    exif_data_set_byte_order(data.get(), order);
    exif_data_set_data_type(data.get(), EXIF_DATA_TYPE_COMPRESSED);
    addText(data.get(), EXIF_IFD_0, EXIF_TAG_MAKE, m.make);
    addText(data.get(), EXIF_IFD_0, EXIF_TAG_MODEL, m.model);
    addRational(data.get(), EXIF_TAG_FOCAL_LENGTH, m.focalLength_mm);
    addRational(data.get(), EXIF_TAG_FNUMBER, m.fNumber);
    addShort(data.get(), EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, m.focalLength35mm_mm);
    addText(data.get(), EXIF_IFD_EXIF, EXIF_TAG_BODY_SERIAL_NUMBER, m.bodySerial);
    if (m.taken.isValid())
        addText(data.get(), EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL,
                m.taken.toString("yyyy:MM:dd HH:mm:ss"));
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data.get(), &bytes, &size);
    QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(bytes ? size : 0));
    std::free(bytes);
    return out;
}

} // namespace lensdock::exif
