#include "calibration/ShotReader.h"

#include "calibration/ImageDecoder.h"
#include "calibration/RawDecoder.h"

#include <exception>
#include <QFile>
#include <QFileInfo>

namespace lensdock {

namespace {

// Larger files are refused before they are read into memory.
constexpr qint64 maxFileBytes = qint64(1) << 30;

bool isRawSuffix(const QString& suffix) {
    static const QStringList suffixes{"dng", "nef", "nrw", "cr2", "cr3", "crw", "arw", "srf", "sr2", "raf",
                                      "orf", "rw2", "rwl", "pef", "srw", "3fr", "iiq", "erf", "kdc", "mos"};
    return suffixes.contains(suffix);
}

QString notThisFormat(const QString& suffix) {
    if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe")
        return QStringLiteral("not a JPEG file: it does not begin with a JPEG marker (a text or other "
                              "file named .%1?)")
            .arg(suffix);
    return QStringLiteral("unknown format: neither a JPEG, PNG or TIFF image nor a camera raw file (.dng, "
                          ".nef, .cr2, .cr3, .arw, .raf, .orf, .rw2, .pef, .srw)");
}

ShotReadResult decode(const QByteArray& data, const QString& fileName) {
    if (data.isEmpty())
        return {std::nullopt, QStringLiteral("the file is empty")};
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (isRawSuffix(suffix))
        return raw::read(data);
    const QByteArray format = image::sniff(data);
    if (format.isEmpty())
        return {std::nullopt, notThisFormat(suffix)};
    return image::read(data, format);
}

} // namespace

ShotReadResult ShotReader::readData(const QByteArray& data, const QString& fileName) {
    // Decoders may run out of memory on a hostile file; that is a reason too, never an escape.
    try {
        return decode(data, fileName);
    } catch (const std::exception& e) {
        return {std::nullopt,
                QStringLiteral("cannot read the shot: %1").arg(QString::fromLocal8Bit(e.what()))};
    } catch (...) {
        return {std::nullopt, QStringLiteral("cannot read the shot: unexpected decoder failure")};
    }
}

ShotReadResult ShotReader::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot open the file: %1").arg(file.errorString())};
    if (file.size() > maxFileBytes)
        return {std::nullopt, QStringLiteral("the file is too large: %1 MB (at most %2 MB)")
                                  .arg(file.size() >> 20)
                                  .arg(maxFileBytes >> 20)};
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, QStringLiteral("cannot read the file: %1").arg(file.errorString())};
    return readData(data, path);
}

} // namespace lensdock
