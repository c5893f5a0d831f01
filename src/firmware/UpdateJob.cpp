#include "firmware/UpdateJob.h"

#include "base/Logger.h"
#include "online/NetworkInterfaceDelegate.h"
#include "online/ResourcePaths.h"

#include <QSaveFile>

namespace lensdock {

namespace {
const QString updateTag = QStringLiteral("Update");
void trace(const QString& message) {
    Logger::trace(updateTag, message);
}
void logError(const QString& message) {
    Logger::error(updateTag, message);
}

struct Phase {
    double percent;
    const char* textKey;
};
constexpr Phase phases[] = {
    {UpdateJob::percentConnectStart, "updateStateConnecting"},   {UpdateJob::percentConnectFinish, nullptr},
    {UpdateJob::percentDownloadStart, "updateStateDownloading"}, {UpdateJob::percentDownloadFinish, nullptr},
    {UpdateJob::percentDecodeStart, "updateStateDecoding"},      {UpdateJob::percentDecodeFinish, nullptr},
    {UpdateJob::percentFwSendStart, "updateStateSending"},       {UpdateJob::percentFwSendFinish, nullptr},
};
} // namespace

// Forwards the download service's firmware events to the job; the service holds it by shared pointer.
class UpdateJob::DownloadListener : public NetworkInterfaceDelegate {
public:
    explicit DownloadListener(UpdateJob& job) : job_(job) {}
    void downloadProgress(double fraction) override { job_.downloadProgress(fraction); }
    void downloadFinished(const QByteArray& data) override { job_.downloadFinished(data); }
    void downloadCompleted(const std::optional<NetworkError>& error) override {
        job_.downloadCompleted(error);
    }

private:
    UpdateJob& job_;
};

UpdateJob::UpdateJob(AppContext& context, UpdateJobListener& listener, UpdateJobTimings timings, FileIO store)
    : context_(context), listener_(listener), timings_(timings), store_(std::move(store)),
      updateThread_(context.channel(),
                    {context.lensInfo(), context.adapterBasicInfo(), context.defaultAdjustData(),
                     context.currentAdjustData()},
                    timings.transfer),
      downloadListener_(std::make_shared<DownloadListener>(*this)),
      networkInterface_(std::make_unique<NetworkInterface>(context.options().downloadHost, timings.network)) {
}

UpdateJob::~UpdateJob() {
    cancelled_ = true;
    if (connectThread_.joinable())
        connectThread_.join();
    networkInterface_.reset();
    decodeThread_.wait();
}

void UpdateJob::setAdapterUpdateInfo(const QString& version, const QString& decodeKey) {
    updateTarget_ = FwUpdateTarget::adapter;
    targetVersion_ = version;
    downloadFileName_ = adapterFwName + version;
    updateDecodeKey_ = decodeKey;
}

void UpdateJob::setLensUpdateInfo(const QString& mountSuffix, const QString& modelCode,
                                  const QString& version, const QString& decodeKey) {
    updateTarget_ = FwUpdateTarget::lens;
    targetVersion_ = version;
    downloadFileName_ = modelCode + mountSuffix + lensFwName + version;
    updateDecodeKey_ = decodeKey;
}

void UpdateJob::start() {
    if (isUpdating_.exchange(true)) {
        trace(QStringLiteral("Updating..."));
        return;
    }
    changeState(0);
    if (downloadFileName_ && updateDecodeKey_ && preparePaths()) {
        connectThread_ = std::thread([this] { connectStep(); });
        return;
    }
    updateFailed(FwErrorCode::errorInput);
}

bool UpdateJob::preparePaths() {
    // The name comes from catalogue fields: it must stay a plain name inside the store's folder,
    // because the files it names are written and removed.
    if (!ResourcePaths::isSafeFileName(*downloadFileName_ + encodeExtension)) {
        logError(QStringLiteral("Refused firmware file name ") +
                 ResourcePaths::printable(*downloadFileName_));
        return false;
    }
    const auto folder =
        updateTarget_ == FwUpdateTarget::adapter ? store_.adapterDirectory() : store_.lensDirectory();
    if (!folder)
        return false;
    encodeFile_ = *folder + QLatin1Char('/') + *downloadFileName_ + encodeExtension;
    decodeFile_ = *folder + QLatin1Char('/') + *downloadFileName_ + decodeExtension;
    return true;
}

void UpdateJob::connectStep() {
    std::this_thread::sleep_for(timings_.connectDelay);
    if (cancelled_)
        return;
    if (!networkInterface_->isNetworkReachable()) {
        updateFailed(FwErrorCode::errorNetwork);
        return;
    }
    changeState(1);
    startDownload();
}

void UpdateJob::startDownload() {
    changeState(2);
    networkInterface_->setDelegate(downloadListener_);
    const QString fileName = *downloadFileName_ + encodeExtension;
    const bool started = updateTarget_ == FwUpdateTarget::adapter
                             ? networkInterface_->downloadAdapterFirmware(fileName)
                             : networkInterface_->downloadLensFirmware(fileName);
    // A refused name has already been reported through downloadCompleted.
    Q_UNUSED(started)
}

void UpdateJob::downloadProgress(double fraction) {
    setProgress(percentDownloadStart + (percentDownloadFinish - percentDownloadStart) * fraction);
}

void UpdateJob::downloadFinished(const QByteArray& data) {
    changeState(3);
    if (!encodeFile_)
        return;
    QSaveFile file(*encodeFile_);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        logError(QStringLiteral("File write error ") + file.errorString());
}

void UpdateJob::downloadCompleted(const std::optional<NetworkError>& error) {
    if (error) {
        logError(QStringLiteral("Download Error ") + error->description);
        updateFailed(FwErrorCode::errorDownload);
        return;
    }
    startDecode();
}

void UpdateJob::startDecode() {
    if (!encodeFile_ || !decodeFile_ || !updateDecodeKey_) {
        updateFailed(FwErrorCode::errorInput);
        return;
    }
    changeState(4);
    decodeThread_.setDelegate(this);
    decodeThread_.setInFile(*encodeFile_);
    decodeThread_.setOutFile(*decodeFile_);
    decodeThread_.setDecodeKeyStr(*updateDecodeKey_);
    decodeThread_.start();
}

void UpdateJob::decodeProgress(double fraction) {
    setProgress(percentDecodeStart + (percentDecodeFinish - percentDecodeStart) * fraction);
}

void UpdateJob::decodeFinished(int count) {
    changeState(5);
    fwUpdateNum_ = count;
}

void UpdateJob::decodeCompleted(FwErrorCode code) {
    if (code != FwErrorCode::resultOk) {
        logError(QStringLiteral("Decode Error %1").arg(rawValue(code)));
        updateFailed(code);
        return;
    }
    startSend();
}

// Runs on the decoder's thread, after its last report.
void UpdateJob::startSend() {
    if (!decodeFile_) {
        updateFailed(FwErrorCode::errorInput);
        return;
    }
    changeState(6);
    if (!waitForSettledConnection()) {
        updateFailed(FwErrorCode::errorUsbSerialFailed);
        return;
    }
    updateThread_.setDelegate(this);
    updateThread_.setUpdateTarget(updateTarget_);
    updateThread_.setTargetVersion(targetVersion_);
    updateThread_.setDecodeFile(decodeFile_);
    updateThread_.setFwUpdateNum(fwUpdateNum_);
    updateThread_.start();
}

// The transfer takes the channel only once the connection thread has taken its last requested state;
// bounded, so that a stuck connection thread cannot hold the update forever.
bool UpdateJob::waitForSettledConnection() {
    ConnectionThread& connection = context_.connectionThread();
    const auto deadline = std::chrono::steady_clock::now() + timings_.pendingStateBound;
    while (connection.appState() != connection.appNewState()) {
        if (cancelled_ || std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(timings_.pendingStatePoll);
    }
    return true;
}

double UpdateJob::sendPercent(int index, double fraction, int count) {
    const int records = std::max(count, 1);
    const double share = (percentFwSendFinish - percentFwSendStart - percentWaitReset * records) / records;
    return percentFwSendStart + (share + percentWaitReset) * index + share * fraction;
}

void UpdateJob::sendProgress(int index, double fraction) {
    setProgress(sendPercent(index, fraction, fwUpdateNum_));
}

void UpdateJob::sendFinished() {
    deleteUpdateFiles();
}

void UpdateJob::sendCompleted(FwErrorCode code) {
    if (code != FwErrorCode::resultOk) {
        updateFailed(code);
        return;
    }
    changeState(7);
    updateSucceeded();
}

void UpdateJob::setProgress(double percent) {
    listener_.updateProgress(percent);
}

void UpdateJob::changeState(int phase) {
    trace(QStringLiteral("Change State %1").arg(phase));
    const Phase& entered = phases[phase];
    if (phase == 2)
        trace(QStringLiteral("Download ") + downloadFileName_.value_or(QString()));
    else if (phase == 4)
        trace(QStringLiteral("Decode ") + updateDecodeKey_.value_or(QString()));
    else if (phase == 6)
        trace(QStringLiteral("Send Ver %1 count %2").arg(targetVersion_).arg(fwUpdateNum_.load()));
    setProgress(entered.percent);
    listener_.updatePhase(phase, entered.textKey ? QString::fromLatin1(entered.textKey) : QString());
}

void UpdateJob::deleteUpdateFiles() {
    for (const auto& path : {encodeFile_, decodeFile_}) {
        if (!path)
            continue;
        if (const auto error = store_.removeFile(*path))
            logError(*error);
    }
}

void UpdateJob::updateSucceeded() {
    reportResult(FwErrorCode::resultOk);
}

void UpdateJob::updateFailed(FwErrorCode code) {
    deleteUpdateFiles();
    reportResult(code);
}

void UpdateJob::reportResult(FwErrorCode code) {
    if (!resultReported_.exchange(true))
        listener_.updateResult(code);
}

} // namespace lensdock
