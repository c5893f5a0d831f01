#include "Commands.h"
#include "session/SettingsLibrary.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace lensdock::cli {

namespace {
QJsonArray entriesJson(const QList<SettingsLibrary::Entry>& entries, const QString& nameKey) {
    QJsonArray array;
    for (const auto& entry : entries)
        array.append(QJsonObject{{nameKey, entry.name},
                                 {QStringLiteral("time"), entry.time.toString(Qt::ISODate)},
                                 {QStringLiteral("path"), entry.path}});
    return array;
}

QString timeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The lens's identity only: the library is kept per lens.
std::optional<Failure> connectLens(CommandEnv& env) {
    if (auto failure = env.device.connect(DeviceFlows::Scope::lens))
        return failure;
    env.device.terminate();
    return std::nullopt;
}

// A path as given, else a file name among the lens's backups.
std::optional<QString> findBackup(const SettingsLibrary& library, const LensInfo& lens,
                                  const QString& given) {
    if (QFileInfo(given).isFile())
        return given;
    for (const auto& entry : library.backups(lens))
        if (QFileInfo(entry.path).fileName() == given || QFileInfo(entry.path).completeBaseName() == given)
            return entry.path;
    return std::nullopt;
}

std::optional<Failure> listProfiles(CommandEnv& env, const SettingsLibrary& library, const LensInfo& lens) {
    const auto profiles = library.profiles(lens);
    if (profiles.isEmpty())
        env.out.lines({QStringLiteral("No profiles for lens %1 (%2).").arg(lens.modelCode, lens.serialCode)});
    for (const auto& entry : profiles)
        env.out.lines({QStringLiteral("%1  %2").arg(timeText(entry.time), entry.name)});
    env.out.set(QStringLiteral("profiles"), entriesJson(profiles, QStringLiteral("name")));
    return std::nullopt;
}

std::optional<Failure> saveProfile(CommandEnv& env, const SettingsLibrary& library, const QString& name) {
    const LensInfo lens = env.context.lensInfo().get();
    const auto held = env.context.lensSettings().get();
    if (!held)
        return Failure{ExitCode::device, QStringLiteral("the lens's settings could not be read")};
    QString error;
    const auto path = library.saveProfile(name, *held, lens, &error);
    if (!path)
        return Failure{ExitCode::file, QStringLiteral("cannot save profile \"%1\": %2").arg(name, error)};
    env.out.lines({QStringLiteral("Saved profile \"%1\" in %2").arg(name, *path)});
    env.out.set(QStringLiteral("path"), *path);
    return std::nullopt;
}
} // namespace

std::optional<Failure> runBackups(CommandEnv& env) {
    if (auto failure = connectLens(env))
        return failure;
    const LensInfo lens = env.context.lensInfo().get();
    const auto backups = SettingsLibrary(env.options.store()).backups(lens);
    if (backups.isEmpty())
        env.out.lines({QStringLiteral("No backups for lens %1 (%2).").arg(lens.modelCode, lens.serialCode)});
    for (const auto& entry : backups)
        env.out.lines(
            {QStringLiteral("%1  %2  %3")
                 .arg(timeText(entry.time), entry.name.leftJustified(15), QFileInfo(entry.path).fileName())});
    env.out.set(QStringLiteral("backups"), entriesJson(backups, QStringLiteral("reason")));
    return std::nullopt;
}

std::optional<Failure> runRestore(CommandEnv& env) {
    if (auto failure = connectForWrite(env))
        return failure;
    const QString given = env.options.arguments.value(0);
    const auto path = findBackup(SettingsLibrary(env.options.store()), env.context.lensInfo().get(), given);
    if (!path)
        return Failure{ExitCode::file,
                       QStringLiteral("no backup \"%1\" of this lens (see backups)").arg(given)};
    return applyFile(env, *path, BackupReason::restore);
}

std::optional<Failure> runProfile(CommandEnv& env) {
    const QString action = env.options.arguments.value(0);
    const QString name = env.options.arguments.value(1);
    if (auto failure = action == QStringLiteral("list") ? connectLens(env) : connectForWrite(env))
        return failure;
    const SettingsLibrary library(env.options.store());
    const LensInfo lens = env.context.lensInfo().get();
    if (action == QStringLiteral("list"))
        return listProfiles(env, library, lens);
    if (action == QStringLiteral("save"))
        return saveProfile(env, library, name);
    const auto profile = library.profile(lens, name);
    if (!profile)
        return Failure{ExitCode::file, QStringLiteral("no profile \"%1\" for this lens").arg(name)};
    if (action == QStringLiteral("apply"))
        return applyFile(env, profile->path, BackupReason::profile);
    QString error;
    if (!library.deleteProfile(lens, name, &error))
        return Failure{ExitCode::file, QStringLiteral("cannot delete profile \"%1\": %2").arg(name, error)};
    env.out.lines({QStringLiteral("Deleted profile \"%1\".").arg(name)});
    return std::nullopt;
}

} // namespace lensdock::cli
