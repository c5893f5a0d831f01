#include "link/SerialChannel.h"

#include "base/Logger.h"
#include "link/CommandSet.h"
#include "link/FrameCodec.h"

namespace lensdock {

namespace {
const QString usbTag = QStringLiteral("USB");

void logUsb(const QString& message) {
    Logger::trace(usbTag, message);
}

bool isTransferByte(std::uint8_t byte) {
    return byte == ControlByte::can || byte == ControlByte::eot || byte == ControlByte::stx;
}
} // namespace

SerialChannel::SerialChannel(std::shared_ptr<SerialPortProvider> provider,
                             std::chrono::microseconds watchdogTick)
    : provider_(std::move(provider)), watchdogTick_(watchdogTick) {}

SerialChannel::~SerialChannel() {
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Watchdog> timer;
    {
        std::lock_guard lock(mutex_);
        port = std::move(serialPort_);
        timer = std::move(timeoutTimer_);
    }
    // Closed outside the lock: closing waits for the port's thread, which may be waiting for the lock.
    port.reset();
    timer.reset();
}

QString SerialChannel::findPortPath() {
    return provider_->findPortPath();
}

bool SerialChannel::openPort(const QString& path) {
    logUsb(QStringLiteral("Port Open"));
    if (path.isEmpty())
        return false;
    std::unique_ptr<SerialPort> retired;
    {
        std::lock_guard lock(mutex_);
        if (serialPort_ && serialPort_->isOpen())
            return true;
        retired = std::move(serialPort_);
    }
    retired.reset();
    const std::uint64_t id = ++lastPortId_;
    SerialPort::Callbacks callbacks;
    callbacks.received = [this, id](const QByteArray& bytes) { receiveData(id, bytes); };
    callbacks.removed = [this, id] { serialPortWasRemovedFromSystem(id); };
    std::unique_ptr<SerialPort> opened = provider_->openPort(path, std::move(callbacks));
    const bool isOpen = opened && opened->isOpen();
    {
        std::lock_guard lock(mutex_);
        if (isOpen) {
            serialPort_ = std::move(opened);
            portId_ = id;
        }
    }
    replaceTimer();
    return isOpen;
}

void SerialChannel::replaceTimer() {
    auto timer = std::make_unique<Watchdog>(this, watchdogTick_);
    timer->start();
    std::unique_ptr<Watchdog> old;
    {
        std::lock_guard lock(mutex_);
        old = std::move(timeoutTimer_);
        timeoutTimer_ = std::move(timer);
    }
    // `old` ends here, outside the lock: its thread may be waiting for the lock in a time-out report.
}

bool SerialChannel::isPortOpen() const {
    std::lock_guard lock(mutex_);
    return serialPort_ && serialPort_->isOpen();
}

void SerialChannel::closePort() {
    std::unique_ptr<SerialPort> port;
    {
        std::lock_guard lock(mutex_);
        port = std::move(serialPort_);
        portId_ = 0;
        queuedBlocks_.clear();
    }
    if (port)
        port->close();
}

void SerialChannel::endWatchdog() {
    std::lock_guard lock(mutex_);
    if (timeoutTimer_)
        timeoutTimer_->requestDelete();
}

int SerialChannel::checkReadyToSend() const {
    if (!serialPort_ || !serialPort_->isOpen())
        return noPort;
    if (isResponseWaiting_)
        return busy;
    return sent;
}

int SerialChannel::sendCommand(const CommDataFormat& request, bool noResend) {
    std::lock_guard lock(mutex_);
    return sendFrame(request, noResend, Watchdog::requestTimeoutTicks);
}

int SerialChannel::sendCommandBriefly(const CommDataFormat& request, std::uint32_t timeoutTicks) {
    std::lock_guard lock(mutex_);
    return sendFrame(request, true, timeoutTicks);
}

int SerialChannel::sendFrame(const CommDataFormat& request, bool noResend, std::uint32_t timeoutTicks) {
    if (const int ready = checkReadyToSend(); ready != sent)
        return ready;
    const std::uint8_t number = FrameCodec::nextPacketNumber(packetNumber_);
    sendBuffer_ = FrameCodec::encodeFrame(request, number);
    if (sendBuffer_.isEmpty())
        return noChecksum;
    if (!transmitSendBuffer(noResend, timeoutTicks)) {
        sendBuffer_.clear();
        return refused;
    }
    packetNumber_ = number; // a refused request uses up no number
    return sent;
}

void SerialChannel::abandonWait() {
    PendingReport report;
    {
        std::lock_guard lock(mutex_);
        if (!isResponseWaiting_ || !queuedBlocks_.empty() || sendBuffer_.isEmpty() ||
            byteAt(sendBuffer_, 0) != CommDataFormat::startMarker)
            return;
        logLocked(QStringLiteral("Wait abandoned"));
        report = finish({Report::Kind::failure, {}, false, ChannelError::timeout});
    }
    deliver(report);
}

int SerialChannel::sendRawData(const QByteArray& bytes) {
    std::lock_guard lock(mutex_);
    return sendBuffered(bytes, false);
}

int SerialChannel::sendBlock(const QByteArray& header, const QByteArray& data, bool noResend) {
    std::lock_guard lock(mutex_);
    return sendBuffered(FrameCodec::encodeTransferBlock(header, data), noResend);
}

bool SerialChannel::queueBlock(const QByteArray& header, const QByteArray& data) {
    // Encoded before taking the lock: the port's thread may need it for an acknowledgement meanwhile.
    QByteArray block = FrameCodec::encodeTransferBlock(header, data);
    if (block.isEmpty())
        return false;
    std::lock_guard lock(mutex_);
    if (!serialPort_ || !isResponseWaiting_ || int(queuedBlocks_.size()) >= queuedBlocksLimit ||
        sendBuffer_.isEmpty() || byteAt(sendBuffer_, 0) != ControlByte::stx)
        return false;
    queuedBlocks_.push_back(std::move(block));
    return true;
}

int SerialChannel::sendBuffered(const QByteArray& bytes, bool noResend) {
    if (const int ready = checkReadyToSend(); ready != sent)
        return ready;
    if (bytes.isEmpty())
        return nothingToSend;
    sendBuffer_ = bytes;
    return transmitSendBuffer(noResend) ? sent : refused;
}

void SerialChannel::sendRawDataNoWait(const QByteArray& bytes) {
    std::lock_guard lock(mutex_);
    if (checkReadyToSend() != sent || bytes.isEmpty())
        return;
    logLocked(QStringLiteral("Send Command not wait ") + bufferLogName(bytes));
    serialPort_->write(bytes);
}

bool SerialChannel::transmitSendBuffer(bool noResend, std::uint32_t timeoutTicks) {
    if (sendBuffer_.isEmpty())
        return false;
    isResponseWaiting_ = true;
    reSendCount_ = 0;
    maxReSendCount_ = noResend ? 0 : reSendLimit;
    timeoutTicks_ = timeoutTicks;
    logLocked(QStringLiteral("Send Command ") + bufferLogName(sendBuffer_));
    responseErrorCode_ = ChannelError::success;
    receiveBuffer_.clear();
    if (!serialPort_->write(sendBuffer_)) {
        isResponseWaiting_ = false;
        return false;
    }
    if (timeoutTimer_)
        timeoutTimer_->restart(timeoutTicks_);
    return true;
}

void SerialChannel::receiveData(std::uint64_t portId, const QByteArray& bytes) {
    PendingReport report;
    {
        std::lock_guard lock(mutex_);
        if (portId != portId_)
            return; // a late delivery from a port that is no longer ours
        if (!isResponseWaiting_) {
            logLocked(QStringLiteral("Recv not wait"));
            return;
        }
        if (timeoutTimer_)
            timeoutTimer_->pause();
        receiveBuffer_.append(bytes);
        // The lines of this pass are written once its reply or next block is on its way: they
        // cost more than the rest of the pass, and the device is waiting.
        holdLog_ = true;
        report = dispatchReceived();
        releaseHeldLog();
    }
    deliver(report);
}

void SerialChannel::logLocked(const QString& message) {
    if (holdLog_)
        heldLog_.append(message);
    else
        logUsb(message);
}

void SerialChannel::releaseHeldLog() {
    holdLog_ = false;
    for (const QString& line : std::as_const(heldLog_))
        logUsb(line);
    heldLog_.clear();
}

SerialChannel::PendingReport SerialChannel::dispatchReceived() {
    if (receiveBuffer_.isEmpty())
        return discardResponse(ChannelError::iregular);
    switch (byteAt(receiveBuffer_, 0)) {
    case CommDataFormat::startMarker: {
        const auto expected = FrameCodec::expectedFrameSize(receiveBuffer_);
        if (!expected || receiveBuffer_.size() < *expected) {
            if (timeoutTimer_)
                timeoutTimer_->restart(timeoutTicks_);
            return std::nullopt;
        }
        return analyzeResponse();
    }
    case ControlByte::ack:
        logLocked(QStringLiteral("Recv Ack"));
        if (!isAfterTransferByte())
            return discardResponse(ChannelError::iregular);
        return finish({Report::Kind::control, {}, true, ChannelError::success});
    case ControlByte::nak:
        logLocked(QStringLiteral("Recv Nak"));
        return isAfterTransferByte() ? retryRequest(ChannelError::nak)
                                     : discardResponse(ChannelError::iregular);
    case ControlByte::can:
        logLocked(QStringLiteral("Recv Can"));
        return isAfterTransferByte() ? notifyResponseError(ChannelError::can)
                                     : discardResponse(ChannelError::iregular);
    case ControlByte::readyToReceive:
        logLocked(QStringLiteral("Recv C"));
        if (sendBuffer_.size() > FrameCodec::functionOffset &&
            byteAt(sendBuffer_, FrameCodec::functionOffset) == FunctionNumber::updateFirmware)
            return finish({Report::Kind::control, {}, false, ChannelError::success});
        return discardResponse(ChannelError::iregular);
    default:
        return discardResponse(ChannelError::formatErr);
    }
}

bool SerialChannel::isAfterTransferByte() const {
    return !sendBuffer_.isEmpty() && isTransferByte(byteAt(sendBuffer_, 0));
}

SerialChannel::PendingReport SerialChannel::analyzeResponse() {
    const QByteArray& r = receiveBuffer_;
    if (r.size() < FrameCodec::headerBytes) {
        logLocked(QStringLiteral("Error recv length"));
        return retryRequest(ChannelError::formatErr);
    }
    if (byteAt(r, 0) != CommDataFormat::startMarker) {
        logLocked(QStringLiteral("Error start mark"));
        return retryRequest(ChannelError::formatErr);
    }
    const FrameCodec::FrameError frameError = FrameCodec::checkFrame(r);
    if (frameError == FrameCodec::FrameError::length) {
        logLocked(QStringLiteral("Error length"));
        return retryRequest(ChannelError::formatErr);
    }
    if (frameError == FrameCodec::FrameError::endMarker) {
        logLocked(QStringLiteral("Error end mark"));
        return retryRequest(ChannelError::formatErr);
    }
    const CommDataFormat reply = *FrameCodec::decodeFrame(r);
    if (reply.funcNumber == FunctionNumber::commError && !reply.data.isEmpty() &&
        (byteAt(reply.data, 0) & bitOverCurrent)) {
        logLocked(QStringLiteral("Error overcurrent"));
        return notifyResponseError(ChannelError::overcurrent);
    }
    if (sendBuffer_.size() < FrameCodec::headerBytes) {
        logLocked(QStringLiteral("Error not adapter mode 1"));
        return discardResponse(ChannelError::iregular);
    }
    if (byteAt(sendBuffer_, 0) != CommDataFormat::startMarker) {
        logLocked(QStringLiteral("Error not adapter mode 2"));
        return discardResponse(ChannelError::iregular);
    }
    if (reply.packetNumber == 0) {
        logLocked(QStringLiteral("Error packet zero"));
        return retryRequest(ChannelError::packetNumZero);
    }
    if (reply.packetNumber != byteAt(sendBuffer_, 1)) {
        logLocked(QStringLiteral("Error packet number"));
        return discardResponse(ChannelError::packetNumErr);
    }
    if (reply.destination != byteAt(sendBuffer_, 2)) {
        logLocked(QStringLiteral("Error destination"));
        return retryRequest(ChannelError::destinationErr);
    }
    if (reply.funcNumber != byteAt(sendBuffer_, FrameCodec::functionOffset)) {
        logLocked(QStringLiteral("Error function number"));
        return retryRequest(ChannelError::funcNumErr);
    }
    if (reply.funcNumber == FunctionNumber::updateFirmware) {
        logLocked(QStringLiteral("Error update firmware"));
        return retryRequest(ChannelError::funcNumErr);
    }
    const auto crc = FrameCodec::expectedCrc(r);
    if (crc[0] != reply.crc[0] || crc[1] != reply.crc[1]) {
        logLocked(crc[0] != reply.crc[0] ? QStringLiteral("Error crc check 1")
                                         : QStringLiteral("Error crc check 2"));
        return retryRequest(ChannelError::crcErr);
    }
    logLocked(QStringLiteral("Recv Response ") + commandLogName(reply.funcNumber));
    return finish({Report::Kind::response, reply, false, ChannelError::success});
}

SerialChannel::PendingReport SerialChannel::retryRequest(ChannelError code) {
    if (responseErrorCode_ == ChannelError::success)
        responseErrorCode_ = code;
    if (reSendCount_ < maxReSendCount_ && !sendBuffer_.isEmpty() && serialPort_) {
        ++reSendCount_;
        if (serialPort_->write(sendBuffer_)) {
            logLocked(QStringLiteral("Retry"));
            receiveBuffer_.clear();
            if (timeoutTimer_)
                timeoutTimer_->restart(timeoutTicks_);
            return std::nullopt;
        }
    }
    logLocked(QStringLiteral("ResponseError : %1").arg(int(responseErrorCode_)));
    return finish({Report::Kind::failure, {}, false, responseErrorCode_});
}

SerialChannel::PendingReport SerialChannel::discardResponse(ChannelError code) {
    logLocked(QStringLiteral("Destruction"));
    if (responseErrorCode_ == ChannelError::success)
        responseErrorCode_ = code;
    receiveBuffer_.clear();
    // The time already spent on this request still counts.
    if (timeoutTimer_)
        timeoutTimer_->setWatching(true);
    return std::nullopt;
}

SerialChannel::PendingReport SerialChannel::notifyResponseError(ChannelError code) {
    logLocked(QStringLiteral("ResponseError : %1").arg(int(code)));
    return finish({Report::Kind::failure, {}, false, code});
}

SerialChannel::PendingReport SerialChannel::finish(Report report) {
    isResponseWaiting_ = false;
    receiveBuffer_.clear();
    if (timeoutTimer_)
        timeoutTimer_->pause();
    if (!queuedBlocks_.empty())
        sendQueuedBlock(report);
    return report;
}

// After the acknowledgement of a block, the first queued block becomes the request awaiting an
// answer; after any other end, or when it cannot be written, the queue is dropped.
void SerialChannel::sendQueuedBlock(Report& report) {
    const bool acknowledged = report.kind == Report::Kind::control && report.isAck;
    if (acknowledged && serialPort_) {
        sendBuffer_ = std::move(queuedBlocks_.front());
        queuedBlocks_.pop_front();
        if (transmitSendBuffer(false))
            return;
        report.droppedBlocks = 1;
    }
    report.droppedBlocks += int(queuedBlocks_.size());
    report.droppedCode = acknowledged ? ChannelError::commErr : report.code;
    queuedBlocks_.clear();
}

void SerialChannel::usbSerialTimeout() {
    PendingReport report;
    {
        std::lock_guard lock(mutex_);
        // A time-out that raced with the reply that ended the request has nothing left to do.
        if (!isResponseWaiting_)
            return;
        report = retryRequest(ChannelError::timeout);
    }
    deliver(report);
}

void SerialChannel::serialPortWasRemovedFromSystem(std::uint64_t portId) {
    std::unique_ptr<SerialPort> removed;
    {
        std::lock_guard lock(mutex_);
        if (portId != portId_)
            return;
        logLocked(QStringLiteral("Port Removed"));
        if (timeoutTimer_)
            timeoutTimer_->requestDelete();
        removed = std::move(serialPort_);
        portId_ = 0;
        isResponseWaiting_ = false;
        receiveBuffer_.clear();
        queuedBlocks_.clear(); // the removal report ends them too
    }
    removed.reset();
    if (SerialChannelDelegate* receiver = delegate_)
        receiver->usbSerialWasRemoved();
}

void SerialChannel::deliver(const PendingReport& report) {
    SerialChannelDelegate* receiver = delegate_;
    if (!report || !receiver)
        return;
    switch (report->kind) {
    case Report::Kind::response:
        receiver->usbSerialDidReceiveResponse(report->response);
        break;
    case Report::Kind::control:
        receiver->usbSerialDidReceiveControl(report->isAck);
        break;
    case Report::Kind::failure:
        receiver->usbSerialDidFail(report->code);
        break;
    }
    for (int i = 0; i < report->droppedBlocks; ++i)
        receiver->usbSerialDidFail(report->droppedCode);
}

} // namespace lensdock
