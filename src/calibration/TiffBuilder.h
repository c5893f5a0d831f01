#pragma once

#include <cstdint>
#include <QByteArray>
#include <vector>

namespace lensdock {

// Lays out a little-endian TIFF with one uncompressed strip: the main directory, an optional EXIF
// directory, then their values and the pixels. The directories come first, so that readers looking
// only at the start of the file (libexif reads at most 64 KB) still find them.
class TiffBuilder {
public:
    enum Directory { Main, Exif };

    void addBytes(Directory dir, std::uint16_t tag, const std::vector<std::uint8_t>& values);
    void addAscii(Directory dir, std::uint16_t tag, const QByteArray& text);
    void addShorts(Directory dir, std::uint16_t tag, const std::vector<std::uint16_t>& values);
    void addLongs(Directory dir, std::uint16_t tag, const std::vector<std::uint32_t>& values);
    void addRationals(Directory dir, std::uint16_t tag, const std::vector<double>& values);
    void addSignedRationals(Directory dir, std::uint16_t tag, const std::vector<double>& values);

    // The whole file; adds StripOffsets, StripByteCounts and the EXIF pointer itself.
    QByteArray build(const QByteArray& pixels) const;

private:
    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        QByteArray value;
    };
    void add(Directory dir, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
             const QByteArray& value);
    static QByteArray directory(std::vector<Entry> entries, std::uint32_t at, QByteArray* outOfLine);

    std::vector<Entry> main_;
    std::vector<Entry> exif_;
};

} // namespace lensdock
