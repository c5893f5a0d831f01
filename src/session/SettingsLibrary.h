#pragma once

#include "adjust/LensAdjustData.h"
#include "link/LensInfo.h"
#include "online/FileIO.h"

#include <functional>
#include <optional>
#include <QDateTime>
#include <QList>
#include <QString>

namespace lensdock {

// Why a backup of the lens's settings was made: the action about to change them.
enum class BackupReason { apply, factory, profile, restore, firmwareUpdate };

// The lens's settings kept on this computer, one folder per lens (model code and serial number):
// automatic backups made before anything changes the lens, the newest `backupsKept` of them, and
// profiles the user names (one per camera body, say). Every entry is an ordinary settings file,
// written whole or not at all.
class SettingsLibrary {
public:
    static constexpr int backupsKept = 50;
    static constexpr int profileNameLimit = 100; // characters

    struct Entry {
        QString path;
        QString name; // the profile's name, or the backup's reason
        QDateTime time;
    };

    explicit SettingsLibrary(FileIO store, std::function<QDateTime()> now = &QDateTime::currentDateTime);

    // Saves `held` (what the lens holds now) as a new backup and prunes the oldest beyond
    // backupsKept. Its path, or nothing with the reason in `error`.
    std::optional<QString> backUp(const LensAdjustData& held, const LensInfo& lens, BackupReason reason,
                                  QString* error) const;
    // Newest first.
    QList<Entry> backups(const LensInfo& lens) const;

    // Saves `data` as the profile `name`, replacing a profile of exactly that name. Refused: an
    // empty or overlong name, or one that differs from an existing profile's only in case.
    std::optional<QString> saveProfile(const QString& name, const LensAdjustData& data, const LensInfo& lens,
                                       QString* error) const;
    // By name.
    QList<Entry> profiles(const LensInfo& lens) const;
    std::optional<Entry> profile(const LensInfo& lens, const QString& name) const;
    bool renameProfile(const LensInfo& lens, const QString& from, const QString& to, QString* error) const;
    bool deleteProfile(const LensInfo& lens, const QString& name, QString* error) const;

    static QString reasonName(BackupReason reason);
    // An entry's time as the user's locale writes it, with seconds: two backups a moment apart differ.
    static QString timeText(const QDateTime& time);
    // The entry of `path` among this lens's backups, when it is one.
    std::optional<Entry> backup(const LensInfo& lens, const QString& path) const;
    // The file name (without folder) that holds the profile `name`, or nothing with the reason.
    static std::optional<QString> profileFileName(const QString& name, QString* error);
    // The folder name for a lens: its model code and serial number, only letters and digits kept.
    static QString lensFolderName(const LensInfo& lens);

private:
    std::optional<QString> folder(const LensInfo& lens, const QString& kind, QString* error) const;
    std::optional<QString> writeFile(const LensAdjustData& data, const LensInfo& lens, const QString& path,
                                     QString* error) const;
    void prune(const QString& folder) const;

    FileIO store_;
    std::function<QDateTime()> now_;
};

} // namespace lensdock
