#include "CatalogueLookup.h"

#include "online/FileIO.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "online/ResourcePaths.h"

#include <condition_variable>
#include <mutex>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lensdock::cli {

// Receives the one report of a download on the network thread and hands it to the waiting caller.
struct CatalogueLookup::Download : NetworkInterfaceNotificationDelegate {
    explicit Download(NetworkFileType expected) : type(expected) {}

    void fileDownloadCompleted(NetworkFileType reported, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error) override {
        std::lock_guard lock(mutex);
        if (reported != type || done)
            return;
        done = true;
        this->data = data;
        this->error = error;
        finished.notify_all();
    }

    bool wait(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex);
        return finished.wait_for(lock, bound, [this] { return done; });
    }

    const NetworkFileType type;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<QByteArray> data;
    std::optional<NetworkError> error;
};

namespace {
QString describe(const NetworkError& error) {
    return error.description.isEmpty() ? error.domain : error.description;
}

QString localCopyPath(const FileIO& store, const QString& relativePath) {
    const auto directory = store.lensDirectory();
    if (!directory)
        return {};
    return *directory + QLatin1Char('/') + QFileInfo(relativePath).fileName();
}

void storeLocalCopy(const FileIO& store, const QString& relativePath, const QByteArray& data) {
    const QString path = localCopyPath(store, relativePath);
    QSaveFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return; // only a cache: the command goes on without it
    file.commit();
}

std::optional<QByteArray> readLocalCopy(const FileIO& store, const QString& relativePath) {
    QFile file(localCopyPath(store, relativePath));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the bound: the size of a device or a pipe put in its place says nothing.
    QByteArray bytes = file.read(ModelInfoParser::maxCatalogueBytes + 1);
    if (bytes.size() > ModelInfoParser::maxCatalogueBytes)
        return std::nullopt;
    return bytes;
}
} // namespace

CatalogueLookup::CatalogueLookup(NetworkInterface& network, std::chrono::milliseconds bound, FileIO store)
    : network_(network), bound_(bound), store_(std::move(store)) {}

std::optional<Failure> CatalogueLookup::checkReachable() const {
    if (network_.isNetworkReachable())
        return std::nullopt;
    return Failure{ExitCode::network,
                   QStringLiteral("the download host %1 is not reachable").arg(network_.host().host())};
}

std::optional<QByteArray> CatalogueLookup::fetch(NetworkFileType type, const std::function<bool()>& start,
                                                 Failure& failure) {
    auto download = std::make_shared<Download>(type);
    network_.setNotificationDelegate(download);
    start(); // a refused download is reported to the listener too
    const bool finished = download->wait(bound_);
    network_.setNotificationDelegate(nullptr);
    std::lock_guard lock(download->mutex);
    if (finished && download->data)
        return download->data;
    const QString reason =
        !finished ? QStringLiteral("no answer in time") : describe(download->error.value_or(NetworkError{}));
    failure = Failure{ExitCode::network, reason};
    return std::nullopt;
}

CatalogueLookup::Outcome<AdapterModelInfo> CatalogueLookup::adapterCatalogue() {
    Failure failure;
    const auto data = fetch(
        NetworkFileType::adapterModelsInfo, [this] { return network_.downloadAdapterModelsInfo(); }, failure);
    if (!data) {
        failure.message = QStringLiteral("adapter catalogue download failed: ") + failure.message;
        return {std::nullopt, failure};
    }
    const auto parsed = ModelInfoParser::parseAdapterModelsInfo(*data, AdapterModelInfo(), {});
    if (!parsed.record)
        return {std::nullopt,
                Failure{ExitCode::network, QStringLiteral("the adapter catalogue is malformed")}};
    return {parsed.record, std::nullopt};
}

CatalogueLookup::Outcome<LensModelInfo> CatalogueLookup::lensCatalogue(const LensInfo& lens, int mountInfo,
                                                                       bool allowLocalCopy) {
    const QString suffix = ResourcePaths::mountSuffix(mountInfo);
    const auto relativePath = ResourcePaths::lensModelsInfo(lens.modelCode, suffix);
    Failure failure;
    auto data = fetch(
        NetworkFileType::lensModelsInfo,
        [&] { return network_.downloadLensModelsInfo(lens.modelCode, suffix); }, failure);
    if (data && relativePath)
        storeLocalCopy(store_, *relativePath, *data);
    if (!data && allowLocalCopy && relativePath)
        data = readLocalCopy(store_, *relativePath);
    if (!data) {
        failure.message = QStringLiteral("lens catalogue download failed: ") + failure.message;
        return {std::nullopt, failure};
    }
    const ModelInfoParseOptions options{QStringLiteral("Main"), true, lens.lensKind};
    const auto parsed = ModelInfoParser::parseLensModelsInfo(*data, LensModelInfo(), options);
    if (!parsed.record)
        return {std::nullopt, Failure{ExitCode::network, QStringLiteral("the lens catalogue is malformed")}};
    return {parsed.record, std::nullopt};
}

} // namespace lensdock::cli
