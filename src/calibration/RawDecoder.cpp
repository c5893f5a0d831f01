#include "calibration/RawDecoder.h"

#include "calibration/ExifReader.h"
#include "calibration/ImageDecoder.h"
#include "calibration/JpegStructure.h"

#include <array>
#include <libraw/libraw.h>
#include <memory>

namespace lensdock::raw {

namespace {

ShotReadResult refuse(const QString& reason) {
    return {std::nullopt, reason};
}

QString fixedText(const char* text, std::size_t capacity) {
    return QString::fromLatin1(text, qsizetype(qstrnlen(text, uint(capacity)))).trimmed();
}

ShotMetadata metadataOf(const LibRaw& p) {
    const auto& d = p.imgdata;
    ShotMetadata m;
    if (d.other.focal_len > 0)
        m.focalLength_mm = d.other.focal_len;
    if (d.other.aperture > 0)
        m.fNumber = d.other.aperture;
    if (d.lens.FocalLengthIn35mmFormat > 0)
        m.focalLength35mm_mm = d.lens.FocalLengthIn35mmFormat;
    else if (d.lens.makernotes.FocalLengthIn35mmFormat > 0)
        m.focalLength35mm_mm = d.lens.makernotes.FocalLengthIn35mmFormat;
    m.make = fixedText(d.idata.make, sizeof d.idata.make);
    m.model = fixedText(d.idata.model, sizeof d.idata.model);
    m.bodySerial = fixedText(d.shootinginfo.BodySerial, sizeof d.shootinginfo.BodySerial);
    // LibRaw turns the zone-less EXIF time into seconds as local time: back to local time it goes.
    if (d.other.timestamp > 0)
        m.taken = QDateTime::fromSecsSinceEpoch(qint64(d.other.timestamp));
    exif::deriveSensorWidth(m);
    return m;
}

// Where the two greens of a 2x2 cell lie, for each of the four cell rows in the CFA's 8-row period.
struct GreenLayout {
    std::array<std::array<std::array<int, 2>, 2>, 4> offsets{}; // [cell row % 4][green][dy, dx]
};

std::optional<GreenLayout> greenLayout(LibRaw& p) {
    GreenLayout layout;
    for (int phase = 0; phase < 4; ++phase) {
        int found = 0;
        for (int i = 0; i < 4; ++i) {
            const int dy = i / 2, dx = i % 2;
            const int colour = p.COLOR(2 * phase + dy, dx);
            if (colour != 1 && colour != 3)
                continue;
            if (found == 2)
                return {};
            layout.offsets[phase][found++] = {dy, dx};
        }
        if (found != 2)
            return {};
    }
    return layout;
}

bool isBayer(LibRaw& p) {
    const auto& d = p.imgdata;
    return d.idata.filters >= 1000 && d.idata.colors == 3 && !p.is_fuji_rotated() && greenLayout(p);
}

// The black level of one photosite (in visible-area coordinates): the common level, the colour's
// own, and the repeating pattern LibRaw keeps for DNG's BlackLevel when it is larger than 2x2.
class BlackLevel {
public:
    explicit BlackLevel(LibRaw& p) : p_(p), c_(p.imgdata.color) {
        const unsigned rows = c_.cblack[4], cols = c_.cblack[5];
        hasPattern_ = rows && cols && 6 + std::size_t(rows) * cols <= LIBRAW_CBLACK_SIZE;
    }
    float at(int row, int col) const {
        float black = float(c_.black) + float(c_.cblack[p_.COLOR(row, col) & 3]);
        if (hasPattern_)
            black += float(c_.cblack[6 + (row % c_.cblack[4]) * c_.cblack[5] + col % c_.cblack[5]]);
        return black;
    }

private:
    LibRaw& p_;
    const libraw_colordata_t& c_;
    bool hasPattern_ = false;
};

std::optional<cv::Mat1f> greenPlane(LibRaw& p, const GreenLayout& layout) {
    const auto& s = p.imgdata.sizes;
    const ushort* raw = p.imgdata.rawdata.raw_image;
    const std::size_t pitch = s.raw_pitch / 2;
    if (!raw || s.top_margin + s.height > s.raw_height || s.left_margin + s.width > s.raw_width ||
        pitch < s.raw_width || s.width < 2 || s.height < 2)
        return {};
    const float white = float(p.imgdata.color.maximum);
    const BlackLevel black(p);
    cv::Mat1f plane(s.height / 2, s.width / 2);
    for (int y = 0; y < plane.rows; ++y) {
        for (int x = 0; x < plane.cols; ++x) {
            float sum = 0;
            for (const auto& [dy, dx] : layout.offsets[y % 4]) {
                const int row = 2 * y + dy, col = 2 * x + dx;
                const float b = black.at(row, col);
                const ushort v = raw[(row + s.top_margin) * pitch + col + s.left_margin];
                sum += (float(v) - b) / std::max(white - b, 1.0f);
            }
            plane(y, x) = sum / 2;
        }
    }
    return plane;
}

// The camera's own preview, measured when the raw data cannot be: demosaiced, sharpened, sRGB.
ShotReadResult fromPreview(const QByteArray& jpeg, const QString& why, const ShotMetadata* metadata,
                           int sensorWidthPx) {
    ShotReadResult result = image::read(jpeg, "jpeg");
    if (!result.shot)
        return refuse(why + QStringLiteral(", and its embedded preview cannot be read: ") + result.reason);
    Shot& shot = *result.shot;
    if (metadata)
        shot.metadata = *metadata;
    if (sensorWidthPx > 0) {
        shot.sensorWidthPx = sensorWidthPx;
        shot.sensorPixelsPerPixel = double(sensorWidthPx) / shot.linear.cols;
    }
    shot.note = why + QStringLiteral(": measured its embedded JPEG preview instead, which the camera "
                                     "demosaiced and sharpened");
    return result;
}

ShotReadResult fromThumbnail(LibRaw& p, const QString& why, const ShotMetadata& metadata) {
    const auto& t = p.imgdata.thumbnail;
    if (p.unpack_thumb() != LIBRAW_SUCCESS || t.tformat != LIBRAW_THUMBNAIL_JPEG || !t.thumb)
        return refuse(why + QStringLiteral(", and it has no JPEG preview"));
    return fromPreview(QByteArray(t.thumb, qsizetype(t.tlength)), why, &metadata, p.imgdata.sizes.width);
}

QString libRawError(const char* what, int code) {
    return QStringLiteral("LibRaw cannot %1 this raw file (%2)")
        .arg(QString::fromLatin1(what), QString::fromLatin1(libraw_strerror(code)));
}

void noteDataError(void* flag, const char*, const int) {
    *static_cast<bool*>(flag) = true;
}
void ignoreMemoryError(void*, const char*, const char*) {}

// `damaged` is set by LibRaw's data-error callback: a read past the end or corrupt data while unpacking.
ShotReadResult unpacked(LibRaw& p, bool& damaged) {
    const ShotMetadata metadata = metadataOf(p);
    if (!isBayer(p))
        return refuse(QStringLiteral("not a Bayer mosaic (LibRaw finds %1 colour channels and no 2x2 RGB "
                                     "pattern): X-Trans, Foveon, monochrome and demosaiced raw files cannot "
                                     "be measured")
                          .arg(p.imgdata.idata.colors));
    damaged = false; // only the pixel data matters here
    if (const int rc = p.unpack(); rc != LIBRAW_SUCCESS)
        return fromThumbnail(p, libRawError("unpack", rc), metadata);
    if (damaged)
        return refuse(
            QStringLiteral("the raw file is truncated or damaged: LibRaw found its data cut short"));
    if (p.imgdata.color.maximum <= p.imgdata.color.black)
        return refuse(QStringLiteral("the raw file gives no usable white level"));
    auto plane = greenPlane(p, *greenLayout(p));
    if (!plane)
        return fromThumbnail(p, QStringLiteral("this raw file holds no Bayer mosaic LibRaw can give"),
                             metadata);
    Shot shot;
    shot.linear = std::move(*plane);
    shot.sensorPixelsPerPixel = 2;
    shot.raw = true;
    shot.sensorWidthPx = p.imgdata.sizes.width;
    shot.metadata = metadata;
    return {std::move(shot), {}};
}

} // namespace

ShotReadResult read(const QByteArray& data) {
    auto p = std::make_unique<LibRaw>();
    bool damaged = false;
    p->set_dataerror_handler(noteDataError, &damaged);
    p->set_memerror_handler(ignoreMemoryError, nullptr);
    if (const int rc = p->open_buffer(const_cast<char*>(data.constData()), std::size_t(data.size()));
        rc != LIBRAW_SUCCESS) {
        const QByteArray preview = jpeg::largestEmbedded(data);
        if (preview.isEmpty())
            return refuse(libRawError("open", rc));
        return fromPreview(preview, libRawError("open", rc), nullptr, 0);
    }
    const auto& s = p->imgdata.sizes;
    if (qint64(s.raw_width) * s.raw_height > image::maxPixels)
        return refuse(QStringLiteral("the raw image is too large: %1 x %2 photosites (at most %3 megapixels)")
                          .arg(s.raw_width)
                          .arg(s.raw_height)
                          .arg(image::maxPixels / 1'000'000));
    return unpacked(*p, damaged);
}

} // namespace lensdock::raw
