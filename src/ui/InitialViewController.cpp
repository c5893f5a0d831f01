#include "ui/InitialViewController.h"

#include "adjust/AdjustPayload.h"
#include "context/AppContext.h"
#include "link/Logger.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "online/ResourcePaths.h"
#include "ui/AppShell.h"
#include "ui/LensFileStore.h"
#include "ui/UpdateResultAlert.h"

#include <thread>

namespace lensdock {

namespace {
const QString tag = QStringLiteral("Init");
// How long a screen going away waits for a listener call still running on another thread.
constexpr std::chrono::seconds callDrainBound{5};

void logInit(const QString& message) {
    Logger::trace(tag, message);
}

// Hands download results to the controller while it is there, and drops them afterwards.
class DownloadListener : public NetworkInterfaceNotificationDelegate {
public:
    DownloadListener(InitialViewController& owner, std::shared_ptr<InFlightCalls> calls)
        : owner_(owner), calls_(std::move(calls)) {}
    void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error) override {
        const InFlightCalls::Scope scope(*calls_);
        if (scope.admitted())
            owner_.fileDownloadCompleted(type, data, error);
    }

private:
    InitialViewController& owner_;
    const std::shared_ptr<InFlightCalls> calls_;
};

Guarded<QImage>& pictureOf(LensPictures& pictures, NetworkFileType type) {
    if (type == NetworkFileType::lensImage)
        return pictures.lensImage;
    if (type == NetworkFileType::focusAdjustmentImage)
        return pictures.focusAdjustmentImage;
    return pictures.focusLimitImage;
}

} // namespace

InitialViewController::InitialViewController(AppShell& shell, ConnectOptions options, QObject* parent)
    : QObject(parent), shell_(shell), context_(shell.context()), options_(std::move(options)),
      store_(options_.libraryFolder ? FileIO(*options_.libraryFolder) : FileIO()),
      alerts_(shell.options().alertPresenter) {
    downloadListener_ = std::make_shared<DownloadListener>(*this, calls_);
}

InitialViewController::~InitialViewController() {
    // First release a report that waits for an alert's answer: unregistering waits for that report.
    alerts_.abandon();
    UsbSerialThread& thread = context_.usbSerialThread();
    if (thread.delegate() == this)
        thread.setDelegate(nullptr);
    if (!calls_->close(callDrainBound))
        Logger::error(tag, QStringLiteral("A listener call is still running while the screen closes"));
}

void InitialViewController::viewDidLoad() {
    shell_.pictures().clear();
    context_.networkInterface().setNotificationDelegate(downloadListener_);
    context_.usbSerialThread().setDelegate(this);
    context_.usbSerialThread().start();
}

void InitialViewController::request(ApplicationState state) {
    context_.usbSerialThread().requestState(state);
}

void InitialViewController::usbSerialThreadDisconnected() {
    const InFlightCalls::Scope scope(*calls_);
    if (scope.admitted())
        logInit(QStringLiteral("Disconnect delegate do nothing"));
}

void InitialViewController::usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                                                  const std::optional<CommDataFormat>& response) {
    const InFlightCalls::Scope scope(*calls_);
    if (!scope.admitted())
        return;
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::adapterReconnect:
        adapterIdentity(error, response);
        break;
    case ApplicationState::lensDisadhesion:
        if (error == UsbThreadErrorCode::success)
            request(ApplicationState::lensDisconnect);
        break;
    case ApplicationState::lensDisconnect:
        lensConnectReply(error, response);
        break;
    case ApplicationState::lensConnect:
        lensIdentity(error, response);
        break;
    case ApplicationState::adjDataRead:
        adjustDataRead(error, response);
        break;
    case ApplicationState::lensDisconnected:
        request(ApplicationState::lensDisadhesion);
        break;
    case ApplicationState::appTerminate:
        shell_.endProcess(0);
        break;
    default:
        break;
    }
}

void InitialViewController::adapterIdentity(UsbThreadErrorCode error,
                                            const std::optional<CommDataFormat>& response) {
    const auto adapter =
        error == UsbThreadErrorCode::success && response ? response->makeAdapterBasicInfo() : std::nullopt;
    if (!adapter) {
        ask(DialogId::adapterConnectError);
        return;
    }
    context_.adapterBasicInfo().set(*adapter);
    context_.networkInterface().downloadAdapterModelsInfo();
}

void InitialViewController::lensConnectReply(UsbThreadErrorCode error,
                                             const std::optional<CommDataFormat>& response) {
    const bool connected = error == UsbThreadErrorCode::success && response && !response->data.isEmpty() &&
                           byteAt(response->data, 0) == 1;
    if (!connected) {
        refuseLens(DialogId::lensConnectError, ApplicationState::lensDisadhesion);
        return;
    }
    flgConnectedFirst_ = true;
    context_.lensModelsInfoSource() = LensModelsInfoSource::none;
    resetLensDownloads();
    shell_.pictures().clear();
    request(ApplicationState::lensConnect);
}

void InitialViewController::resetLensDownloads() {
    std::lock_guard lock(downloadMutex_);
    flgDownloadedLensImage_ = false;
    flgDownloadedFocusAdjustmentImage_ = false;
    flgDownloadedFocusLimitImage_ = false;
    flgGetLocalImageFailed_ = false;
    parseStarted_ = false;
    lensInfoParserData_.reset();
}

void InitialViewController::lensIdentity(UsbThreadErrorCode error,
                                         const std::optional<CommDataFormat>& response) {
    if (error == UsbThreadErrorCode::overcurrent) {
        refuseLens(DialogId::overCurrentError, ApplicationState::lensDisconnected);
        return;
    }
    if (error != UsbThreadErrorCode::success || !response) {
        refuseLens(DialogId::lensConnectError, ApplicationState::lensDisconnected);
        return;
    }
    // Later replies are the regular identity polls.
    if (!flgConnectedFirst_.exchange(false))
        return;
    request(ApplicationState::initialProcessing);
    const auto lens = response->makeLensInfo();
    if (!lens) {
        refuseLens(DialogId::lensConnectError, ApplicationState::lensDisconnected);
        return;
    }
    context_.setConnectedLens(*lens);
    startLensDownloads();
}

void InitialViewController::startLensDownloads() {
    const LensInfo lens = context_.lensInfo().get();
    const QString suffix = ResourcePaths::mountSuffix(context_.adapterBasicInfo().get().mountInfo);
    NetworkInterface& network = context_.networkInterface();
    network.downloadLensImage(lens.modelCode, suffix);
    network.downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, lens.modelCode);
    network.downloadLensFeatureImage(NetworkFileType::focusLimitImage, lens.modelCode);
    network.downloadLensModelsInfo(lens.modelCode, suffix);
}

void InitialViewController::adjustDataRead(UsbThreadErrorCode error,
                                           const std::optional<CommDataFormat>& response) {
    const LensInfo lens = context_.lensInfo().get();
    std::optional<LensAdjustData> data;
    if (error == UsbThreadErrorCode::success && response)
        data = makeLensAdjustData(*response, lens);
    if (!data) {
        data = context_.defaultAdjustData().get();
        alerts_.showAlert(DialogId::getAdjustError);
    }
    data->correctSettings(lens);
    context_.currentAdjustData().set(*data);
    if (context_.usbSerialThread().appState() == ApplicationState::adjDataRead) {
        request(ApplicationState::processing);
        shell_.postConnected(true);
    }
}

void InitialViewController::refuseLens(DialogId kind, ApplicationState next) {
    context_.usbSerialThread().setWaitNotAdhesion(true);
    alerts_.showAlert(kind);
    request(next);
}

void InitialViewController::ask(DialogId kind, bool withNoFollowUp) {
    const DialogResponse answer = alerts_.showAlert(kind);
    if (alerts_.isAbandoned())
        return;
    if (answer == DialogResponse::yes)
        handleAlertYes(kind);
    else if (withNoFollowUp)
        handleAlertNo(kind);
}

void InitialViewController::fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                                  const std::optional<NetworkError>& error) {
    const std::optional<QByteArray> received = error ? std::nullopt : data;
    switch (type) {
    case NetworkFileType::adapterModelsInfo:
        adapterCatalogue(received);
        break;
    case NetworkFileType::lensModelsInfo:
        lensCatalogue(received);
        checkDownloadsComplete();
        break;
    default:
        lensPicture(type, received);
        checkDownloadsComplete();
        break;
    }
}

void InitialViewController::adapterCatalogue(const std::optional<QByteArray>& data) {
    if (!data || data->isEmpty()) {
        alerts_.showAlert(DialogId::networkConnectError);
        request(ApplicationState::lensDisadhesion);
        return;
    }
    const auto result = ModelInfoParser::parseAdapterModelsInfo(*data, context_.adapterModelInfo().get(),
                                                                ModelInfoParseOptions());
    if (!result.record) {
        if (result.xmlError)
            logInit(*result.xmlError);
        alerts_.showAlert(DialogId::networkConnectError);
        request(ApplicationState::lensDisadhesion);
        return;
    }
    context_.adapterModelInfo().set(*result.record);
    if (!isAdapterUpdateAvailable()) {
        request(ApplicationState::lensDisadhesion);
        return;
    }
    request(ApplicationState::initialProcessing);
    ask(DialogId::updateAdapterConfirm, true);
}

bool InitialViewController::isAdapterUpdateAvailable(const QString& fwVersion, const QString& latestVersion,
                                                     bool atLaunch) {
    if (latestVersion.toUtf8().size() != 4 || fwVersion.toUtf8().size() != 4)
        return false;
    if (fwVersion.startsWith(QStringLiteral("ff")))
        return true;
    if (!atLaunch)
        return false;
    bool deviceOk = false;
    bool latestOk = false;
    const int device = fwVersion.left(2).toInt(&deviceOk, 10);
    const int latest = latestVersion.left(2).toInt(&latestOk, 10);
    return deviceOk && latestOk && device < latest;
}

bool InitialViewController::isAdapterUpdateAvailable() const {
    const bool atLaunch = context_.usbSerialThread().appState() == ApplicationState::startup;
    return isAdapterUpdateAvailable(context_.adapterBasicInfo().get().fwVersion,
                                    context_.adapterModelInfo().get().latestVersion, atLaunch);
}

void InitialViewController::lensCatalogue(const std::optional<QByteArray>& data) {
    std::optional<QByteArray> catalogue = data;
    LensModelsInfoSource source = LensModelsInfoSource::downloadHost;
    if (data) {
        store_.storeCatalogue(*data);
    } else {
        catalogue = store_.storedCatalogue();
        source = catalogue ? LensModelsInfoSource::localCopy : LensModelsInfoSource::unavailable;
    }
    {
        std::lock_guard lock(downloadMutex_);
        lensInfoParserData_ = catalogue;
    }
    context_.lensModelsInfoSource() = source;
}

void InitialViewController::lensPicture(NetworkFileType type, const std::optional<QByteArray>& data) {
    QImage image = store_.picture(type, data);
    const bool fellBack = image.isNull();
    if (fellBack)
        image = LensFileStore::builtInPicture(type);
    pictureOf(shell_.pictures(), type).set(image);
    std::lock_guard lock(downloadMutex_);
    flgGetLocalImageFailed_ = flgGetLocalImageFailed_ || fellBack;
    if (type == NetworkFileType::lensImage)
        flgDownloadedLensImage_ = true;
    else if (type == NetworkFileType::focusAdjustmentImage)
        flgDownloadedFocusAdjustmentImage_ = true;
    else
        flgDownloadedFocusLimitImage_ = true;
}

void InitialViewController::checkDownloadsComplete() {
    const LensModelsInfoSource source = context_.lensModelsInfoSource();
    std::optional<QByteArray> catalogue;
    {
        std::lock_guard lock(downloadMutex_);
        const bool picturesIn =
            flgDownloadedLensImage_ && flgDownloadedFocusAdjustmentImage_ && flgDownloadedFocusLimitImage_;
        if (!picturesIn || source == LensModelsInfoSource::none || parseStarted_)
            return;
        parseStarted_ = true;
        catalogue = lensInfoParserData_;
    }
    if (source == LensModelsInfoSource::unavailable || !catalogue) {
        refuseLens(DialogId::getModelInfoError, ApplicationState::lensDisadhesion);
        return;
    }
    parseLensCatalogue(*catalogue);
}

void InitialViewController::parseLensCatalogue(const QByteArray& xml) {
    ++parseCount_;
    ModelInfoParseOptions options;
    options.lensKind = context_.lensInfo().get().lensKind;
    const auto result = ModelInfoParser::parseLensModelsInfo(xml, context_.lensModelInfo().get(), options);
    if (!result.record) {
        if (result.xmlError)
            logInit(*result.xmlError);
        refuseLens(DialogId::getModelInfoError, ApplicationState::lensDisadhesion);
        return;
    }
    context_.lensModelInfo().set(*result.record);
    request(ApplicationState::adjDataRead);
}

void InitialViewController::followUpByProcessingError() {
    if (context_.usbSerialThread().processingErr() == ProcessingErrorType::success)
        request(ApplicationState::lensDisadhesion);
    else
        request(ApplicationState::adapterDisconnect);
}

void InitialViewController::handleAlertYes(DialogId kind) {
    const bool deviceOk = context_.usbSerialThread().processingErr() == ProcessingErrorType::success;
    switch (kind) {
    case DialogId::updateAdapterConfirm:
    case DialogId::updateAdapterCaution:
        if (!deviceOk) {
            ask(DialogId::adapterConnectError);
            request(ApplicationState::adapterDisconnect);
        } else if (kind == DialogId::updateAdapterConfirm) {
            ask(DialogId::updateAdapterCaution, true);
        } else {
            request(ApplicationState::fwUpdate);
            QMetaObject::invokeMethod(this, &InitialViewController::openUpdateWindowRequested,
                                      Qt::QueuedConnection);
        }
        break;
    case DialogId::updateComplete:
    case DialogId::updateError:
    case DialogId::updateErrorNetwork:
    case DialogId::updateErrorDownload:
    case DialogId::updateErrorDecode:
    case DialogId::updateErrorSend:
        followUpByProcessingError();
        break;
    case DialogId::adapterConnectError:
        if (context_.usbSerialThread().appState() == ApplicationState::startup)
            endAfterAdapterError();
        else
            request(ApplicationState::adapterDisconnect);
        break;
    default:
        break;
    }
}

void InitialViewController::updateResult(FwErrorCode code) {
    const DialogId kind = alertForUpdateResult(code);
    if (kind == DialogId::updateError)
        logInit(QStringLiteral("Update Error Code : %1").arg(rawValue(code)));
    if (code == FwErrorCode::errorUsbSerialRemoved)
        context_.usbSerialThread().setProcessingErr(ProcessingErrorType::adapter);
    QMetaObject::invokeMethod(
        this,
        [this, kind] {
            alerts_.showAlert(kind);
            handleAlertYes(kind);
        },
        Qt::QueuedConnection);
    request(ApplicationState::initialProcessing);
}

void InitialViewController::handleAlertNo(DialogId kind) {
    if (kind == DialogId::updateAdapterConfirm || kind == DialogId::updateAdapterCaution)
        followUpByProcessingError();
}

void InitialViewController::endAfterAdapterError() {
    UsbSerialInterface& serial = context_.usbSerial();
    Logger::trace(QStringLiteral("USB"), QStringLiteral("Port Close"));
    if (serial.isPortOpen())
        serial.closePort();
    for (int check = 0; check < options_.portCloseChecks && serial.isPortOpen(); ++check)
        std::this_thread::sleep_for(options_.portCloseCheckInterval);
    serial.endWatchdog();
    // The serial library does not promise that a close completes: bounded.
    const auto deadline = std::chrono::steady_clock::now() + options_.portClosedBound;
    while (serial.isPortOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(options_.portCloseCheckInterval);
    shell_.endProcess(0);
}

} // namespace lensdock
