#include "calibration/ShotWriter.h"

#include "calibration/ExifWriter.h"
#include "calibration/JpegStructure.h"
#include "calibration/SrgbCurve.h"
#include "calibration/TiffBuilder.h"

#include <cmath>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <QtEndian>

namespace lensdock {

namespace {

enum Tag : std::uint16_t {
    NewSubFileType = 254,
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    Photometric = 262,
    Make = 271,
    Model = 272,
    Orientation = 274,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    PlanarConfiguration = 284,
    CfaRepeatPatternDim = 33421,
    CfaPattern = 33422,
    FNumber = 33437,
    DateTimeOriginal = 36867,
    FocalLength = 37386,
    FocalLength35mm = 41989,
    BodySerialNumber = 42033,
    DngVersion = 50706,
    DngBackwardVersion = 50707,
    UniqueCameraModel = 50708,
    CfaPlaneColor = 50710,
    CfaLayout = 50711,
    BlackLevel = 50714,
    WhiteLevel = 50717,
    ColorMatrix1 = 50721,
    AsShotNeutral = 50728,
    CalibrationIlluminant1 = 50778,
};
constexpr std::uint16_t photometricBlackIsZero = 1, photometricCfa = 32803, illuminantD65 = 21;

bool fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return false;
}

std::uint16_t encode16(float linear) {
    return std::uint16_t(std::lround(srgb::fromLinear(linear) * 65535));
}

QImage gray8(const cv::Mat1f& linear) {
    QImage image(linear.cols, linear.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < linear.rows; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < linear.cols; ++x)
            line[x] = uchar(std::lround(srgb::fromLinear(linear(y, x)) * 255));
    }
    return image;
}

QImage gray16(const cv::Mat1f& linear) {
    QImage image(linear.cols, linear.rows, QImage::Format_Grayscale16);
    for (int y = 0; y < linear.rows; ++y) {
        auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
        for (int x = 0; x < linear.cols; ++x)
            line[x] = encode16(linear(y, x));
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

bool save(const QString& path, const QByteArray& bytes, QString* error) {
    if (bytes.isEmpty())
        return fail(error, QStringLiteral("the image could not be encoded"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

// 16-bit little-endian samples, row after row.
template <typename Sample> QByteArray samples16(const cv::Mat_<Sample>& image, auto convert) {
    QByteArray bytes(qsizetype(image.total()) * 2, Qt::Uninitialized);
    auto* out = bytes.data();
    for (int y = 0; y < image.rows; ++y)
        for (int x = 0; x < image.cols; ++x, out += 2)
            qToLittleEndian(std::uint16_t(convert(image(y, x))), out);
    return bytes;
}

void addImageTags(TiffBuilder& tiff, int width, int height, std::uint16_t photometric) {
    tiff.addLongs(TiffBuilder::Main, ImageWidth, {std::uint32_t(width)});
    tiff.addLongs(TiffBuilder::Main, ImageLength, {std::uint32_t(height)});
    tiff.addShorts(TiffBuilder::Main, BitsPerSample, {16});
    tiff.addShorts(TiffBuilder::Main, Compression, {1});
    tiff.addShorts(TiffBuilder::Main, Photometric, {photometric});
    tiff.addShorts(TiffBuilder::Main, Orientation, {1});
    tiff.addShorts(TiffBuilder::Main, SamplesPerPixel, {1});
    tiff.addLongs(TiffBuilder::Main, RowsPerStrip, {std::uint32_t(height)});
    tiff.addShorts(TiffBuilder::Main, PlanarConfiguration, {1});
}

void addMetadata(TiffBuilder& tiff, const ShotMetadata& m) {
    if (!m.make.isEmpty())
        tiff.addAscii(TiffBuilder::Main, Make, m.make.toLatin1());
    if (!m.model.isEmpty())
        tiff.addAscii(TiffBuilder::Main, Model, m.model.toLatin1());
    if (m.focalLength_mm)
        tiff.addRationals(TiffBuilder::Exif, FocalLength, {*m.focalLength_mm});
    if (m.fNumber)
        tiff.addRationals(TiffBuilder::Exif, FNumber, {*m.fNumber});
    if (m.focalLength35mm_mm)
        tiff.addShorts(TiffBuilder::Exif, FocalLength35mm,
                       {std::uint16_t(std::clamp(std::lround(*m.focalLength35mm_mm), 0L, 65535L))});
    if (!m.bodySerial.isEmpty())
        tiff.addAscii(TiffBuilder::Exif, BodySerialNumber, m.bodySerial.toLatin1());
    if (m.taken.isValid())
        tiff.addAscii(TiffBuilder::Exif, DateTimeOriginal,
                      m.taken.toString("yyyy:MM:dd HH:mm:ss").toLatin1());
}

// The colour tags a DNG reader needs: the mosaic is rendered as if the camera's primaries were sRGB's,
// so the XYZ (D65) to camera matrix is sRGB's own, and the white balance neutral.
void addDngColour(TiffBuilder& tiff, const ShotMetadata& m) {
    const QByteArray make = m.make.isEmpty() ? QByteArray("Unknown") : m.make.toLatin1();
    tiff.addBytes(TiffBuilder::Main, DngVersion, {1, 4, 0, 0});
    tiff.addBytes(TiffBuilder::Main, DngBackwardVersion, {1, 1, 0, 0});
    tiff.addAscii(TiffBuilder::Main, UniqueCameraModel, (make + ' ' + m.model.toLatin1()).trimmed());
    tiff.addShorts(TiffBuilder::Main, CfaRepeatPatternDim, {2, 2});
    tiff.addBytes(TiffBuilder::Main, CfaPattern, {0, 1, 1, 2});
    tiff.addBytes(TiffBuilder::Main, CfaPlaneColor, {0, 1, 2});
    tiff.addShorts(TiffBuilder::Main, CfaLayout, {1});
    tiff.addSignedRationals(TiffBuilder::Main, ColorMatrix1,
                            {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570});
    tiff.addShorts(TiffBuilder::Main, CalibrationIlluminant1, {illuminantD65});
    tiff.addRationals(TiffBuilder::Main, AsShotNeutral, {1, 1, 1});
}

} // namespace

QByteArray ShotWriter::jpegData(const cv::Mat1f& linear, const ShotMetadata& metadata, int quality) {
    if (linear.empty() || linear.cols > 65535 || linear.rows > 65535)
        return {};
    const QByteArray jpeg = encoded(gray8(linear), "jpeg", quality);
    const QByteArray exif = exif::payload(metadata);
    return jpeg.isEmpty() || exif.isEmpty() ? jpeg : jpeg::withApp1(jpeg, exif);
}

bool ShotWriter::writeJpeg(const QString& path, const cv::Mat1f& linear, const ShotMetadata& metadata,
                           int quality, QString* error) {
    return save(path, jpegData(linear, metadata, quality), error);
}

bool ShotWriter::writePng(const QString& path, const cv::Mat1f& linear, QString* error) {
    if (linear.empty())
        return fail(error, QStringLiteral("the image is empty"));
    return save(path, encoded(gray16(linear), "png", -1), error);
}

bool ShotWriter::writeTiff(const QString& path, const cv::Mat1f& linear, const ShotMetadata& metadata,
                           QString* error) {
    if (linear.empty())
        return fail(error, QStringLiteral("the image is empty"));
    TiffBuilder tiff;
    addImageTags(tiff, linear.cols, linear.rows, photometricBlackIsZero);
    addMetadata(tiff, metadata);
    return save(path, tiff.build(samples16(linear, encode16)), error);
}

bool ShotWriter::writeDng(const QString& path, const cv::Mat1w& mosaic, int whiteLevel, int blackLevel,
                          const ShotMetadata& metadata, QString* error) {
    if (mosaic.empty())
        return fail(error, QStringLiteral("the mosaic is empty"));
    if (blackLevel < 0 || whiteLevel <= blackLevel || whiteLevel > 65535)
        return fail(error, QStringLiteral("black level %1 and white level %2 do not fit 16 bits")
                               .arg(blackLevel)
                               .arg(whiteLevel));
    TiffBuilder tiff;
    tiff.addLongs(TiffBuilder::Main, NewSubFileType, {0});
    addImageTags(tiff, mosaic.cols, mosaic.rows, photometricCfa);
    addMetadata(tiff, metadata);
    addDngColour(tiff, metadata);
    tiff.addLongs(TiffBuilder::Main, BlackLevel, {std::uint32_t(blackLevel)});
    tiff.addLongs(TiffBuilder::Main, WhiteLevel, {std::uint32_t(whiteLevel)});
    return save(path, tiff.build(samples16(mosaic, [](ushort v) { return v; })), error);
}

} // namespace lensdock
