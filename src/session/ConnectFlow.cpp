#include "session/ConnectFlow.h"

#include "adjust/AdjustPayload.h"
#include "base/Logger.h"
#include "context/AppContext.h"
#include "online/FirmwareVersionCheck.h"
#include "online/LensCatalogueCopy.h"
#include "online/ModelInfoParser.h"
#include "online/ResourcePaths.h"
#include "session/ReportRelay.h"
#include "session/UpdateResultAlert.h"

namespace lensdock {

namespace {
void logInit(const QString& message) {
    Logger::trace(QStringLiteral("Init"), message);
}
} // namespace

ConnectFlow::ConnectFlow(AppContext& context, Asker& asker, ConnectPolicy policy, FileIO store,
                         QObject* parent)
    : QObject(parent), context_(context), asker_(asker), policy_(policy), store_(std::move(store)),
      relay_(std::make_shared<ReportRelay>(this)) {
    reports_ = std::make_unique<RelayedConnectionReports>(
        context_.connectionThread(), relay_,
        [this](ApplicationState state, ExchangeResult result, const std::optional<CommDataFormat>& response) {
            exchange(state, result, response);
        },
        [this](ApplicationState state) { connectionEnded(state); });
    downloads_ = std::make_shared<RelayedDownloads>(
        relay_, [this](NetworkFileType type, const std::optional<QByteArray>& data,
                       const std::optional<NetworkError>& error) { downloadCompleted(type, data, error); });
    portCloseTimer_.setInterval(policy_.portCloseCheckInterval);
    connect(&portCloseTimer_, &QTimer::timeout, this, &ConnectFlow::checkPortClosed);
}

ConnectFlow::~ConnectFlow() {
    ConnectionThread& thread = context_.connectionThread();
    if (thread.delegate() == reports_.get())
        thread.setDelegate(nullptr);
    relay_->close();
}

void ConnectFlow::start() {
    listen();
    context_.connectionThread().start();
}

void ConnectFlow::listen() {
    const ConnectionThread& thread = context_.connectionThread();
    const ApplicationState state = thread.appState();
    // Without an adapter the thread takes no request until it has found it again.
    const bool searching =
        state == ApplicationState::searchingAdapter || state == ApplicationState::reconnectingAdapter;
    requested_ = searching ? ApplicationState::searchingAdapter : thread.appNewState();
    context_.networkInterface().setNotificationDelegate(downloads_);
    context_.connectionThread().setDelegate(reports_.get());
}

void ConnectFlow::request(ApplicationState state) {
    requested_ = state;
    context_.connectionThread().requestState(state);
}

// The adapter's identity is reported from startup and, after a replug, from reconnectingAdapter,
// which the thread enters by itself once it finds the adapter again.
bool ConnectFlow::isExpected(ApplicationState state) const {
    if (phase_ == Phase::asking || phase_ == Phase::ending)
        return state == ApplicationState::terminating;
    switch (state) {
    case ApplicationState::terminating:
        return true;
    case ApplicationState::reconnectingAdapter:
        return requested_ == ApplicationState::searchingAdapter || requested_ == state;
    case ApplicationState::waitingForLens:
        // The lens screen on its way out may still see the release through and ask for the wait
        // itself, after this course took over while the release was pending.
        return requested_ == ApplicationState::releasingLens || requested_ == state;
    default:
        return requested_ == state;
    }
}

// An answer that arrives after the adapter was lost belongs to a course that no longer runs.
void ConnectFlow::ask(DialogId kind, Asker::Answer answer) {
    ask(kind, QString(), std::move(answer));
}

void ConnectFlow::ask(DialogId kind, const QString& extraText, Asker::Answer answer) {
    const bool ending = phase_ == Phase::ending;
    if (!ending)
        phase_ = Phase::asking;
    asker_.ask(kind, extraText,
               [this, ending, epoch = epoch_, answer = std::move(answer)](DialogResponse response) {
                   if (ending || epoch == epoch_)
                       answer(response);
               });
}

void ConnectFlow::exchange(ApplicationState state, ExchangeResult result,
                           const std::optional<CommDataFormat>& response) {
    if (!isExpected(state))
        return;
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::reconnectingAdapter:
        adapterIdentity(state, result, response);
        break;
    case ApplicationState::waitingForLens:
        if (result == ExchangeResult::success) {
            request(ApplicationState::connectingLens);
            emit lensDetected();
        }
        break;
    case ApplicationState::connectingLens:
        lensConnectReply(result, response);
        break;
    case ApplicationState::lensConnected:
        lensIdentity(result, response);
        break;
    case ApplicationState::readingSettings:
        settingsRead(result, response);
        break;
    case ApplicationState::releasingLens:
        waitForLens();
        break;
    case ApplicationState::terminating:
        emit endRequested(0);
        break;
    default:
        break;
    }
}

void ConnectFlow::connectionEnded(ApplicationState state) {
    logInit(QStringLiteral("Disconnect delegate do nothing"));
    if (state == ApplicationState::searchingAdapter && phase_ != Phase::ending && phase_ != Phase::updating) {
        ++epoch_;
        phase_ = Phase::device;
        requested_ = state;
        emit adapterLost();
    }
}

void ConnectFlow::adapterIdentity(ApplicationState state, ExchangeResult result,
                                  const std::optional<CommDataFormat>& response) {
    atLaunch_ = state == ApplicationState::startup;
    adapterPortMissing_ = !context_.channel().isPortOpen();
    const auto adapter =
        result == ExchangeResult::success && response ? response->makeAdapterBasicInfo() : std::nullopt;
    if (!adapter) {
        const PortRefusal refusal = context_.channel().lastRefusal();
        if (adapterPortMissing_ && refusal.reason == PortRefusal::Reason::inUse)
            adapterError(DialogId::adapterInUseError, refusal.holder);
        else if (adapterPortMissing_ && refusal.reason == PortRefusal::Reason::noAccess)
            adapterError(DialogId::adapterNoAccessError, refusal.path);
        else
            adapterError(result == ExchangeResult::overcurrent ? DialogId::overCurrentError
                                                               : DialogId::adapterConnectError);
        return;
    }
    context_.adapterBasicInfo().set(*adapter);
    emit adapterIdentified();
    phase_ = Phase::device;
    if (policy_.stopAtAdapter) {
        phase_ = Phase::ready;
        request(ApplicationState::holdingAdapter);
        emit adapterReady();
    } else if (policy_.useCatalogues) {
        phase_ = Phase::adapterCatalogue;
        context_.networkInterface().downloadAdapterModelsInfo();
    } else {
        waitForLens();
    }
}

// At launch the program ends after the alert; after a replug it searches for the adapter again.
// The end after the alert at launch stands whatever the thread does meanwhile (it goes on to search).
void ConnectFlow::adapterError(DialogId kind, const QString& extraText) {
    const bool atLaunch = atLaunch_;
    if (atLaunch)
        phase_ = Phase::ending;
    else
        request(ApplicationState::holdingAdapter); // no identity requests while the alert is up
    ask(kind, extraText, [this, atLaunch](DialogResponse) {
        if (atLaunch) {
            endAfterAdapterError();
            return;
        }
        phase_ = Phase::device;
        request(ApplicationState::searchingAdapter);
    });
}

void ConnectFlow::downloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                    const std::optional<NetworkError>& error) {
    const std::optional<QByteArray> received = error ? std::nullopt : data;
    if (type == NetworkFileType::adapterModelsInfo) {
        if (phase_ == Phase::adapterCatalogue)
            adapterCatalogue(received);
        return;
    }
    if (phase_ != Phase::downloads)
        return;
    if (type == NetworkFileType::lensModelsInfo)
        lensCatalogue(received);
    else
        lensPicture(type, received);
    checkDownloadsComplete();
}

void ConnectFlow::adapterCatalogue(const std::optional<QByteArray>& data) {
    std::optional<AdapterModelInfo> record;
    if (data && !data->isEmpty()) {
        const auto result = ModelInfoParser::parseAdapterModelsInfo(*data, context_.adapterModelInfo().get(),
                                                                    ModelInfoParseOptions());
        if (!result.record && result.xmlError)
            logInit(*result.xmlError);
        record = result.record;
    }
    if (!record) {
        ask(DialogId::networkConnectError, [this](DialogResponse) { waitForLens(); });
        return;
    }
    context_.adapterModelInfo().set(*record);
    if (!isAdapterUpdateOffered()) {
        waitForLens();
        return;
    }
    request(ApplicationState::holdingAdapter);
    offerAdapterUpdate(DialogId::updateAdapterConfirm);
}

bool ConnectFlow::isAdapterUpdateOffered() const {
    return lensdock::isAdapterUpdateOffered(context_.adapterBasicInfo().get().fwVersion,
                                            context_.adapterModelInfo().get().latestVersion, atLaunch_);
}

// The offer, then the caution; yes to both starts the update, no to either goes on without it.
void ConnectFlow::offerAdapterUpdate(DialogId kind) {
    const QString versions = QStringLiteral("%1 \u2192 %2")
                                 .arg(context_.adapterBasicInfo().get().fwVersion,
                                      context_.adapterModelInfo().get().latestVersion);
    ask(kind, versions, [this, kind](DialogResponse response) {
        if (response == DialogResponse::no) {
            followUpByDeviceLoss();
        } else if (context_.connectionThread().deviceLoss() != DeviceLoss::none) {
            ask(DialogId::adapterConnectError, [this](DialogResponse) {
                phase_ = Phase::device;
                request(ApplicationState::searchingAdapter);
            });
        } else if (kind == DialogId::updateAdapterConfirm) {
            offerAdapterUpdate(DialogId::updateAdapterCaution);
        } else {
            phase_ = Phase::updating;
            request(ApplicationState::firmwareUpdate);
            emit adapterUpdateRequested();
        }
    });
}

void ConnectFlow::updateFinished(FwErrorCode code) {
    const DialogId kind = alertForUpdateResult(code, FwUpdateTarget::adapter);
    if (kind == DialogId::updateError)
        logInit(QStringLiteral("Update Error Code : %1").arg(rawValue(code)));
    if (code == FwErrorCode::errorUsbSerialRemoved || code == FwErrorCode::errorRemovedAfterSend)
        context_.connectionThread().setDeviceLoss(DeviceLoss::adapter);
    request(ApplicationState::holdingAdapter);
    ask(kind, [this](DialogResponse) { followUpByDeviceLoss(); });
}

void ConnectFlow::followUpByDeviceLoss() {
    phase_ = Phase::device;
    if (context_.connectionThread().deviceLoss() == DeviceLoss::none)
        waitForLens();
    else
        request(ApplicationState::searchingAdapter);
}

void ConnectFlow::waitForLens() {
    phase_ = Phase::device;
    request(ApplicationState::waitingForLens);
    emit lensAwaited();
}

void ConnectFlow::lensConnectReply(ExchangeResult result, const std::optional<CommDataFormat>& response) {
    const bool connected = result == ExchangeResult::success && response && !response->data.isEmpty() &&
                           byteAt(response->data, 0) == 1;
    if (!connected) {
        refuseLens(result == ExchangeResult::overcurrent ? DialogId::overCurrentError
                                                         : DialogId::lensConnectError,
                   ApplicationState::waitingForLens);
        return;
    }
    context_.lensModelsInfoSource() = LensModelsInfoSource::none;
    lensImageIn_ = focusAdjustmentImageIn_ = focusLimitImageIn_ = false;
    lensCatalogue_.reset();
    emit picturesCleared();
    request(ApplicationState::lensConnected);
}

void ConnectFlow::lensIdentity(ExchangeResult result, const std::optional<CommDataFormat>& response) {
    if (result == ExchangeResult::overcurrent) {
        refuseLens(DialogId::overCurrentError, ApplicationState::releasingLens);
        return;
    }
    const auto lens = result == ExchangeResult::success && response ? response->makeLensInfo() : std::nullopt;
    if (!lens) {
        refuseLens(DialogId::lensConnectError, ApplicationState::releasingLens);
        return;
    }
    request(ApplicationState::holdingAdapter);
    context_.setConnectedLens(*lens);
    if (policy_.useCatalogues) {
        phase_ = Phase::downloads;
        startLensDownloads();
    } else {
        request(ApplicationState::readingSettings);
    }
}

void ConnectFlow::startLensDownloads() {
    const LensInfo lens = context_.lensInfo().get();
    const QString suffix = ResourcePaths::mountSuffix(context_.adapterBasicInfo().get().mountInfo);
    NetworkInterface& network = context_.networkInterface();
    network.downloadLensImage(lens.modelCode, suffix);
    network.downloadLensFeatureImage(NetworkFileType::focusAdjustmentImage, lens.modelCode);
    network.downloadLensFeatureImage(NetworkFileType::focusLimitImage, lens.modelCode);
    network.downloadLensModelsInfo(lens.modelCode, suffix);
}

void ConnectFlow::lensCatalogue(const std::optional<QByteArray>& data) {
    const LensCatalogueCopy copy(store_);
    if (data) {
        copy.store(*data);
        lensCatalogue_ = data;
        context_.lensModelsInfoSource() = LensModelsInfoSource::downloadHost;
        return;
    }
    lensCatalogue_ = copy.stored();
    context_.lensModelsInfoSource() =
        lensCatalogue_ ? LensModelsInfoSource::localCopy : LensModelsInfoSource::unavailable;
}

void ConnectFlow::lensPicture(NetworkFileType type, const std::optional<QByteArray>& data) {
    emit pictureReceived(type, data);
    if (type == NetworkFileType::lensImage)
        lensImageIn_ = true;
    else if (type == NetworkFileType::focusAdjustmentImage)
        focusAdjustmentImageIn_ = true;
    else
        focusLimitImageIn_ = true;
}

void ConnectFlow::checkDownloadsComplete() {
    const LensModelsInfoSource source = context_.lensModelsInfoSource();
    if (!lensImageIn_ || !focusAdjustmentImageIn_ || !focusLimitImageIn_ ||
        source == LensModelsInfoSource::none)
        return;
    if (source == LensModelsInfoSource::unavailable || !lensCatalogue_) {
        refuseLens(DialogId::getModelInfoError, ApplicationState::waitingForLens);
        return;
    }
    parseLensCatalogue(*lensCatalogue_);
}

void ConnectFlow::parseLensCatalogue(const QByteArray& xml) {
    ++parseCount_;
    ModelInfoParseOptions options;
    options.lensKind = context_.lensInfo().get().lensKind;
    const auto result = ModelInfoParser::parseLensModelsInfo(xml, context_.lensModelInfo().get(), options);
    if (!result.record) {
        if (result.xmlError)
            logInit(*result.xmlError);
        refuseLens(DialogId::getModelInfoError, ApplicationState::waitingForLens);
        return;
    }
    context_.lensModelInfo().set(*result.record);
    phase_ = Phase::device;
    request(ApplicationState::readingSettings);
}

void ConnectFlow::settingsRead(ExchangeResult result, const std::optional<CommDataFormat>& response) {
    // Read once: the lens is polled, not read again, while a notice is up.
    request(ApplicationState::holdingLens);
    const LensInfo lens = context_.lensInfo().get();
    std::optional<LensAdjustData> data;
    if (result == ExchangeResult::success && response)
        data = makeLensAdjustData(*response, lens);
    const bool settingsRead = data.has_value();
    if (!data)
        data = context_.defaultAdjustData().get();
    data->correctSettings(lens);
    context_.currentAdjustData().set(*data);
    context_.lensSettings().set(settingsRead ? data : std::nullopt);
    if (settingsRead) {
        phase_ = Phase::ready;
        emit lensReady(true);
        return;
    }
    ask(DialogId::getAdjustError, [this](DialogResponse) {
        phase_ = Phase::ready;
        emit lensReady(false);
    });
}

// The lens must be taken off before another counts: the alert, then `next`.
void ConnectFlow::refuseLens(DialogId kind, ApplicationState next) {
    context_.connectionThread().setAwaitLensRemoval(true);
    request(ApplicationState::holdingAdapter);
    ask(kind, [this, next](DialogResponse) {
        phase_ = Phase::device;
        request(next);
    });
}

// The port is closed and seen closed (bounded: the serial library does not promise it) before the end.
void ConnectFlow::endAfterAdapterError() {
    phase_ = Phase::ending;
    SerialChannel& channel = context_.channel();
    Logger::trace(QStringLiteral("USB"), QStringLiteral("Port Close"));
    if (channel.isPortOpen())
        channel.closePort();
    channel.endWatchdog();
    portCloseDeadline_ = std::chrono::steady_clock::now() + policy_.portClosedBound;
    portCloseTimer_.start();
    checkPortClosed();
}

void ConnectFlow::checkPortClosed() {
    if (context_.channel().isPortOpen() && std::chrono::steady_clock::now() < portCloseDeadline_)
        return;
    portCloseTimer_.stop();
    emit endRequested(0);
}

} // namespace lensdock
