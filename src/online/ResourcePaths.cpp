#include "online/ResourcePaths.h"

#include <algorithm>
#include <QStringList>

namespace lensdock {

namespace {

bool isNameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_');
}

bool isNamePiece(const QString& text) {
    return !text.isEmpty() && text.size() <= ResourcePaths::maxNameLength &&
           std::all_of(text.begin(), text.end(), isNameCharacter);
}

std::optional<QString> refuse(QString* refusal, const QString& what, const QString& value) {
    if (refusal)
        *refusal = QStringLiteral("Refused %1 \"%2\": only up to %3 ASCII letters, digits, '-' and '_' "
                                  "are allowed")
                       .arg(what, ResourcePaths::printable(value.left(ResourcePaths::maxNameLength + 1)),
                            QString::number(ResourcePaths::maxNameLength));
    return std::nullopt;
}

std::optional<QString> lensResource(const QString& prefix, const QString& modelCode,
                                    const QString& mountSuffix, const QString& extension, QString* refusal) {
    if (!ResourcePaths::isSafeModelCode(modelCode))
        return refuse(refusal, QStringLiteral("model code"), modelCode);
    if (!ResourcePaths::isSafeMountSuffix(mountSuffix))
        return refuse(refusal, QStringLiteral("mount suffix"), mountSuffix);
    return ResourcePaths::lensDir + QLatin1Char('/') + prefix + modelCode + mountSuffix + extension;
}

std::optional<QString> firmwareIn(const QString& dir, const QString& fileName, QString* refusal) {
    if (!ResourcePaths::isSafeFileName(fileName))
        return refuse(refusal, QStringLiteral("firmware file name"), fileName);
    return dir + QLatin1Char('/') + fileName;
}

} // namespace

QString ResourcePaths::mountSuffix(int mountInfo) {
    switch (mountInfo) {
    case 1:
        return QStringLiteral("E0");
    case 2:
        return QStringLiteral("N0");
    case 3:
        return QStringLiteral("S0");
    default:
        return {};
    }
}

QString ResourcePaths::adapterModelsInfo() {
    return adapterDir + QLatin1Char('/') + adapterModelsInfoURLPrefix + xmlExtension;
}

std::optional<QString> ResourcePaths::lensModelsInfo(const QString& modelCode, const QString& mountSuffix,
                                                     QString* refusal) {
    return lensResource(lensModelsInfoURLPrefix, modelCode, mountSuffix, xmlExtension, refusal);
}

std::optional<QString> ResourcePaths::lensImage(const QString& modelCode, const QString& mountSuffix,
                                                QString* refusal) {
    return lensResource(lensImageURLPrefix, modelCode, mountSuffix, imageExtension, refusal);
}

std::optional<QString> ResourcePaths::focusAdjustmentImage(const QString& modelCode, QString* refusal) {
    return lensResource(focusAdjustmentURLPrefix, modelCode, QString(), imageExtension, refusal);
}

std::optional<QString> ResourcePaths::focusLimitImage(const QString& modelCode, QString* refusal) {
    return lensResource(focusLimitURLPrefix, modelCode, QString(), imageExtension, refusal);
}

std::optional<QString> ResourcePaths::adapterFirmware(const QString& fileName, QString* refusal) {
    return firmwareIn(adapterDir, fileName, refusal);
}

std::optional<QString> ResourcePaths::lensFirmware(const QString& fileName, QString* refusal) {
    return firmwareIn(lensDir, fileName, refusal);
}

bool ResourcePaths::isSafeModelCode(const QString& modelCode) {
    return isNamePiece(modelCode);
}

bool ResourcePaths::isSafeMountSuffix(const QString& mountSuffix) {
    return mountSuffix.isEmpty() || isNamePiece(mountSuffix);
}

bool ResourcePaths::isSafeFileName(const QString& fileName) {
    if (fileName.size() > maxNameLength)
        return false;
    const QStringList pieces = fileName.split(QLatin1Char('.'));
    return std::all_of(pieces.begin(), pieces.end(), isNamePiece);
}

bool ResourcePaths::isSafeRelativePath(const QString& path) {
    const QStringList names = path.split(QLatin1Char('/'));
    return std::all_of(names.begin(), names.end(), isSafeFileName);
}

QString ResourcePaths::printable(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(" !\"#$&'()*+,/:;<=>?@[\\]^`{|}~"));
}

} // namespace lensdock
