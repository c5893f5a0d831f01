#include "calibration/ImageDecoder.h"

#include "calibration/ExifReader.h"
#include "calibration/JpegStructure.h"
#include "calibration/SrgbCurve.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace lensdock::image {

namespace {

// Rec. 709 luminance of linear-light channels.
constexpr float wr = 0.2126f, wg = 0.7152f, wb = 0.0722f;

cv::Mat1f gray8(const QImage& image) {
    const auto& lut = srgb::linear8();
    cv::Mat1f out(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            out(y, x) = lut[line[x]];
    }
    return out;
}

cv::Mat1f gray16(const QImage& image) {
    const auto& lut = srgb::linear16();
    cv::Mat1f out(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint16*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out(y, x) = lut[line[x]];
    }
    return out;
}

cv::Mat1f rgb8(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const auto& lut = srgb::linear8();
    cv::Mat1f out(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out(y, x) = wr * lut[qRed(line[x])] + wg * lut[qGreen(line[x])] + wb * lut[qBlue(line[x])];
    }
    return out;
}

cv::Mat1f rgb16(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGBX64);
    const auto& lut = srgb::linear16();
    cv::Mat1f out(image.height(), image.width());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out(y, x) = wr * lut[line[x].red()] + wg * lut[line[x].green()] + wb * lut[line[x].blue()];
    }
    return out;
}

cv::Mat1f luminance(const QImage& image) {
    if (image.format() == QImage::Format_Grayscale8)
        return gray8(image);
    if (image.format() == QImage::Format_Grayscale16)
        return gray16(image);
    return image.pixelFormat().redSize() > 8 ? rgb16(image) : rgb8(image);
}

ShotMetadata metadataOf(const QByteArray& data, const QByteArray& format, int widthPx) {
    if (format == "jpeg")
        return exif::read(jpeg::exifPayload(data), widthPx);
    if (format == "tiff") // libexif reads a TIFF structure behind the APP1 header, within 64 KB
        return exif::read(QByteArray("Exif\0\0", 6) + data.left(0xFFF0), widthPx);
    return {};
}

ShotReadResult refuse(const QString& reason) {
    return {std::nullopt, reason};
}

} // namespace

QByteArray sniff(const QByteArray& data) {
    if (data.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (data.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    if (data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4)))
        return "tiff";
    return {};
}

ShotReadResult read(const QByteArray& data, const QByteArray& format) {
    // Qt decodes a cut-short JPEG without complaint, filling the rest grey: that must not be measured.
    if (format == "jpeg" && jpeg::endOf(data) < 0)
        return refuse(QStringLiteral("truncated or damaged JPEG: the image data ends before its end marker"));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return refuse(
            QStringLiteral("cannot decode the %1 image: %2").arg(format.toUpper(), reader.errorString()));
    if (qint64(size.width()) * size.height() > maxPixels)
        return refuse(QStringLiteral("the image is too large: %1 x %2 pixels (at most %3 megapixels)")
                          .arg(size.width())
                          .arg(size.height())
                          .arg(maxPixels / 1'000'000));
    // Room for 16-bit RGBA, the widest format decoded, beyond Qt's default limit.
    reader.setAllocationLimit(int(qint64(size.width()) * size.height() * 8 / (1024 * 1024) + 1));
    const QImage image = reader.read();
    if (image.isNull())
        return refuse(
            QStringLiteral("cannot decode the %1 image: %2").arg(format.toUpper(), reader.errorString()));
    Shot shot;
    shot.linear = luminance(image);
    shot.sensorWidthPx = image.width();
    shot.metadata = metadataOf(data, format, image.width());
    return {std::move(shot), {}};
}

} // namespace lensdock::image
