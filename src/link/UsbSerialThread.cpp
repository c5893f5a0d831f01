#include "link/UsbSerialThread.h"

#include "adjust/AdjustPayload.h"
#include "link/Logger.h"

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
    case ApplicationState::adapterReconnect:
        return EntryRequest{CommandIndex::getBasicInfo, true};
    case ApplicationState::lensDisadhesion:
        return EntryRequest{CommandIndex::checkLensMounted, true};
    case ApplicationState::lensDisconnect:
        return EntryRequest{CommandIndex::reqLensConnect, true};
    case ApplicationState::lensConnect:
    case ApplicationState::processing:
        return EntryRequest{CommandIndex::getBasicInfo, false};
    case ApplicationState::adjDataRead:
        return EntryRequest{CommandIndex::getAdjData, false};
    case ApplicationState::lensDisconnected:
    case ApplicationState::appTerminate:
        return EntryRequest{CommandIndex::reqLensDisconnect, true};
    default:
        return std::nullopt;
    }
}
} // namespace

UsbSerialThread::UsbSerialThread(UsbSerialInterface& serial, const Guarded<LensAdjustData>& currentAdjustData,
                                 const Guarded<LensInfo>& lensInfo, std::chrono::microseconds tick)
    : serial_(serial), currentAdjustData_(currentAdjustData), lensInfo_(lensInfo), tickLength_(tick) {}

UsbSerialThread::~UsbSerialThread() {
    stop();
}

void UsbSerialThread::stop() {
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

void UsbSerialThread::setDelegate(UsbSerialThreadDelegate* delegate) {
    std::unique_lock lock(delegateMutex_);
    delegate_ = delegate;
    if (deliveringOn_ == std::this_thread::get_id())
        return; // the report in flight is our caller
    deliveryEnded_.wait(lock, [this] { return !deliveringOn_; });
}

UsbSerialThreadDelegate* UsbSerialThread::delegate() const {
    std::lock_guard lock(delegateMutex_);
    return delegate_;
}

// The lock is not held during the call: the receiver may call back into this object, or wait for a
// thread that is itself about to replace the receiver.
void UsbSerialThread::deliver(const std::function<void(UsbSerialThreadDelegate&)>& call) {
    UsbSerialThreadDelegate* receiver = nullptr;
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

void UsbSerialThread::start() {
    if (running_.exchange(true))
        return;
    thread_ = std::thread([this] { main(); });
}

bool UsbSerialThread::waitForExit(std::chrono::milliseconds limit) {
    std::unique_lock lock(wakeMutex_);
    return wake_.wait_for(lock, limit, [this] { return exited_.load(); });
}

void UsbSerialThread::main() {
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

void UsbSerialThread::requestState(ApplicationState state) {
    ApplicationState pending = appNewState_;
    while (pending != ApplicationState::appTerminate && !appNewState_.compare_exchange_weak(pending, state)) {
    }
}

void UsbSerialThread::startMain() {
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
    report(ApplicationState::startup, UsbThreadErrorCode::failure, std::nullopt);
}

void UsbSerialThread::tick() {
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

void UsbSerialThread::startupLoopTick() {
    if (threadState_ == ThreadState::sendProcess) {
        commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        reportReply(appState_);
        threadState_ = ThreadState::sendProcess;
        inStartupLoop_ = false;
    }
}

void UsbSerialThread::mainLoopTick() {
    const ApplicationState requested = appNewState_;
    if (threadState_ == ThreadState::sendProcess && requested != appState_) {
        // Without an adapter only termination is taken; other requests wait until it is back.
        if (appState_ != ApplicationState::adapterDisconnect || requested == ApplicationState::appTerminate) {
            setState(requested);
            return;
        }
    }
    switch (appState_.load()) {
    case ApplicationState::adapterDisconnect:
        searchAdapter();
        break;
    case ApplicationState::adapterReconnect:
        adapterReconnectAction();
        break;
    case ApplicationState::lensDisadhesion:
        lensDisadhesionAction();
        break;
    case ApplicationState::lensDisconnect:
    case ApplicationState::adjDataRead:
    case ApplicationState::lensDisconnected:
        repeatedRequestAction();
        break;
    case ApplicationState::lensConnect:
    case ApplicationState::processing:
        lensIdentityPollAction();
        break;
    case ApplicationState::adjDataWriting:
        writeAction();
        break;
    case ApplicationState::appTerminate:
        terminationAction();
        break;
    default: // startup, initialProcessing, fwUpdate: idle
        break;
    }
}

void UsbSerialThread::setState(ApplicationState state) {
    appState_ = state;
    enterState();
}

void UsbSerialThread::enterState() {
    const ApplicationState state = appState_;
    ApplicationState pending = appNewState_;
    while (pending != ApplicationState::appTerminate && !appNewState_.compare_exchange_weak(pending, state)) {
    }
    logThread(QStringLiteral("Change appState: %1").arg(int(state)));
    commandSendCounter_ = 0;
    writeReported_ = false;
    if (state == ApplicationState::adapterDisconnect || state == ApplicationState::lensDisconnected) {
        if (state == ApplicationState::adapterDisconnect)
            waitNotAdhesion_ = false;
        processingErr_ = ProcessingErrorType::success;
        deliver([](UsbSerialThreadDelegate& receiver) { receiver.usbSerialThreadDisconnected(); });
    }
    if (const auto request = entryRequestOf(state))
        makeCommand(request->index, request->toAdapter);
}

void UsbSerialThread::makeCommand(CommandIndex index, bool toAdapter) {
    if (const auto request = buildRequest(index, toAdapter))
        sendData_ = *request;
    else
        logThread(QStringLiteral("CommFormat Invalid FunctionNumber"));
}

bool UsbSerialThread::checkAdjustData(const LensAdjustData& adjustData) const {
    return adjustData.checkAdjustData(lensInfo_.get(), delegate() != nullptr);
}

void UsbSerialThread::commonSend(bool noResend) {
    threadState_ = ThreadState::waitResponse;
    const int result = serial_.sendCommand(sendData_, noResend);
    if (result == UsbSerialInterface::sent)
        return;
    threadState_ = ThreadState::sendProcess;
    if (result != UsbSerialInterface::noPort)
        return; // tried again on the next tick
    if (isInAdapterLossSet(appNewState_))
        setState(ApplicationState::adapterDisconnect);
    else
        processingErr_ = ProcessingErrorType::adapter;
}

void UsbSerialThread::report(ApplicationState state, UsbThreadErrorCode error,
                             const std::optional<CommDataFormat>& response) {
    deliver(
        [&](UsbSerialThreadDelegate& receiver) { receiver.usbSerialThreadResult(state, error, response); });
}

UsbThreadErrorCode UsbSerialThread::takeReply(std::optional<CommDataFormat>& reply) {
    std::lock_guard lock(replyMutex_);
    reply = recvData_;
    return errorCode_;
}

void UsbSerialThread::reportReply(ApplicationState state) {
    std::optional<CommDataFormat> reply;
    const UsbThreadErrorCode error = takeReply(reply);
    report(state, error, reply);
}

void UsbSerialThread::searchAdapter() {
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
    setState(ApplicationState::adapterReconnect);
}

void UsbSerialThread::adapterReconnectAction() {
    if (threadState_ == ThreadState::sendProcess) {
        if (!adapterReConnectSuccess_)
            commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        std::optional<CommDataFormat> reply;
        const UsbThreadErrorCode error = takeReply(reply);
        report(appState_, error, reply);
        threadState_ = ThreadState::sendProcess;
        if (error == UsbThreadErrorCode::success)
            adapterReConnectSuccess_ = true;
    }
}

void UsbSerialThread::lensDisadhesionAction() {
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
    const UsbThreadErrorCode error = takeReply(reply);
    if (error != UsbThreadErrorCode::success || !reply) {
        commandSendCounter_ = countMax;
    } else if (!reply->data.isEmpty() && byteAt(reply->data, 0) == 1) {
        if (waitNotAdhesion_)
            commandSendCounter_ = countMax;
        else
            report(ApplicationState::lensDisadhesion, error, reply);
    } else if (waitNotAdhesion_) {
        waitNotAdhesion_ = false; // the lens was seen off: the next one counts
    } else {
        commandSendCounter_ = countMax;
    }
    threadState_ = ThreadState::sendProcess;
}

void UsbSerialThread::repeatedRequestAction() {
    if (threadState_ == ThreadState::sendProcess) {
        commonSend();
    } else if (threadState_ == ThreadState::recvResponse) {
        reportReply(appState_);
        threadState_ = ThreadState::sendProcess;
    }
}

void UsbSerialThread::lensIdentityPollAction() {
    const ApplicationState state = appState_;
    if (threadState_ == ThreadState::sendProcess) {
        if (processingErr_ != ProcessingErrorType::success) {
            if (state == ApplicationState::lensConnect)
                report(ApplicationState::lensConnect, UsbThreadErrorCode::failure, std::nullopt);
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
    const UsbThreadErrorCode error = takeReply(reply);
    if (error == UsbThreadErrorCode::success && reply) {
        commandSendCounter_ = countMax;
        report(state, error, reply);
    } else if (state == ApplicationState::lensConnect && appNewState_ == state) {
        report(ApplicationState::lensConnect, error, reply);
    } else {
        commandSendCounter_ = countMax;
        processingErr_ = ProcessingErrorType::lens;
    }
    threadState_ = ThreadState::sendProcess;
}

// A write is reported once per entry into the state: repeating it on every tick until the screen
// moves on would write the lens again and again and stack up result alerts.
void UsbSerialThread::writeAction() {
    const ThreadState position = threadState_;
    if (position == ThreadState::waitResponse || writeReported_)
        return;
    if (processingErr_ != ProcessingErrorType::success) {
        report(ApplicationState::adjDataWriting, UsbThreadErrorCode::failure, std::nullopt);
        writeReported_ = true;
        threadState_ = ThreadState::sendProcess;
        return;
    }
    if (position == ThreadState::sendProcess) {
        const LensAdjustData data = currentAdjustData_.get();
        if (!checkAdjustData(data)) {
            report(ApplicationState::adjDataWriting, UsbThreadErrorCode::failure, std::nullopt);
            writeReported_ = true;
            return;
        }
        makeSetAdjustData(sendData_, data, lensInfo_.get());
        commonSend();
        return;
    }
    std::optional<CommDataFormat> reply;
    const UsbThreadErrorCode error = takeReply(reply);
    if (error == UsbThreadErrorCode::success && reply && reply->funcNumber == FunctionNumber::setAdjData) {
        makeCommand(CommandIndex::getAdjData, false); // read the data back at once
        commonSend();
        return;
    }
    report(ApplicationState::adjDataWriting, error, reply);
    writeReported_ = true;
    threadState_ = ThreadState::sendProcess;
}

void UsbSerialThread::terminationAction() {
    if (threadState_ == ThreadState::sendProcess) {
        threadState_ = ThreadState::waitResponse;
        if (serial_.sendCommand(sendData_, false) == UsbSerialInterface::sent)
            return;
        // The release could not be sent: close anyway and end with a failure report.
        threadState_ = ThreadState::sendProcess;
        closePortAndWatchdog();
        report(ApplicationState::appTerminate, UsbThreadErrorCode::failure, std::nullopt);
    } else if (threadState_ == ThreadState::recvResponse) {
        closePortAndWatchdog();
        reportReply(ApplicationState::appTerminate);
    } else {
        return;
    }
    std::lock_guard lock(wakeMutex_);
    exited_ = true;
    wake_.notify_all(); // under the lock: a waiter may drop this object once it is free
}

void UsbSerialThread::closePortAndWatchdog() {
    Logger::trace(QStringLiteral("USB"), QStringLiteral("Port Close"));
    serial_.closePort();
    serial_.endWatchdog();
    const auto deadline = std::chrono::steady_clock::now() + portCloseBound;
    while (serial_.isPortOpen() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void UsbSerialThread::handleAdapterRemoval() {
    if (isInAdapterLossSet(appNewState_))
        setState(ApplicationState::adapterDisconnect);
    else
        processingErr_ = ProcessingErrorType::adapter;
    threadState_ = ThreadState::sendProcess;
}

void UsbSerialThread::usbSerialDidReceiveResponse(const CommDataFormat& response) {
    {
        std::lock_guard lock(replyMutex_);
        errorCode_ = response.funcNumber == FunctionNumber::commError ? UsbThreadErrorCode::failure
                                                                      : UsbThreadErrorCode::success;
        recvData_ = response;
    }
    threadState_ = ThreadState::recvResponse;
}

void UsbSerialThread::usbSerialDidReceiveControl(bool) {}

void UsbSerialThread::usbSerialDidFail(UsbSerialErrorCode code) {
    {
        std::lock_guard lock(replyMutex_);
        errorCode_ = code == UsbSerialErrorCode::overcurrent ? UsbThreadErrorCode::overcurrent
                                                             : UsbThreadErrorCode::failure;
        recvData_.reset();
    }
    threadState_ = ThreadState::recvResponse;
}

// Runs on the port's thread: the state change itself is left to the loop's next tick, so that only
// the loop ever changes the state.
void UsbSerialThread::usbSerialWasRemoved() {
    logThread(QStringLiteral("UsbSerial Delegate Removed"));
    adapterRemoved_ = true;
}

} // namespace lensdock
