#include "adjust/AdjustDataFile.h"
#include "adjust/SettingsReport.h"
#include "Commands.h"

namespace lensdock::cli {

namespace {
Failure openFailure(const QString& path, const AdjustDataFile::OpenOutcome& outcome, const LensInfo& lens) {
    switch (outcome.result) {
    case AdjustFileOpenResult::osError:
        return {ExitCode::file,
                QStringLiteral("cannot read %1: %2").arg(path, outcome.error.value_or(QString()))};
    case AdjustFileOpenResult::valueError:
        return {ExitCode::file, QStringLiteral("%1 holds a value that is not a whole number").arg(path)};
    case AdjustFileOpenResult::modelMismatch: {
        LensAdjustData scratch;
        const QString fileModel = AdjustDataFile::loadFile(path, scratch).modelCode;
        return {ExitCode::file, QStringLiteral("%1 is for lens model %2, the mounted lens is %3")
                                    .arg(path, fileModel, lens.modelCode)};
    }
    default:
        break;
    }
    if (!AdjustDataFile::hasExtension(path))
        return {ExitCode::file, QStringLiteral("%1 is not an adjust-data file (.vlad)").arg(path)};
    return {ExitCode::file, QStringLiteral("%1 is not a valid adjust-data file").arg(path)};
}

// A file that cannot be used fails before the lens is touched; the model is matched once connected.
std::optional<Failure> checkFileFirst(const QString& path) {
    if (!AdjustDataFile::hasExtension(path))
        return Failure{ExitCode::file, QStringLiteral("%1 is not an adjust-data file (.vlad)").arg(path)};
    LensAdjustData scratch;
    const auto outcome = AdjustDataFile::openOutcomeOf(AdjustDataFile::loadFile(path, scratch));
    if (outcome.result == AdjustFileOpenResult::success)
        return std::nullopt;
    return openFailure(path, outcome, LensInfo());
}

// A write still follows when nothing changes (it is read back like any other): the text says so.
void printDifferences(CommandEnv& env, const LensAdjustData& lensData, const LensAdjustData& target,
                      const LensInfo& lens) {
    const QStringList lines = SettingsReport::differenceText(lensData, target, lens);
    if (lines.isEmpty() && env.options.dryRun)
        env.out.lines({QStringLiteral("The lens already holds these settings.")});
    else if (lines.isEmpty())
        env.out.lines({QStringLiteral("The lens already holds these settings; they are written again.")});
    else
        env.out.lines(QStringList{QStringLiteral("Changes (lens -> new):")} + lines);
    env.out.set(QStringLiteral("changes"), SettingsReport::differenceJson(lensData, target, lens));
}

// Writes `target`, reads it back and compares; the common end of apply and factory reset.
std::optional<Failure> writeAndVerify(CommandEnv& env, const LensAdjustData& target, const QString& question,
                                      bool restoreFactory, BackupReason reason) {
    const auto failure = env.device.write(target, question, restoreFactory, reason);
    const auto readBack = env.device.lastReadBack();
    const auto backup = env.device.lastBackup();
    env.device.terminate();
    if (backup) {
        env.out.lines({QStringLiteral("The lens's previous settings are backed up in %1").arg(*backup)});
        env.out.set(QStringLiteral("backup"), *backup);
    }
    if (failure && failure->code == ExitCode::verify && readBack)
        env.out.set(QStringLiteral("mismatch"),
                    SettingsReport::differenceJson(target, *readBack, env.context.lensInfo().get()));
    if (failure)
        return failure;
    env.out.lines({QStringLiteral("Written and verified.")});
    env.out.set(QStringLiteral("written"), true);
    return std::nullopt;
}

} // namespace

std::optional<Failure> connectForWrite(CommandEnv& env) {
    if (auto failure = env.device.connect(DeviceFlows::Scope::lens))
        return failure;
    if (!env.device.settingsRead())
        return Failure{ExitCode::device, QStringLiteral("the lens's settings could not be read")};
    return std::nullopt;
}

std::optional<Failure> runApply(CommandEnv& env) {
    const QString path = env.options.arguments.value(0);
    if (auto failure = checkFileFirst(path))
        return failure;
    if (auto failure = connectForWrite(env))
        return failure;
    return applyFile(env, path, BackupReason::apply);
}

std::optional<Failure> applyFile(CommandEnv& env, const QString& path, BackupReason reason) {
    if (auto failure = checkFileFirst(path))
        return failure;
    const LensInfo lens = env.context.lensInfo().get();
    const LensAdjustData lensData = env.context.currentAdjustData().get();
    LensAdjustData target = lensData;
    const auto opened =
        AdjustDataFile::openIntoEditor(path, lens, env.context.defaultAdjustData().get(), target);
    if (opened.result != AdjustFileOpenResult::success)
        return openFailure(path, opened, lens);
    printDifferences(env, lensData, target, lens);
    env.out.set(QStringLiteral("dryRun"), env.options.dryRun);
    if (env.options.dryRun) {
        env.out.set(QStringLiteral("written"), false);
        return std::nullopt;
    }
    return writeAndVerify(env, target, QStringLiteral("Write these settings to lens %1?").arg(lens.modelCode),
                          false, reason);
}

std::optional<Failure> runFactoryReset(CommandEnv& env) {
    if (auto failure = env.device.connect(DeviceFlows::Scope::lens))
        return failure;
    const LensInfo lens = env.context.lensInfo().get();
    const LensAdjustData factory = env.context.defaultAdjustData().get();
    // Unreadable settings are a reason to reset, not a reason to refuse it.
    if (env.device.settingsRead())
        printDifferences(env, env.context.currentAdjustData().get(), factory, lens);
    return writeAndVerify(env, factory,
                          QStringLiteral("Restore the factory settings of lens %1?").arg(lens.modelCode),
                          true, BackupReason::factory);
}

} // namespace lensdock::cli
