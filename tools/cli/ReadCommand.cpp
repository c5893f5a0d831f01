#include "adjust/AdjustDataFile.h"
#include "adjust/SettingsReport.h"
#include "Commands.h"

namespace lensdock::cli {

namespace {
std::optional<Failure> save(const LensAdjustData& data, const LensInfo& lens, const QString& requested,
                            QString& savedPath) {
    savedPath = AdjustDataFile::withExtension(requested);
    const auto outcome =
        AdjustDataFile::saveFile(data, savedPath, lens.modelCode, lens.firmwareVersion, lens);
    if (outcome.saved)
        return std::nullopt;
    const QString reason = outcome.error.value_or(QStringLiteral("the lens's model code or firmware version "
                                                                 "is not four characters"));
    return Failure{ExitCode::file, QStringLiteral("cannot save %1: %2").arg(savedPath, reason)};
}
} // namespace

std::optional<Failure> runRead(CommandEnv& env) {
    if (auto failure = env.device.connect(DeviceFlows::Scope::lens))
        return failure;
    env.device.terminate();
    if (!env.device.settingsRead())
        return Failure{ExitCode::device, QStringLiteral("the lens's settings could not be read")};
    const LensInfo lens = env.context.lensInfo().get();
    const LensAdjustData data = env.context.currentAdjustData().get();
    QString savedPath;
    if (!env.options.output.isEmpty())
        if (auto failure = save(data, lens, env.options.output, savedPath))
            return failure;
    env.out.lines({QStringLiteral("Lens %1, serial number %2, firmware version %3")
                       .arg(lens.modelCode, lens.serialCode, lens.firmwareVersion)});
    env.out.lines(SettingsReport::text(data, lens));
    if (!savedPath.isEmpty())
        env.out.lines({QStringLiteral("Saved to %1").arg(savedPath)});
    env.out.set(QStringLiteral("modelCode"), lens.modelCode);
    env.out.set(QStringLiteral("serialNumber"), lens.serialCode);
    env.out.set(QStringLiteral("firmwareVersion"), lens.firmwareVersion);
    env.out.set(QStringLiteral("settings"), SettingsReport::json(data, lens));
    if (!savedPath.isEmpty())
        env.out.set(QStringLiteral("savedTo"), savedPath);
    return std::nullopt;
}

} // namespace lensdock::cli
