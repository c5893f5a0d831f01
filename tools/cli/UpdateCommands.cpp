#include "CatalogueLookup.h"
#include "Commands.h"
#include "online/FirmwareVersionCheck.h"

#include <QJsonObject>

namespace lensdock::cli {

namespace {
struct VersionCheck {
    QString device;
    QString current;
    QString latest;
    bool available = false;
};

// An adapter reporting "ff" has no valid firmware; otherwise the leading two digits decide. Every run
// of the tool is a first identification, so the numeric comparison always applies.
bool adapterUpdateAvailable(const QString& current, const QString& latest) {
    if (current.toUtf8().size() != 4 || latest.toUtf8().size() != 4)
        return false;
    return current.startsWith(QStringLiteral("ff")) || isFirmwareUpdateAvailable(current, latest);
}

void report(CommandEnv& env, const VersionCheck& check) {
    const QString verdict =
        check.available ? QStringLiteral("update available") : QStringLiteral("up to date");
    env.out.lines({QStringLiteral("%1 firmware %2, latest %3: %4")
                       .arg(check.device, check.current, check.latest, verdict)});
    env.out.set(check.device.toLower(), QJsonObject{{QStringLiteral("current"), check.current},
                                                    {QStringLiteral("latest"), check.latest},
                                                    {QStringLiteral("updateAvailable"), check.available}});
}

std::chrono::milliseconds downloadBound(const CommandEnv& env) {
    return env.context.options().networkLimits.downloadFileTimeout;
}

std::optional<Failure> checkAdapter(CommandEnv& env, CatalogueLookup& lookup) {
    const auto catalogue = lookup.adapterCatalogue();
    if (!catalogue.record)
        return catalogue.failure;
    const QString current = env.context.adapterBasicInfo().get().fwVersion;
    report(env, {QStringLiteral("Adapter"), current, catalogue.record->latestVersion,
                 adapterUpdateAvailable(current, catalogue.record->latestVersion)});
    return std::nullopt;
}

std::optional<Failure> checkLens(CommandEnv& env, CatalogueLookup& lookup) {
    const LensInfo lens = env.context.lensInfo().get();
    const int mount = env.context.adapterBasicInfo().get().mountInfo;
    const auto catalogue = lookup.lensCatalogue(lens, mount, false);
    if (!catalogue.record)
        return catalogue.failure;
    report(env, {QStringLiteral("Lens"), lens.firmwareVersion, catalogue.record->latestVersion,
                 isFirmwareUpdateAvailable(lens.firmwareVersion, catalogue.record->latestVersion)});
    return std::nullopt;
}
} // namespace

std::optional<Failure> runCheckUpdate(CommandEnv& env) {
    const QString target = env.options.arguments.value(0);
    CatalogueLookup lookup(env.context.networkInterface(), downloadBound(env));
    if (auto failure = lookup.checkReachable())
        return failure;
    const auto scope =
        target == QStringLiteral("adapter") ? DeviceSession::Scope::adapter : DeviceSession::Scope::lens;
    if (auto failure = env.session.connect(env.context, scope))
        return failure;
    env.session.terminate();
    if (target != QStringLiteral("lens"))
        if (auto failure = checkAdapter(env, lookup))
            return failure;
    if (target != QStringLiteral("adapter"))
        return checkLens(env, lookup);
    return std::nullopt;
}

std::optional<Failure> runUpdate(CommandEnv&) {
    return Failure{ExitCode::update, QStringLiteral("update is not available yet in this build")};
}

} // namespace lensdock::cli
