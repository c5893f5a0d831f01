#include "ui/LensFileStore.h"

#include "base/Logger.h"
#include "online/LensCatalogueCopy.h"
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
    return LensCatalogueCopy(fileIO_).store(xml);
}

std::optional<QByteArray> LensFileStore::storedCatalogue() const {
    return LensCatalogueCopy(fileIO_).stored();
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
