#include "ui/lens/AdjustFileFolder.h"

#include "adjust/AdjustDataFile.h"

#include <memory>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace lensdock {

namespace {
const QString folderKey = QStringLiteral("files/lastFolder");

// The file the download host setting is read from as well: ~/.config/lensdock/lensdock.conf.
std::unique_ptr<QSettings> openSettings(const std::optional<QString>& file) {
    if (file)
        return std::make_unique<QSettings>(*file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("lensdock"), QStringLiteral("lensdock"));
}

// A documents folder that was never made (common for root, fresh accounts) would let the dialog
// fall back to the working directory: the home folder is the better start.
QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
} // namespace

AdjustFileFolder::AdjustFileFolder(std::optional<QString> settingsFile)
    : settingsFile_(std::move(settingsFile)) {}

QString AdjustFileFolder::start() const {
    const QString remembered = openSettings(settingsFile_)->value(folderKey).toString();
    // A folder that has gone since (a removed stick, a deleted project) is no place to start.
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    return documentsFolder();
}

void AdjustFileFolder::remember(const QString& filePath) const {
    if (filePath.isEmpty())
        return;
    openSettings(settingsFile_)->setValue(folderKey, QFileInfo(filePath).absolutePath());
}

QString AdjustFileFolder::proposedName(const QString& modelCode, const QDate& date) {
    QString code = modelCode.trimmed();
    for (QChar& c : code) {
        const bool safe = c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
                          c == QLatin1Char(' ') || c == QLatin1Char('.');
        if (!safe)
            c = QLatin1Char('_');
    }
    // A name starting with a dot would be hidden.
    while (code.startsWith(QLatin1Char('.')))
        code.remove(0, 1);
    const QString day = date.toString(Qt::ISODate);
    const QString stem = code.isEmpty() ? day : code + QLatin1Char(' ') + day;
    return stem + QLatin1Char('.') + QLatin1String(AdjustDataFile::extension);
}

} // namespace lensdock
