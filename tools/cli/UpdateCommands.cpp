#include "CatalogueLookup.h"
#include "Commands.h"
#include "firmware/UpdateJob.h"
#include "InterruptGuard.h"
#include "online/FirmwareVersionCheck.h"
#include "online/ResourcePaths.h"
#include "UpdateProgress.h"

#include <algorithm>
#include <QJsonObject>
#include <unistd.h>

namespace lensdock::cli {

namespace {
struct VersionCheck {
    QString device;
    QString current;
    QString latest;
    bool available = false;
};

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
                 isAdapterUpdateOffered(current, catalogue.record->latestVersion, true)});
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
struct UpdatePlan {
    QString deviceName;
    QString current;
    QString version;
    QString decodeKey;
    bool adapter = false;
    bool available = false;
    QString mountSuffix;
    QString modelCode;
};

std::optional<Failure> planAdapterUpdate(CommandEnv& env, CatalogueLookup& lookup, UpdatePlan& plan) {
    const auto catalogue = lookup.adapterCatalogue();
    if (!catalogue.record)
        return catalogue.failure;
    plan.deviceName = QStringLiteral("Adapter");
    plan.adapter = true;
    plan.current = env.context.adapterBasicInfo().get().fwVersion;
    plan.version = catalogue.record->latestVersion;
    plan.decodeKey = catalogue.record->decodeKey;
    plan.available = isAdapterUpdateOffered(plan.current, plan.version, true);
    return std::nullopt;
}

std::optional<Failure> planLensUpdate(CommandEnv& env, CatalogueLookup& lookup, UpdatePlan& plan) {
    const LensInfo lens = env.context.lensInfo().get();
    const int mount = env.context.adapterBasicInfo().get().mountInfo;
    const auto catalogue = lookup.lensCatalogue(lens, mount, false);
    if (!catalogue.record)
        return catalogue.failure;
    plan.deviceName = QStringLiteral("Lens");
    plan.current = lens.firmwareVersion;
    plan.version = catalogue.record->latestVersion;
    plan.decodeKey = catalogue.record->decodeKey;
    plan.available = isFirmwareUpdateAvailable(plan.current, plan.version);
    plan.mountSuffix = ResourcePaths::mountSuffix(mount);
    plan.modelCode = lens.modelCode;
    return std::nullopt;
}

// The update job's waits follow the tool's own ticks, so that tests can shorten them.
UpdateJobTimings jobTimings(const CommandEnv& env) {
    const AppOptions& app = env.context.options();
    const auto session = DeviceFlows::timingFor(app, env.options.lensWait);
    UpdateJobTimings timings;
    timings.pendingStatePoll = session.tick;
    timings.pendingStateBound = std::max(timings.pendingStateBound, session.exchangeBound);
    timings.transfer.exchangeBound = session.exchangeBound;
    timings.network = app.networkLimits;
    if (env.options.resetWait) {
        timings.transfer.adapterResetWait = *env.options.resetWait;
        timings.transfer.lensResetWait = std::min(*env.options.resetWait, timings.transfer.lensResetWait);
    }
    return timings;
}

// Generous: the job bounds every step itself and always reports; this only guards against a job
// that never does.
std::chrono::milliseconds jobBound(const UpdateJobTimings& timings) {
    return timings.network.downloadFirmwareTimeout + timings.pendingStateBound +
           timings.transfer.adapterResetWait + timings.transfer.exchangeBound * 8 + std::chrono::minutes(5);
}

std::optional<Failure> failureOf(FwErrorCode code, const UpdatePlan& plan) {
    const QString device = plan.deviceName.toLower();
    switch (code) {
    case FwErrorCode::resultOk:
        return std::nullopt;
    case FwErrorCode::errorNetwork:
        return Failure{ExitCode::network, QStringLiteral("the download host is not reachable")};
    case FwErrorCode::errorDownload:
        return Failure{ExitCode::network, QStringLiteral("the firmware download failed")};
    case FwErrorCode::errorUsbSerialRemoved:
        // An adapter that does not come back after its reset looks the same as one unplugged.
        return Failure{ExitCode::noAdapter,
                       plan.adapter ? QStringLiteral("the adapter was unplugged during the update or did not "
                                                     "come back after its reset")
                                    : QStringLiteral("the adapter was unplugged during the update")};
    case FwErrorCode::errorUsbSerialFailed:
        return Failure{ExitCode::device, QStringLiteral("the %1 did not accept the firmware").arg(device)};
    case FwErrorCode::errorInvalidKey:
        return Failure{ExitCode::update, QStringLiteral("the firmware could not be decoded: invalid key")};
    case FwErrorCode::errorInvalidFile:
    case FwErrorCode::errorCrc:
        return Failure{
            ExitCode::update,
            QStringLiteral("the firmware could not be decoded: wrong key or damaged file (code %1)")
                .arg(rawValue(code))};
    case FwErrorCode::errorVersion:
        return Failure{
            ExitCode::update,
            QStringLiteral("the %1 does not report version %2 after the update").arg(device, plan.version)};
    case FwErrorCode::errorWaitResetFailed:
        return Failure{ExitCode::update,
                       QStringLiteral("the %1 did not come back after its reset").arg(device)};
    case FwErrorCode::errorInput:
        break;
    }
    return Failure{ExitCode::update, QStringLiteral("the update failed (code %1)").arg(rawValue(code))};
}

std::optional<Failure> runUpdateJob(CommandEnv& env, const UpdatePlan& plan) {
    const bool text = !env.out.isJson();
    UpdateProgress progress(text ? stdout : nullptr, text && isatty(fileno(stdout)));
    const UpdateJobTimings timings = jobTimings(env);
    env.context.connectionThread().requestState(ApplicationState::firmwareUpdate);
    std::optional<FwErrorCode> result;
    {
        const InterruptGuard::Shield shield;
        UpdateJob job(env.context, progress, timings, env.options.store());
        if (plan.adapter)
            job.setAdapterUpdateInfo(plan.version, plan.decodeKey);
        else
            job.setLensUpdateInfo(plan.mountSuffix, plan.modelCode, plan.version, plan.decodeKey);
        job.start();
        result = progress.waitForResult(jobBound(timings));
    }
    if (!result)
        return Failure{ExitCode::update, QStringLiteral("the update did not finish in time")};
    if (auto failure = failureOf(*result, plan))
        return failure;
    const QString now = plan.adapter ? env.context.adapterBasicInfo().get().fwVersion
                                     : env.context.lensInfo().get().firmwareVersion;
    env.out.lines({QStringLiteral("%1 firmware updated to %2.").arg(plan.deviceName, now)});
    env.out.set(QStringLiteral("updated"), true);
    env.out.set(QStringLiteral("version"), now);
    return std::nullopt;
}
} // namespace

std::optional<Failure> runCheckUpdate(CommandEnv& env) {
    const QString target = env.options.arguments.value(0);
    CatalogueLookup lookup(env.context.networkInterface(), downloadBound(env), env.options.store());
    if (auto failure = lookup.checkReachable())
        return failure;
    const auto scope =
        target == QStringLiteral("adapter") ? DeviceFlows::Scope::adapter : DeviceFlows::Scope::lens;
    if (auto failure = env.device.connect(scope))
        return failure;
    env.device.terminate();
    if (target != QStringLiteral("lens"))
        if (auto failure = checkAdapter(env, lookup))
            return failure;
    if (target != QStringLiteral("adapter"))
        return checkLens(env, lookup);
    return std::nullopt;
}

std::optional<Failure> runUpdate(CommandEnv& env) {
    const bool adapter = env.options.arguments.value(0) == QStringLiteral("adapter");
    CatalogueLookup lookup(env.context.networkInterface(), downloadBound(env), env.options.store());
    if (auto failure = lookup.checkReachable())
        return failure;
    const auto scope = adapter ? DeviceFlows::Scope::adapter : DeviceFlows::Scope::lens;
    if (auto failure = env.device.connect(scope))
        return failure;
    UpdatePlan plan;
    if (auto failure = adapter ? planAdapterUpdate(env, lookup, plan) : planLensUpdate(env, lookup, plan))
        return failure;
    env.out.set(QStringLiteral("target"), adapter ? QStringLiteral("adapter") : QStringLiteral("lens"));
    env.out.set(QStringLiteral("from"), plan.current);
    env.out.set(QStringLiteral("latest"), plan.version);
    if (!plan.available) {
        env.out.lines({QStringLiteral("%1 firmware %2 is up to date (latest %3).")
                           .arg(plan.deviceName, plan.current, plan.version)});
        env.out.set(QStringLiteral("updated"), false);
        return std::nullopt;
    }
    env.out.lines({QStringLiteral("%1 firmware %2 -> %3").arg(plan.deviceName, plan.current, plan.version)});
    const QString question = QStringLiteral("Update the %1 now? Do not unplug the adapter or remove the lens "
                                            "until it is done.")
                                 .arg(plan.deviceName.toLower());
    if (!env.confirmation.ask(question))
        return Failure{ExitCode::cancelled, QStringLiteral("cancelled; nothing was changed")};
    if (auto loss = env.device.deviceLoss())
        return loss;
    return runUpdateJob(env, plan);
}

} // namespace lensdock::cli
