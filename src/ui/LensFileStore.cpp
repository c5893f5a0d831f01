#include "ui/LensFileStore.h"

#include "link/Logger.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterface.h"
#include "ui/BuiltInPictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lensdock {

namespace {
QString downloadPathOf(NetworkFileType type) {
    switch (type) {
    case NetworkFileType::lensModelsInfo:
        return NetworkInterface::lensModelsInfoPath();
    case NetworkFileType::lensImage:
        return NetworkInterface::lensImagePath();
    case NetworkFileType::focusAdjustmentImage:
        return NetworkInterface::focusAdjustmentImagePath();
    default:
        return NetworkInterface::focusLimitImagePath();
    }
}

void logCannotStore(const QString& path) {
    Logger::error(QStringLiteral("File"), QStringLiteral("Cannot store ") + path);
}
} // namespace

std::optional<QString> LensFileStore::pathOf(NetworkFileType type) const {
    const QString name = QFileInfo(downloadPathOf(type)).fileName();
    const auto directory = fileIO_.lensDirectory();
    if (!directory || name.isEmpty())
        return std::nullopt;
    return QDir(*directory).filePath(name);
}

bool LensFileStore::storeCatalogue(const QByteArray& xml) const {
    const auto path = pathOf(NetworkFileType::lensModelsInfo);
    if (!path)
        return false;
    QSaveFile file(*path);
    if (file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size() && file.commit())
        return true;
    logCannotStore(*path);
    return false;
}

std::optional<QByteArray> LensFileStore::storedCatalogue() const {
    const auto path = pathOf(NetworkFileType::lensModelsInfo);
    QFile file(path.value_or(QString()));
    if (!path || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte past the bound tells an oversized copy (or a device put in its place) without reading it all.
    QByteArray bytes = file.read(ModelInfoParser::maxCatalogueBytes + 1);
    if (bytes.size() > ModelInfoParser::maxCatalogueBytes) {
        Logger::error(QStringLiteral("Init"), QStringLiteral("Stored catalogue too large: ") + *path);
        return std::nullopt;
    }
    return bytes;
}

QImage LensFileStore::picture(NetworkFileType type, const std::optional<QByteArray>& downloaded) const {
    const auto path = pathOf(type);
    const QImage image = downloaded ? QImage::fromData(*downloaded) : QImage();
    if (image.isNull())
        return path ? QImage(*path) : QImage();
    if (path && !image.save(*path, "PNG"))
        logCannotStore(*path);
    return image;
}

QImage LensFileStore::builtInPicture(NetworkFileType type) {
    if (type == NetworkFileType::lensImage)
        return BuiltInPictures::lensImage();
    if (type == NetworkFileType::focusAdjustmentImage)
        return BuiltInPictures::focusAdjustment();
    return BuiltInPictures::focusLimit();
}

} // namespace lensdock
