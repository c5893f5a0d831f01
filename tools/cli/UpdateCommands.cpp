#include "CatalogueLookup.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "firmware/UpdateJob.h"
#include "InterruptGuard.h"
#include "online/FirmwareVersionCheck.h"
#include "UpdateProgress.h"

#include <algorithm>
#include <QJsonObject>
#include <unistd.h>

namespace lensdock::cli {

namespace {
// One device's firmware against the latest its catalogue offers: what check-update reports and
// update installs.
struct Offer {
    bool adapter = false;
    QString current;
    bool available = false;
    // The adapter's update takes only the version and the key.
    LensUpdateRequest request;

    QString device() const { return adapter ? QStringLiteral("Dock") : QStringLiteral("Lens"); }
    // The --json key, kept from when the dock was called the adapter: scripts read it.
    QString jsonKey() const { return adapter ? QStringLiteral("adapter") : QStringLiteral("lens"); }
};

CatalogueLookup::Outcome<Offer> offerFor(CommandEnv& env, CatalogueLookup& lookup, bool adapter) {
    if (adapter) {
        const auto catalogue = lookup.adapterCatalogue();
        if (!catalogue.record)
            return {std::nullopt, catalogue.failure};
        const QString current = env.context.adapterBasicInfo().get().fwVersion;
        const LensUpdateRequest request{{}, {}, catalogue.record->latestVersion, catalogue.record->decodeKey};
        return {Offer{true, current, isAdapterUpdateOffered(current, request.version, true), request},
                std::nullopt};
    }
    const LensInfo lens = env.context.lensInfo().get();
    const auto catalogue = lookup.lensCatalogue(lens, env.context.adapterBasicInfo().get().mountInfo, false);
    if (!catalogue.record)
        return {std::nullopt, catalogue.failure};
    env.context.lensModelInfo().set(*catalogue.record);
    const LensUpdateRequest request = LensUpdateRequest::offeredIn(env.context);
    return {Offer{false, lens.firmwareVersion,
                  isFirmwareUpdateAvailable(lens.firmwareVersion, request.version), request},
            std::nullopt};
}

// The host is asked first: without it there is nothing to compare, and the devices are left alone.
std::optional<Failure> reachAndConnect(CommandEnv& env, CatalogueLookup& lookup, bool adapterOnly) {
    if (auto failure = lookup.checkReachable())
        return failure;
    return env.device.connect(adapterOnly ? DeviceFlows::Scope::adapter : DeviceFlows::Scope::lens);
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

std::optional<Failure> failureOf(FwErrorCode code, const Offer& offer) {
    const QString device = offer.device().toLower();
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
                       offer.adapter ? QStringLiteral("the dock was unplugged during the update or did not "
                                                      "come back after its reset")
                                     : QStringLiteral("the dock was unplugged during the update")};
    case FwErrorCode::errorRemovedAfterSend:
        return Failure{ExitCode::noAdapter,
                       QStringLiteral("the firmware was sent to the %1 completely, but the %1 did not come "
                                      "back with the new version; plug the dock in again and, if the %1 "
                                      "still reports its old version, update it again")
                           .arg(device)};
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
        return Failure{ExitCode::update, QStringLiteral("the %1 does not report version %2 after the update")
                                             .arg(device, offer.request.version)};
    case FwErrorCode::errorWaitResetFailed:
        return Failure{ExitCode::update,
                       QStringLiteral("the %1 did not come back after its reset").arg(device)};
    case FwErrorCode::errorInput:
        break;
    }
    return Failure{ExitCode::update, QStringLiteral("the update failed (code %1)").arg(rawValue(code))};
}

std::optional<Failure> runUpdateJob(CommandEnv& env, const Offer& offer) {
    const bool text = !env.out.isJson();
    UpdateProgress progress(text ? stdout : nullptr, text && isatty(fileno(stdout)));
    const UpdateJobTimings timings = jobTimings(env);
    env.context.connectionThread().requestState(ApplicationState::firmwareUpdate);
    std::optional<FwErrorCode> result;
    {
        const InterruptGuard::Shield shield;
        if (InterruptGuard::interrupted())
            return Failure{ExitCode::cancelled, QStringLiteral("interrupted before the update began")};
        UpdateJob job(env.context, progress, timings, env.options.store());
        const LensUpdateRequest& request = offer.request;
        if (offer.adapter)
            job.setAdapterUpdateInfo(request.version, request.decodeKey);
        else
            job.setLensUpdateInfo(request.mountSuffix, request.modelCode, request.version, request.decodeKey);
        job.start();
        result = progress.waitForResult(jobBound(timings));
    }
    if (!result)
        return Failure{ExitCode::update, QStringLiteral("the update did not finish in time")};
    if (auto failure = failureOf(*result, offer))
        return failure;
    const QString now = offer.adapter ? env.context.adapterBasicInfo().get().fwVersion
                                      : env.context.lensInfo().get().firmwareVersion;
    env.out.lines({QStringLiteral("%1 firmware updated to %2.").arg(offer.device(), now)});
    env.out.set(QStringLiteral("updated"), true);
    env.out.set(QStringLiteral("version"), now);
    return std::nullopt;
}
// The update leaves the lens with its factory settings: what it held is backed up first, and with
// --keep-settings written back afterwards.
std::optional<Failure> updateLensKeepingBackup(CommandEnv& env, const Offer& offer) {
    if (auto failure = env.device.backUpForUpdate())
        return failure;
    const auto backup = env.device.lastBackup();
    if (backup) {
        env.out.lines({QStringLiteral("The lens's settings are backed up in %1").arg(*backup)});
        env.out.set(QStringLiteral("backup"), *backup);
    }
    if (auto failure = runUpdateJob(env, offer))
        return failure;
    if (!env.options.keepSettings || !backup)
        return std::nullopt;
    if (auto failure = env.device.finishLensUpdate(true))
        return failure;
    env.out.lines({QStringLiteral("The settings from before the update are written back and verified.")});
    env.out.set(QStringLiteral("settingsKept"), true);
    return std::nullopt;
}
} // namespace

std::optional<Failure> runCheckUpdate(CommandEnv& env) {
    const QString target = env.options.arguments.value(0);
    CatalogueLookup lookup(env.context, env.options.store());
    if (auto failure = reachAndConnect(env, lookup, CommandHelp::namesDock(target)))
        return failure;
    env.device.terminate();
    for (const bool adapter : {true, false}) {
        if (!target.isEmpty() && adapter != CommandHelp::namesDock(target))
            continue; // a target names the one device to check
        const auto offer = offerFor(env, lookup, adapter);
        if (!offer.record)
            return offer.failure;
        const Offer& check = *offer.record;
        const QString& latest = check.request.version;
        env.out.lines(
            {QStringLiteral("%1 firmware %2, latest %3: %4")
                 .arg(check.device(), check.current, latest,
                      check.available ? QStringLiteral("update available") : QStringLiteral("up to date"))});
        env.out.set(check.jsonKey(), QJsonObject{{QStringLiteral("current"), check.current},
                                                 {QStringLiteral("latest"), latest},
                                                 {QStringLiteral("updateAvailable"), check.available}});
    }
    return std::nullopt;
}

std::optional<Failure> runUpdate(CommandEnv& env) {
    const bool adapter = CommandHelp::namesDock(env.options.arguments.value(0));
    CatalogueLookup lookup(env.context, env.options.store());
    if (auto failure = reachAndConnect(env, lookup, adapter))
        return failure;
    const auto found = offerFor(env, lookup, adapter);
    if (!found.record)
        return found.failure;
    const Offer& offer = *found.record;
    const QString& latest = offer.request.version;
    env.out.set(QStringLiteral("target"), offer.jsonKey());
    env.out.set(QStringLiteral("from"), offer.current);
    env.out.set(QStringLiteral("latest"), latest);
    if (!offer.available) {
        env.out.lines({QStringLiteral("%1 firmware %2 is up to date (latest %3).")
                           .arg(offer.device(), offer.current, latest)});
        env.out.set(QStringLiteral("updated"), false);
        return std::nullopt;
    }
    env.out.lines({QStringLiteral("%1 firmware %2 -> %3").arg(offer.device(), offer.current, latest)});
    const QString question = QStringLiteral("Update the %1 now? Do not unplug the dock or remove the lens "
                                            "until it is done.")
                                 .arg(offer.device().toLower());
    if (!env.confirmation.ask(question))
        return Failure{ExitCode::cancelled, QStringLiteral("cancelled; nothing was changed")};
    if (auto loss = env.device.deviceLoss())
        return loss;
    if (offer.adapter)
        return runUpdateJob(env, offer);
    return updateLensKeepingBackup(env, offer);
}

} // namespace lensdock::cli
