#include "connection/ConnectionThread.h"

#include "adjust/AdjustPayload.h"
#include "base/Logger.h"

namespace lensdock {

namespace {
const QString threadTag = QStringLiteral("Thread");
void logThread(const QString& message) {
    Logger::trace(threadTag, message);
}

// The request each state sends, built on entry.
struct EntryRequest {
    CommandIndex index;
    bool toAdapter;
};
std::optional<EntryRequest> entryRequestOf(ApplicationState state) {
    switch (state) {
    case ApplicationState::startup:
    case ApplicationState::reconnectingAdapter:
        return EntryRequest{CommandIndex::getBasicInfo, true};
    case ApplicationState::waitingForLens:
        return EntryRequest{CommandIndex::checkLensMounted, true};
    case ApplicationState::connectingLens:
        return EntryRequest{CommandIndex::reqLensConnect, true};
    case ApplicationState::lensConnected:
    case ApplicationState::holdingLens:
        return EntryRequest{CommandIndex::getBasicInfo, false};
    case ApplicationState::readingSettings:
        return EntryRequest{CommandIndex::getAdjData, false};
    case ApplicationState::releasingLens:
    case ApplicationState::terminating:
        return EntryRequest{CommandIndex::reqLensDisconnect, true};
    default:
        return std::nullopt;
    }
}
} // namespace

ConnectionThread::ConnectionThread(SerialChannel& serial, const Guarded<LensAdjustData>& currentAdjustData,
                                   const Guarded<LensInfo>& lensInfo, std::chrono::microseconds tick)
    : serial_(serial), currentAdjustData_(currentAdjustData), lensInfo_(lensInfo), tickLength_(tick) {}

ConnectionThread::~ConnectionThread() {
    stop();
}

void ConnectionThread::stop() {
    if (stopped_.exchange(true))
        return;
    {
        std::lock_guard lock(wakeMutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (serial_.delegate() == this)
        serial_.setDelegate(nullptr);
}

void ConnectionThread::setDelegate(ConnectionThreadDelegate* delegate) {
    std::unique_lock lock(delegateMutex_);
    delegate_ = delegate;
    if (deliveringOn_ == std::this_thread::get_id())
        return; // the report in flight is our caller
    deliveryEnded_.wait(lock, [this] { return !deliveringOn_; });
}

ConnectionThreadDelegate* ConnectionThread::delegate() const {
    std::lock_guard lock(delegateMutex_);
    return delegate_;
}

// The lock is not held during the call: the receiver may call back into this object, or wait for a
// thread that is itself about to replace the receiver.
void ConnectionThread::deliver(const std::function<void(ConnectionThreadDelegate&)>& call) {
    ConnectionThreadDelegate* receiver = nullptr;
    {
        std::lock_guard lock(delegateMutex_);
        receiver = delegate_;
        if (!receiver)
            return;
        deliveringOn_ = std::this_thread::get_id();
    }
    call(*receiver);
    {
        std::lock_guard lock(delegateMutex_);
        deliveringOn_.reset();
    }
    deliveryEnded_.notify_all();
}

void ConnectionThread::start() {
    if (running_.exchange(true))
        return;
    thread_ = std::thread([this] { main(); });
}

bool ConnectionThread::waitForExit(std::chrono::milliseconds limit) {
    std::unique_lock lock(wakeMutex_);
    return wake_.wait_for(lock, limit, [this] { return exited_.load(); });
}

void ConnectionThread::main() {
    startMain();
    while (!exited_) {
        std::unique_lock lock(wakeMutex_);
        if (wake_.wait_for(lock, tickLength_, [this] { return stopRequested_.load(); }))
            break;
        lock.unlock();
        tick();
    }
    running_ = false;
}

void ConnectionThread::requestState(ApplicationState state) {
    ApplicationState pending = appNewState_;
    while (pending != ApplicationState::terminating && !appNewState_.compare_exchange_weak(pending, state)) {
    }
    // A quit does not sit out a watchdog period for an answer that may never come (a lens just taken
    // off); a firmware transfer keeps its own rules.
    if (state == ApplicationState::terminating && appState_ != ApplicationState::firmwareUpdate)
        serial_.abandonWait();
}

void ConnectionThread::startMain() {
    serial_.setDelegate(this);
    path_ = serial_.findPortPath();
    if (path_.isEmpty()) {
        logThread(QStringLiteral("Port Not Found"));
    } else {
        Logger::trace(QStringLiteral("USB"), QStringLiteral("path = ") + path_);
        if (serial_.openPort(path_)) {
            logThread(QStringLiteral("Port open success"));
            setState(ApplicationState::startup);
            return;
        }
        logThread(QStringLiteral("Port open failed"));
    }
    report(ApplicationState::startup, ExchangeResult::failure, std::nullopt);
}

void ConnectionThread::tick() {
    if (exited_)
        return;
    if (adapterRemoved_.exchange(false))
        handleAdapterRemoval();
    if (inStartupLoop_) {
        if (appState_ == ApplicationState::startup) {
            startupLoopTick();
            return;
        }
        inStartupLoop_ = false;
    }
    mainLoopTick();
}

void ConnectionThread::startupLoopTick() {
    if (threadState_ == ThreadState::sendProcess) {
        commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        reportReply(appState_);
        threadState_ = ThreadState::sendProcess;
        inStartupLoop_ = false;
    }
}

void ConnectionThread::mainLoopTick() {
    const ApplicationState requested = appNewState_;
    if (threadState_ == ThreadState::sendProcess && requested != appState_) {
        // Without an adapter only termination is taken; other requests wait until it is back.
        if (appState_ != ApplicationState::searchingAdapter || requested == ApplicationState::terminating) {
            setState(requested);
            return;
        }
    }
    switch (appState_.load()) {
    case ApplicationState::searchingAdapter:
        searchAdapter();
        break;
    case ApplicationState::reconnectingAdapter:
        adapterReconnectAction();
        break;
    case ApplicationState::waitingForLens:
        waitForLensAction();
        break;
    case ApplicationState::connectingLens:
    case ApplicationState::readingSettings:
    case ApplicationState::releasingLens:
        repeatedRequestAction();
        break;
    case ApplicationState::lensConnected:
    case ApplicationState::holdingLens:
        lensIdentityPollAction();
        break;
    case ApplicationState::writingSettings:
        writeAction();
        break;
    case ApplicationState::terminating:
        terminationAction();
        break;
    default: // startup, initialProcessing, fwUpdate: idle
        break;
    }
}

void ConnectionThread::setState(ApplicationState state) {
    appState_ = state;
    enterState();
}

void ConnectionThread::enterState() {
    const ApplicationState state = appState_;
    ApplicationState pending = appNewState_;
    while (pending != ApplicationState::terminating && !appNewState_.compare_exchange_weak(pending, state)) {
    }
    logThread(QStringLiteral("Change appState: %1").arg(int(state)));
    commandSendCounter_ = 0;
    writeReported_ = false;
    if (state == ApplicationState::connectingLens)
        lensOverCurrent_ = false;
    if (state == ApplicationState::searchingAdapter || state == ApplicationState::releasingLens) {
        if (state == ApplicationState::searchingAdapter)
            awaitLensRemoval_ = false;
        deviceLoss_ = DeviceLoss::none;
        deliver([](ConnectionThreadDelegate& receiver) { receiver.connectionEnded(); });
    }
    if (const auto request = entryRequestOf(state))
        makeCommand(request->index, request->toAdapter);
}

void ConnectionThread::makeCommand(CommandIndex index, bool toAdapter) {
    if (const auto request = buildRequest(index, toAdapter))
        sendData_ = *request;
    else
        logThread(QStringLiteral("CommFormat Invalid FunctionNumber"));
}

bool ConnectionThread::checkAdjustData(const LensAdjustData& adjustData) const {
    return adjustData.checkAdjustData(lensInfo_.get(), delegate() != nullptr);
}

void ConnectionThread::commonSend(bool noResend) {
    threadState_ = ThreadState::waitResponse;
    const int result = serial_.sendCommand(sendData_, noResend);
    if (result == SerialChannel::sent)
        return;
    threadState_ = ThreadState::sendProcess;
    if (result != SerialChannel::noPort)
        return; // tried again on the next tick
    if (isInAdapterLossSet(appNewState_))
        setState(ApplicationState::searchingAdapter);
    else
        deviceLoss_ = DeviceLoss::adapter;
}

void ConnectionThread::report(ApplicationState state, ExchangeResult error,
                              const std::optional<CommDataFormat>& response) {
    deliver([&](ConnectionThreadDelegate& receiver) { receiver.exchangeFinished(state, error, response); });
}

ExchangeResult ConnectionThread::takeReply(std::optional<CommDataFormat>& reply) {
    std::lock_guard lock(replyMutex_);
    reply = recvData_;
    return errorCode_;
}

void ConnectionThread::reportReply(ApplicationState state) {
    std::optional<CommDataFormat> reply;
    const ExchangeResult error = takeReply(reply);
    report(state, error, reply);
}

void ConnectionThread::searchAdapter() {
    path_.clear();
    path_ = serial_.findPortPath();
    if (path_.isEmpty())
        return;
    Logger::trace(QStringLiteral("USB"), QStringLiteral("path = ") + path_);
    if (!serial_.openPort(path_)) {
        logThread(QStringLiteral("Port Re open failed"));
        return;
    }
    logThread(QStringLiteral("Port Re open success"));
    adapterReConnectSuccess_ = false;
    setState(ApplicationState::reconnectingAdapter);
}

void ConnectionThread::adapterReconnectAction() {
    if (threadState_ == ThreadState::sendProcess) {
        if (!adapterReConnectSuccess_)
            commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        std::optional<CommDataFormat> reply;
        const ExchangeResult error = takeReply(reply);
        report(appState_, error, reply);
        threadState_ = ThreadState::sendProcess;
        if (error == ExchangeResult::success)
            adapterReConnectSuccess_ = true;
    }
}

void ConnectionThread::waitForLensAction() {
    if (threadState_ == ThreadState::sendProcess) {
        if (commandSendCounter_ > 0)
            --commandSendCounter_;
        else
            commonSend();
        return;
    }
    if (threadState_ != ThreadState::recvResponse)
        return;
    std::optional<CommDataFormat> reply;
    const ExchangeResult error = takeReply(reply);
    if (error != ExchangeResult::success || !reply) {
        commandSendCounter_ = countMax;
    } else if (!reply->data.isEmpty() && byteAt(reply->data, 0) == 1) {
        if (awaitLensRemoval_)
            commandSendCounter_ = countMax;
        else
            report(ApplicationState::waitingForLens, error, reply);
    } else if (awaitLensRemoval_) {
        awaitLensRemoval_ = false; // the lens was seen off: the next one counts
    } else {
        commandSendCounter_ = countMax;
    }
    threadState_ = ThreadState::sendProcess;
}

void ConnectionThread::repeatedRequestAction() {
    if (threadState_ == ThreadState::sendProcess) {
        commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        reportReply(appState_);
        threadState_ = ThreadState::sendProcess;
    }
}

void ConnectionThread::lensIdentityPollAction() {
    const ApplicationState state = appState_;
    if (threadState_ == ThreadState::sendProcess) {
        if (deviceLoss_ != DeviceLoss::none) {
            if (state == ApplicationState::lensConnected)
                report(ApplicationState::lensConnected, ExchangeResult::failure, std::nullopt);
        } else if (commandSendCounter_ > 0) {
            --commandSendCounter_;
        } else {
            commonSend(true); // a lost poll is not resent
        }
        return;
    }
    if (threadState_ != ThreadState::recvResponse)
        return;
    std::optional<CommDataFormat> reply;
    const ExchangeResult error = takeReply(reply);
    if (error == ExchangeResult::success && reply) {
        commandSendCounter_ = countMax;
        report(state, error, reply);
    } else if (state == ApplicationState::lensConnected && appNewState_ == state) {
        report(ApplicationState::lensConnected, error, reply);
    } else {
        commandSendCounter_ = countMax;
        deviceLoss_ = DeviceLoss::lens;
        if (error == ExchangeResult::overcurrent)
            lensOverCurrent_ = true;
    }
    threadState_ = ThreadState::sendProcess;
}

// A write is reported once per entry into the state: repeating it on every tick until the screen
// moves on would write the lens again and again and stack up result alerts.
void ConnectionThread::writeAction() {
    const ThreadState position = threadState_;
    if (position == ThreadState::waitResponse || writeReported_)
        return;
    if (deviceLoss_ != DeviceLoss::none) {
        report(ApplicationState::writingSettings, ExchangeResult::failure, std::nullopt);
        writeReported_ = true;
        threadState_ = ThreadState::sendProcess;
        return;
    }
    if (position == ThreadState::sendProcess) {
        const LensAdjustData data = currentAdjustData_.get();
        if (!checkAdjustData(data)) {
            report(ApplicationState::writingSettings, ExchangeResult::failure, std::nullopt);
            writeReported_ = true;
            return;
        }
        makeSetAdjustData(sendData_, data, lensInfo_.get());
        commonSend();
        return;
    }
    std::optional<CommDataFormat> reply;
    const ExchangeResult error = takeReply(reply);
    if (error == ExchangeResult::success && reply && reply->funcNumber == FunctionNumber::setAdjData) {
        makeCommand(CommandIndex::getAdjData, false); // read the data back at once
        commonSend();
        return;
    }
    report(ApplicationState::writingSettings, error, reply);
    writeReported_ = true;
    threadState_ = ThreadState::sendProcess;
}

void ConnectionThread::terminationAction() {
    if (threadState_ == ThreadState::sendProcess) {
        threadState_ = ThreadState::waitResponse;
        if (serial_.sendCommandBriefly(sendData_, releaseTimeoutTicks) == SerialChannel::sent)
            return;
        // The release could not be sent: close anyway and end with a failure report.
        threadState_ = ThreadState::sendProcess;
        closePortAndWatchdog();
        report(ApplicationState::terminating, ExchangeResult::failure, std::nullopt);
    } else if (threadState_ == ThreadState::recvResponse) {
        closePortAndWatchdog();
        reportReply(ApplicationState::terminating);
    } else {
        return;
    }
    std::lock_guard lock(wakeMutex_);
    exited_ = true;
    wake_.notify_all(); // under the lock: a waiter may drop this object once it is free
}

void ConnectionThread::closePortAndWatchdog() {
    Logger::trace(QStringLiteral("USB"), QStringLiteral("Port Close"));
    serial_.closePort();
    serial_.endWatchdog();
    const auto deadline = std::chrono::steady_clock::now() + portCloseBound;
    while (serial_.isPortOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void ConnectionThread::handleAdapterRemoval() {
    if (appState_ == ApplicationState::searchingAdapter) {
        // A send already found the port gone; the screens were told once.
        threadState_ = ThreadState::sendProcess;
        return;
    }
    if (isInAdapterLossSet(appNewState_))
        setState(ApplicationState::searchingAdapter);
    else
        deviceLoss_ = DeviceLoss::adapter;
    threadState_ = ThreadState::sendProcess;
}

void ConnectionThread::usbSerialDidReceiveResponse(const CommDataFormat& response) {
    {
        std::lock_guard lock(replyMutex_);
        errorCode_ = response.funcNumber == FunctionNumber::commError ? ExchangeResult::failure
                                                                      : ExchangeResult::success;
        recvData_ = response;
    }
    threadState_ = ThreadState::recvResponse;
}

void ConnectionThread::usbSerialDidReceiveControl(bool) {}

void ConnectionThread::usbSerialDidFail(ChannelError code) {
    {
        std::lock_guard lock(replyMutex_);
        errorCode_ =
            code == ChannelError::overcurrent ? ExchangeResult::overcurrent : ExchangeResult::failure;
        recvData_.reset();
    }
    threadState_ = ThreadState::recvResponse;
}

// Runs on the port's thread: the state change itself is left to the loop's next tick, so that only
// the loop ever changes the state.
void ConnectionThread::usbSerialWasRemoved() {
    logThread(QStringLiteral("UsbSerial Delegate Removed"));
    adapterRemoved_ = true;
}

} // namespace lensdock
