#include "session/SettingsLibrary.h"

#include "adjust/AdjustDataFile.h"
#include "base/Logger.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

namespace lensdock {

namespace {
const QString backupsDir = QStringLiteral("backups");
const QString profilesDir = QStringLiteral("profiles");
const QString timePattern = QStringLiteral("yyyyMMdd-HHmmss-zzz");
// Longest file name made for a profile, in bytes, well below every file system's limit.
constexpr int fileNameLimit = 200;

QString suffix() {
    return QStringLiteral(".") + QLatin1String(AdjustDataFile::extension);
}

// Characters kept as they are in a profile's file name; everything else is percent-encoded, so that
// no name can make a path, a hidden file or a name another file system refuses.
bool keptInFileName(QChar c, bool first, bool last) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return false;
    if ((first || last) && c == QLatin1Char(' '))
        return false;
    if (first && c == QLatin1Char('.'))
        return false;
    return !QStringLiteral("%/\\:*?\"<>|").contains(c);
}

// Every byte of the character's UTF-8 as %XX, including those URL encoding leaves alone.
QString percentEncoded(QChar c) {
    QString encoded;
    for (const char byte : QString(c).toUtf8())
        encoded += QStringLiteral("%%1").arg(quint8(byte), 2, 16, QLatin1Char('0')).toUpper();
    return encoded;
}

QList<QFileInfo> settingsFiles(const QString& folder) {
    return QDir(folder).entryInfoList({QStringLiteral("*") + suffix()}, QDir::Files, QDir::Name);
}

// The backups made at `time` (whatever their reason).
QStringList backupAt(const QString& folder, const QDateTime& time) {
    return QDir(folder).entryList({time.toString(timePattern) + QStringLiteral("_*")}, QDir::Files);
}

} // namespace

SettingsLibrary::SettingsLibrary(FileIO store, std::function<QDateTime()> now)
    : store_(std::move(store)), now_(std::move(now)) {}

QString SettingsLibrary::reasonName(BackupReason reason) {
    switch (reason) {
    case BackupReason::apply:
        return QStringLiteral("apply");
    case BackupReason::factory:
        return QStringLiteral("factory");
    case BackupReason::profile:
        return QStringLiteral("profile");
    case BackupReason::restore:
        return QStringLiteral("restore");
    case BackupReason::firmwareUpdate:
        return QStringLiteral("firmware-update");
    }
    return QStringLiteral("apply");
}

QString SettingsLibrary::lensFolderName(const LensInfo& lens) {
    QString name;
    for (const QChar c : lens.modelCode + QLatin1Char('-') + lens.serialCode)
        name += (c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return name;
}

std::optional<QString> SettingsLibrary::folder(const LensInfo& lens, const QString& kind,
                                               QString* error) const {
    std::optional<QString> path = store_.settingsDirectory();
    if (path)
        path = FileIO::folderIn(*path, lensFolderName(lens));
    if (path)
        path = FileIO::folderIn(*path, kind);
    if (!path && error)
        *error = QStringLiteral("the folder for this lens's settings cannot be created");
    return path;
}

std::optional<QString> SettingsLibrary::writeFile(const LensAdjustData& data, const LensInfo& lens,
                                                  const QString& path, QString* error) const {
    const auto outcome = AdjustDataFile::saveFile(data, path, lens.modelCode, lens.firmwareVersion, lens);
    if (outcome.saved)
        return path;
    if (error)
        *error = QStringLiteral("%1: %2").arg(
            path, outcome.error.value_or(QStringLiteral("the lens's model code or firmware version is not "
                                                        "four characters")));
    return std::nullopt;
}

std::optional<QString> SettingsLibrary::backUp(const LensAdjustData& held, const LensInfo& lens,
                                               BackupReason reason, QString* error) const {
    const auto backups = folder(lens, backupsDir, error);
    if (!backups)
        return std::nullopt;
    // Named by time, so that the names sort as the backups were made; two in one millisecond
    // take the next free one.
    QDateTime when = now_();
    const auto pathAt = [&](const QDateTime& time) {
        return *backups + QLatin1Char('/') + time.toString(timePattern) + QLatin1Char('_') +
               reasonName(reason) + suffix();
    };
    QString path = pathAt(when);
    while (!backupAt(*backups, when).isEmpty())
        path = pathAt(when = when.addMSecs(1));
    const auto written = writeFile(held, lens, path, error);
    if (written) {
        Logger::trace(QStringLiteral("File"), QStringLiteral("Backup ") + path);
        prune(*backups);
    }
    return written;
}

void SettingsLibrary::prune(const QString& folder) const {
    const QList<QFileInfo> files = settingsFiles(folder);
    for (qsizetype i = 0; i + backupsKept < files.size(); ++i) {
        if (const auto failure = store_.removeFile(files.at(i).filePath()))
            Logger::error(QStringLiteral("File"), *failure);
    }
}

QString SettingsLibrary::timeText(const QDateTime& time) {
    const QLocale locale;
    QString clock = locale.timeFormat(QLocale::ShortFormat);
    if (!clock.contains(QLatin1Char('s')))
        clock.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(time.time(), clock);
}

std::optional<SettingsLibrary::Entry> SettingsLibrary::backup(const LensInfo& lens,
                                                              const QString& path) const {
    for (const Entry& entry : backups(lens))
        if (QFileInfo(entry.path) == QFileInfo(path))
            return entry;
    return std::nullopt;
}

QList<SettingsLibrary::Entry> SettingsLibrary::backups(const LensInfo& lens) const {
    QList<Entry> entries;
    const auto backups = folder(lens, backupsDir, nullptr);
    if (!backups)
        return entries;
    for (const QFileInfo& file : settingsFiles(*backups)) {
        const QString stem = file.completeBaseName();
        const qsizetype split = stem.indexOf(QLatin1Char('_'));
        const QDateTime time = QDateTime::fromString(stem.left(split), timePattern);
        if (split < 0 || !time.isValid())
            continue; // not a backup this program made
        entries.prepend(Entry{file.filePath(), stem.mid(split + 1), time});
    }
    return entries;
}

std::optional<QString> SettingsLibrary::profileFileName(const QString& name, QString* error) {
    const QString normal = name.normalized(QString::NormalizationForm_C);
    const auto refuse = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (normal.trimmed().isEmpty())
        return refuse(QStringLiteral("a profile needs a name"));
    if (normal.size() > profileNameLimit)
        return refuse(QStringLiteral("a profile's name has at most %1 characters").arg(profileNameLimit));
    QString file;
    for (qsizetype i = 0; i < normal.size(); ++i) {
        const QChar c = normal.at(i);
        if (keptInFileName(c, i == 0, i + 1 == normal.size()) && !c.isSurrogate())
            file += c;
        else if (c.isHighSurrogate() && i + 1 < normal.size())
            file += normal.mid(i++, 2);
        else
            file += percentEncoded(c);
    }
    file += suffix();
    if (file.toUtf8().size() > fileNameLimit)
        return refuse(QStringLiteral("the profile's name is too long"));
    return file;
}

std::optional<QString> SettingsLibrary::saveProfile(const QString& name, const LensAdjustData& data,
                                                    const LensInfo& lens, QString* error) const {
    const auto fileName = profileFileName(name, error);
    if (!fileName)
        return std::nullopt;
    const QString normal = name.normalized(QString::NormalizationForm_C);
    for (const Entry& existing : profiles(lens)) {
        if (existing.name != normal && existing.name.compare(normal, Qt::CaseInsensitive) == 0) {
            if (error)
                *error = QStringLiteral("a profile named \"%1\" exists; names that differ only in case are "
                                        "not told apart")
                             .arg(existing.name);
            return std::nullopt;
        }
    }
    const auto profiles = folder(lens, profilesDir, error);
    if (!profiles)
        return std::nullopt;
    return writeFile(data, lens, *profiles + QLatin1Char('/') + *fileName, error);
}

QList<SettingsLibrary::Entry> SettingsLibrary::profiles(const LensInfo& lens) const {
    QList<Entry> entries;
    const auto profiles = folder(lens, profilesDir, nullptr);
    if (!profiles)
        return entries;
    for (const QFileInfo& file : settingsFiles(*profiles)) {
        const QString stem = file.fileName().chopped(suffix().size());
        entries << Entry{file.filePath(), QUrl::fromPercentEncoding(stem.toUtf8()), file.lastModified()};
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return QString::localeAwareCompare(a.name, b.name) < 0; });
    return entries;
}

std::optional<SettingsLibrary::Entry> SettingsLibrary::profile(const LensInfo& lens,
                                                               const QString& name) const {
    const QString normal = name.normalized(QString::NormalizationForm_C);
    for (const Entry& entry : profiles(lens))
        if (entry.name == normal)
            return entry;
    return std::nullopt;
}

bool SettingsLibrary::renameProfile(const LensInfo& lens, const QString& from, const QString& to,
                                    QString* error) const {
    const auto existing = profile(lens, from);
    if (!existing) {
        if (error)
            *error = QStringLiteral("there is no profile named \"%1\"").arg(from);
        return false;
    }
    const auto fileName = profileFileName(to, error);
    if (!fileName)
        return false;
    const QString target = QFileInfo(existing->path).dir().filePath(*fileName);
    for (const Entry& other : profiles(lens)) {
        if (other.path != existing->path && other.name.compare(to, Qt::CaseInsensitive) == 0) {
            if (error)
                *error = QStringLiteral("a profile named \"%1\" exists").arg(other.name);
            return false;
        }
    }
    if (target == existing->path || QFile::rename(existing->path, target))
        return true;
    if (error)
        *error = QStringLiteral("%1 cannot be renamed").arg(existing->path);
    return false;
}

bool SettingsLibrary::deleteProfile(const LensInfo& lens, const QString& name, QString* error) const {
    const auto existing = profile(lens, name);
    if (!existing) {
        if (error)
            *error = QStringLiteral("there is no profile named \"%1\"").arg(name);
        return false;
    }
    if (const auto failure = store_.removeFile(existing->path)) {
        if (error)
            *error = *failure;
        return false;
    }
    return true;
}

} // namespace lensdock
