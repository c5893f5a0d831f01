#include "online/NetworkInterface.h"

#include "base/Logger.h"
#include "online/FolderSource.h"
#include "online/HostLookup.h"
#include "online/NetworkInterfaceDelegate.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "online/ReplyWatch.h"
#include "online/ResourcePaths.h"

#include <algorithm>
#include <array>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace lensdock {

namespace {

const QString logTag = QStringLiteral("Network");

enum RecordedPath { lensModelsInfoSlot, lensImageSlot, focusAdjustmentImageSlot, focusLimitImageSlot };

struct RecordedPaths {
    std::mutex mutex;
    std::array<QString, 4> paths;
};

RecordedPaths& recordedPaths() {
    static RecordedPaths instance;
    return instance;
}

void recordPath(RecordedPath slot, const QString& path) {
    std::lock_guard lock(recordedPaths().mutex);
    recordedPaths().paths[slot] = path;
}

QString recordedPath(RecordedPath slot) {
    std::lock_guard lock(recordedPaths().mutex);
    return recordedPaths().paths[slot];
}

QString fileNameOf(const DataTaskOutcome& outcome) {
    if (outcome.response)
        return outcome.response->url.fileName();
    if (outcome.error)
        return outcome.error->failingUrl.fileName();
    return {};
}

} // namespace

NetworkInterface::NetworkInterface(DownloadHost host, NetworkLimits limits)
    : host_(std::move(host)), limits_(limits) {
    thread_.run([this] {
        manager_ = new QNetworkAccessManager;
        manager_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    });
}

NetworkInterface::~NetworkInterface() {
    thread_.run([this] {
        closing_ = true;
        delete manager_;
        manager_ = nullptr;
    });
}

void NetworkInterface::setDelegate(std::shared_ptr<NetworkInterfaceDelegate> delegate) {
    std::lock_guard lock(delegateMutex_);
    delegate_ = std::move(delegate);
}

void NetworkInterface::setNotificationDelegate(
    std::shared_ptr<NetworkInterfaceNotificationDelegate> delegate) {
    std::lock_guard lock(delegateMutex_);
    notificationDelegate_ = std::move(delegate);
}

std::shared_ptr<NetworkInterfaceDelegate> NetworkInterface::delegate() const {
    std::lock_guard lock(delegateMutex_);
    return delegate_;
}

std::shared_ptr<NetworkInterfaceNotificationDelegate> NetworkInterface::notificationDelegate() const {
    std::lock_guard lock(delegateMutex_);
    return notificationDelegate_;
}

bool NetworkInterface::isNetworkReachable() const {
    if (host_.isFolder())
        return FolderSource(host_.folder()).isReachable();
    return host_.isLiteralAddress() || HostLookup::resolves(thread_, host_.host(), limits_.requestTimeout);
}

bool NetworkInterface::downloadAdapterModelsInfo() {
    return downloadFile(ResourcePaths::adapterModelsInfo());
}

bool NetworkInterface::downloadLensModelsInfo(const QString& modelCode, const QString& mountSuffix) {
    QString refusal;
    const std::optional<QString> path = ResourcePaths::lensModelsInfo(modelCode, mountSuffix, &refusal);
    if (!path) {
        refuseData(NetworkFileType::lensModelsInfo, refusal);
        return false;
    }
    recordPath(lensModelsInfoSlot, *path);
    return downloadFile(*path);
}

bool NetworkInterface::downloadLensImage(const QString& modelCode, const QString& mountSuffix) {
    QString refusal;
    const std::optional<QString> path = ResourcePaths::lensImage(modelCode, mountSuffix, &refusal);
    if (!path) {
        refuseData(NetworkFileType::lensImage, refusal);
        return false;
    }
    recordPath(lensImageSlot, *path);
    return downloadFile(*path);
}

bool NetworkInterface::downloadLensFeatureImage(NetworkFileType type, const QString& modelCode) {
    const bool focusAdjustment = type == NetworkFileType::focusAdjustmentImage;
    QString refusal;
    const std::optional<QString> path = focusAdjustment
                                            ? ResourcePaths::focusAdjustmentImage(modelCode, &refusal)
                                            : ResourcePaths::focusLimitImage(modelCode, &refusal);
    if (!path) {
        refuseData(focusAdjustment ? type : NetworkFileType::focusLimitImage, refusal);
        return false;
    }
    recordPath(focusAdjustment ? focusAdjustmentImageSlot : focusLimitImageSlot, *path);
    return downloadFile(*path);
}

bool NetworkInterface::downloadFile(const QString& relativePath) {
    if (!ResourcePaths::isSafeRelativePath(relativePath)) {
        refuseData(
            networkFileTypeOf(relativePath.section(QLatin1Char('/'), -1)),
            QStringLiteral("Refused download path \"%1\"").arg(ResourcePaths::printable(relativePath)));
        return false;
    }
    const QUrl url = host_.address(relativePath);
    Logger::trace(logTag, url.toString());
    if (host_.isFolder())
        thread_.post([this, relativePath] { readDataFromFolder(relativePath); });
    else
        thread_.post([this, url] { startDataTask(url); });
    return true;
}

bool NetworkInterface::downloadAdapterFirmware(const QString& fileName) {
    QString refusal;
    const std::optional<QString> path = ResourcePaths::adapterFirmware(fileName, &refusal);
    if (!path) {
        refuseFirmware(refusal);
        return false;
    }
    return downloadFirmware(*path);
}

bool NetworkInterface::downloadLensFirmware(const QString& fileName) {
    QString refusal;
    const std::optional<QString> path = ResourcePaths::lensFirmware(fileName, &refusal);
    if (!path) {
        refuseFirmware(refusal);
        return false;
    }
    return downloadFirmware(*path);
}

bool NetworkInterface::downloadFirmware(const QString& relativePath) {
    if (!delegate()) {
        Logger::error(logTag, QStringLiteral("Firmware download refused: no listener is registered"));
        return false;
    }
    if (!ResourcePaths::isSafeRelativePath(relativePath)) {
        refuseFirmware(
            QStringLiteral("Refused download path \"%1\"").arg(ResourcePaths::printable(relativePath)));
        return false;
    }
    const QUrl url = host_.address(relativePath);
    Logger::trace(logTag, url.toString());
    if (host_.isFolder())
        thread_.post([this, relativePath] { readFirmwareFromFolder(relativePath); });
    else
        thread_.post([this, url] { startFirmwareTask(url); });
    return true;
}

void NetworkInterface::dataTaskCompleted(const DataTaskOutcome& outcome) {
    report(reportFor(outcome));
}

FileDownloadReport NetworkInterface::reportFor(const DataTaskOutcome& outcome) {
    FileDownloadReport result;
    result.type = networkFileTypeOf(fileNameOf(outcome));
    result.error = failureOf(outcome);
    if (!result.error)
        result.data = outcome.data;
    return result;
}

QString NetworkInterface::lensModelsInfoPath() {
    return recordedPath(lensModelsInfoSlot);
}

QString NetworkInterface::lensImagePath() {
    return recordedPath(lensImageSlot);
}

QString NetworkInterface::focusAdjustmentImagePath() {
    return recordedPath(focusAdjustmentImageSlot);
}

QString NetworkInterface::focusLimitImagePath() {
    return recordedPath(focusLimitImageSlot);
}

void NetworkInterface::refuseData(NetworkFileType type, const QString& refusal) {
    Logger::error(logTag, refusal);
    const NetworkError error{NetworkError::refusedNameDomain, 0, refusal, {}};
    thread_.post([this, type, error] { report({type, std::nullopt, error}); });
}

void NetworkInterface::refuseFirmware(const QString& refusal) {
    Logger::error(logTag, refusal);
    const NetworkError error{NetworkError::refusedNameDomain, 0, refusal, {}};
    thread_.post([this, error] {
        if (auto listener = delegate())
            listener->downloadCompleted(error);
    });
}

void NetworkInterface::startDataTask(const QUrl& url) {
    const ReplyWatch* watch = get(url, limits_.downloadFileTimeout, limits_.maxDataBytes);
    QNetworkReply* reply = watch->reply();
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, watch] {
        reply->deleteLater();
        if (!closing_)
            dataTaskCompleted(outcomeOf(*watch));
    });
}

void NetworkInterface::startFirmwareTask(const QUrl& url) {
    const ReplyWatch* watch = get(url, limits_.downloadFirmwareTimeout, limits_.maxFirmwareBytes);
    QNetworkReply* reply = watch->reply();
    // Progress from readyRead: Qt's downloadProgress is held back for a while after each report, and
    // the body stays unread in the reply until it has finished.
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [this, reply] {
        const qint64 total = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        const bool isFile = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
        auto listener = delegate();
        if (listener && isFile && total > 0 && !closing_)
            listener->downloadProgress(std::min(1.0, static_cast<double>(reply->bytesAvailable()) / total));
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, watch] {
        reply->deleteLater();
        if (!closing_)
            firmwareTaskCompleted(outcomeOf(*watch));
    });
}

// Read on the network thread, so that listeners hear from a folder exactly as from a host.
void NetworkInterface::readDataFromFolder(const QString& relativePath) {
    if (!closing_)
        dataTaskCompleted(FolderSource(host_.folder()).read(relativePath, limits_.maxDataBytes));
}

void NetworkInterface::readFirmwareFromFolder(const QString& relativePath) {
    const DataTaskOutcome outcome = FolderSource(host_.folder()).read(relativePath, limits_.maxFirmwareBytes);
    if (closing_)
        return;
    const bool isFile = outcome.response && outcome.response->statusCode == FolderSource::statusOk;
    if (auto listener = delegate(); listener && isFile)
        listener->downloadProgress(1.0);
    firmwareTaskCompleted(outcome);
}

void NetworkInterface::firmwareTaskCompleted(const DataTaskOutcome& outcome) {
    const std::shared_ptr<NetworkInterfaceDelegate> listener = delegate();
    if (!listener)
        return;
    // The HTTP status is not examined: whatever the host answered is the file, and an error page or
    // an empty body saved as firmware fails in decoding. Only a missing answer is a download error.
    const bool answered = !outcome.error && outcome.data && outcome.response;
    if (!answered) {
        listener->downloadCompleted(failureOf(outcome));
        return;
    }
    listener->downloadFinished(*outcome.data);
    listener->downloadCompleted(std::nullopt);
}

const ReplyWatch* NetworkInterface::get(const QUrl& url, std::chrono::milliseconds wholeTransferTimeout,
                                        qint64 maxBytes) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(static_cast<int>(limits_.requestTimeout.count()));
    // The watch is a child of the reply and goes with it.
    return new ReplyWatch(manager_->get(request), limits_.requestTimeout, wholeTransferTimeout, maxBytes);
}

DataTaskOutcome NetworkInterface::outcomeOf(const ReplyWatch& watch) {
    QNetworkReply* reply = watch.reply();
    DataTaskOutcome outcome;
    outcome.error = watch.transportError();
    if (outcome.error)
        return outcome;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return outcome;
    outcome.response = HttpResponse{reply->url(), status.toInt()};
    outcome.data = reply->readAll();
    return outcome;
}

void NetworkInterface::report(const FileDownloadReport& result) {
    if (auto listener = notificationDelegate())
        listener->fileDownloadCompleted(result.type, result.data, result.error);
}

} // namespace lensdock
