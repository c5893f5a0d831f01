#include "calibration/TiffBuilder.h"

#include <algorithm>
#include <cmath>
#include <QtEndian>

namespace lensdock {

namespace {

enum Type : std::uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SignedRational = 10 };
constexpr std::uint16_t StripOffsets = 273;
constexpr std::uint16_t StripByteCounts = 279;
constexpr std::uint16_t ExifPointer = 34665;
constexpr int Denominator = 10000;

void append16(QByteArray& out, std::uint16_t v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void append32(QByteArray& out, std::uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

QByteArray long32(std::uint32_t v) {
    QByteArray out;
    append32(out, v);
    return out;
}

std::uint32_t directorySize(std::size_t entries) {
    return std::uint32_t(2 + 12 * entries + 4);
}

std::uint32_t outOfLineSize(const auto& entries) {
    std::uint32_t size = 0;
    for (const auto& e : entries)
        if (e.value.size() > 4)
            size += std::uint32_t(e.value.size() + (e.value.size() & 1));
    return size;
}

} // namespace

void TiffBuilder::add(Directory dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                      const QByteArray& value) {
    (dir == Main ? main_ : exif_).push_back({tag, type, count, value});
}

void TiffBuilder::addBytes(Directory dir, std::uint16_t tag, const std::vector<std::uint8_t>& values) {
    add(dir, tag, Byte, std::uint32_t(values.size()),
        QByteArray(reinterpret_cast<const char*>(values.data()), qsizetype(values.size())));
}

void TiffBuilder::addAscii(Directory dir, std::uint16_t tag, const QByteArray& text) {
    QByteArray value = text;
    value.append('\0');
    add(dir, tag, Ascii, std::uint32_t(value.size()), value);
}

void TiffBuilder::addShorts(Directory dir, std::uint16_t tag, const std::vector<std::uint16_t>& values) {
    QByteArray value;
    for (auto v : values)
        append16(value, v);
    add(dir, tag, Short, std::uint32_t(values.size()), value);
}

void TiffBuilder::addLongs(Directory dir, std::uint16_t tag, const std::vector<std::uint32_t>& values) {
    QByteArray value;
    for (auto v : values)
        append32(value, v);
    add(dir, tag, Long, std::uint32_t(values.size()), value);
}

void TiffBuilder::addRationals(Directory dir, std::uint16_t tag, const std::vector<double>& values) {
    QByteArray value;
    for (double v : values) {
        append32(value, std::uint32_t(std::lround(std::max(v, 0.0) * Denominator)));
        append32(value, Denominator);
    }
    add(dir, tag, Rational, std::uint32_t(values.size()), value);
}

void TiffBuilder::addSignedRationals(Directory dir, std::uint16_t tag, const std::vector<double>& values) {
    QByteArray value;
    for (double v : values) {
        append32(value, std::uint32_t(std::int32_t(std::lround(v * Denominator))));
        append32(value, Denominator);
    }
    add(dir, tag, SignedRational, std::uint32_t(values.size()), value);
}

QByteArray TiffBuilder::directory(std::vector<Entry> entries, std::uint32_t at, QByteArray* outOfLine) {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    QByteArray out;
    append16(out, std::uint16_t(entries.size()));
    for (const auto& e : entries) {
        append16(out, e.tag);
        append16(out, e.type);
        append32(out, e.count);
        if (e.value.size() <= 4) {
            out.append(e.value);
            out.append(4 - e.value.size(), '\0');
            continue;
        }
        append32(out, at + std::uint32_t(outOfLine->size()));
        outOfLine->append(e.value);
        if (e.value.size() & 1)
            outOfLine->append('\0');
    }
    append32(out, 0); // no further directory
    return out;
}

QByteArray TiffBuilder::build(const QByteArray& pixels) const {
    auto main = main_;
    main.push_back({StripOffsets, Long, 1, long32(0)});
    main.push_back({StripByteCounts, Long, 1, long32(std::uint32_t(pixels.size()))});
    if (!exif_.empty())
        main.push_back({ExifPointer, Long, 1, long32(0)});

    const std::uint32_t mainAt = 8;
    const std::uint32_t exifAt = mainAt + directorySize(main.size());
    const std::uint32_t valuesAt = exifAt + (exif_.empty() ? 0 : directorySize(exif_.size()));
    const std::uint32_t pixelsAt = valuesAt + outOfLineSize(main) + outOfLineSize(exif_);
    for (auto& e : main) {
        if (e.tag == StripOffsets)
            e.value = long32(pixelsAt);
        else if (e.tag == ExifPointer)
            e.value = long32(exifAt);
    }

    QByteArray file("II*\0", 4);
    append32(file, mainAt);
    QByteArray values;
    file.append(directory(main, valuesAt, &values));
    if (!exif_.empty())
        file.append(directory(exif_, valuesAt, &values));
    file.append(values);
    file.append(pixels);
    return file;
}

} // namespace lensdock
