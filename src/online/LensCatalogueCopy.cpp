#include "online/LensCatalogueCopy.h"

#include "base/Logger.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lensdock {

std::optional<QString> LensCatalogueCopy::path() const {
    const QString name = QFileInfo(NetworkInterface::lensModelsInfoPath()).fileName();
    const auto directory = fileIO_.lensDirectory();
    if (!directory || name.isEmpty())
        return std::nullopt;
    return QDir(*directory).filePath(name);
}

bool LensCatalogueCopy::store(const QByteArray& xml) const {
    const auto target = path();
    if (!target)
        return false;
    QSaveFile file(*target);
    if (file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size() && file.commit())
        return true;
    Logger::error(QStringLiteral("File"), QStringLiteral("Cannot store ") + *target);
    return false;
}

std::optional<QByteArray> LensCatalogueCopy::stored() const {
    const auto source = path();
    QFile file(source.value_or(QString()));
    if (!source || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte past the bound tells an oversized copy (or a device put in its place) without reading it all.
    QByteArray bytes = file.read(ModelInfoParser::maxCatalogueBytes + 1);
    if (bytes.size() > ModelInfoParser::maxCatalogueBytes) {
        Logger::error(QStringLiteral("Init"), QStringLiteral("Stored catalogue too large: ") + *source);
        return std::nullopt;
    }
    return bytes;
}

} // namespace lensdock
