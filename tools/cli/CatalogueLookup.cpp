#include "CatalogueLookup.h"

#include "DeviceFlows.h"
#include "online/LensCatalogueCopy.h"
#include "online/ModelInfoParser.h"
#include "online/ResourcePaths.h"
#include "session/ReportRelay.h"

namespace lensdock::cli {

namespace {
template <typename Record> CatalogueLookup::Outcome<Record> failed(const QString& message) {
    return {std::nullopt, Failure{ExitCode::network, message}};
}
} // namespace

CatalogueLookup::CatalogueLookup(AppContext& context, FileIO store)
    : network_(context.networkInterface()), bound_(context.options().networkLimits.downloadFileTimeout),
      store_(std::move(store)) {}

std::optional<Failure> CatalogueLookup::checkReachable() const {
    if (network_.isNetworkReachable())
        return std::nullopt;
    const DownloadHost& host = network_.host();
    if (host.isFolder())
        return Failure{ExitCode::network,
                       QStringLiteral("the download folder %1 cannot be read").arg(host.folder())};
    return Failure{ExitCode::network,
                   QStringLiteral("the download host %1 is not reachable").arg(host.host())};
}

// The download's one report reaches this thread the way it reaches the flows: relayed.
std::optional<QByteArray> CatalogueLookup::fetch(NetworkFileType type, const std::function<bool()>& start,
                                                 Failure& failure) {
    QObject receiver; // reports still queued for it go with it
    const auto relay = std::make_shared<ReportRelay>(&receiver);
    bool done = false;
    std::optional<QByteArray> data;
    std::optional<NetworkError> error;
    network_.setNotificationDelegate(std::make_shared<RelayedDownloads>(
        relay, [&](NetworkFileType reported, const std::optional<QByteArray>& bytes,
                   const std::optional<NetworkError>& reason) {
            if (reported != type || done)
                return;
            done = true;
            data = bytes;
            error = reason;
        }));
    start(); // a refused download is reported to the listener too
    const bool finished = DeviceFlows::runUntil([&] { return done; }, bound_);
    network_.setNotificationDelegate(nullptr);
    relay->close();
    if (finished && data)
        return data;
    const NetworkError reason = error.value_or(NetworkError{});
    failure = Failure{ExitCode::network, !finished                      ? QStringLiteral("no answer in time")
                                         : reason.description.isEmpty() ? reason.domain
                                                                        : reason.description};
    return std::nullopt;
}

CatalogueLookup::Outcome<AdapterModelInfo> CatalogueLookup::adapterCatalogue() {
    Failure failure;
    const auto data = fetch(
        NetworkFileType::adapterModelsInfo, [this] { return network_.downloadAdapterModelsInfo(); }, failure);
    if (!data)
        return failed<AdapterModelInfo>(QStringLiteral("dock catalogue download failed: ") + failure.message);
    const auto parsed = ModelInfoParser::parseAdapterModelsInfo(*data, AdapterModelInfo(), {});
    if (!parsed.record)
        return failed<AdapterModelInfo>(QStringLiteral("the dock catalogue is malformed"));
    return {parsed.record, std::nullopt};
}

CatalogueLookup::Outcome<LensModelInfo> CatalogueLookup::lensCatalogue(const LensInfo& lens, int mountInfo,
                                                                       bool allowLocalCopy) {
    const QString suffix = ResourcePaths::mountSuffix(mountInfo);
    const LensCatalogueCopy copy(store_);
    Failure failure;
    auto data = fetch(
        NetworkFileType::lensModelsInfo,
        [&] { return network_.downloadLensModelsInfo(lens.modelCode, suffix); }, failure);
    if (data)
        copy.store(*data); // only a cache: the command goes on without it
    else if (allowLocalCopy)
        data = copy.stored();
    if (!data)
        return failed<LensModelInfo>(QStringLiteral("lens catalogue download failed: ") + failure.message);
    const ModelInfoParseOptions options{QStringLiteral("Main"), true, lens.lensKind};
    const auto parsed = ModelInfoParser::parseLensModelsInfo(*data, LensModelInfo(), options);
    if (!parsed.record)
        return failed<LensModelInfo>(QStringLiteral("the lens catalogue is malformed"));
    return {parsed.record, std::nullopt};
}

} // namespace lensdock::cli
