#include "EmulatorEngine.h"

#include "link/CommandSet.h"
#include "link/FrameCodec.h"

#include <algorithm>
#include <QSaveFile>

namespace lensdock {

namespace {
using std::chrono::milliseconds;
// While the host still has our last answer to read, look again this often.
constexpr milliseconds drainPollInterval{5};
// The kernel hands bytes written to the master on to the slave a moment later; until then the host
// seems to have read everything. Give the last answer this long to get there before a hang-up.
constexpr milliseconds ptySettleTime{20};
const QByteArray strayPattern = QByteArray::fromHex("55AA13");
constexpr std::uint8_t errorFrameFlags = VirtualDock::errorUnknownFunction;

char controlByte(std::uint8_t byte) {
    return static_cast<char>(byte);
}
} // namespace

EmulatorEngine::EmulatorEngine(DockEmulatorOptions options, Hooks hooks)
    : options_(std::move(options)), hooks_(std::move(hooks)), dock_(options_.profile),
      rxPacer_(options_.baud), txPacer_(options_.baud) {
    dock_.setLensMounted(options_.lensMounted);
}

bool EmulatorEngine::openTrace(QString* error) {
    return options_.tracePath.isEmpty() || trace_.open(options_.tracePath, error);
}

bool EmulatorEngine::plugIn(QString* error) {
    if (pty_.isOpen())
        return true;
    if (!pty_.open(options_.linkPath, error))
        return false;
    ++plugCount_;
    trace_.record("--", {}, QStringLiteral("plugged in: %1 -> %2").arg(options_.linkPath, pty_.slavePath()));
    if (!options_.xmodemReceiveFile.isEmpty() && !bareDone_)
        nextReadyToReceive_ = Clock::now();
    if (hooks_.plugChanged)
        hooks_.plugChanged(true, plugCount_);
    if (hooks_.ready)
        hooks_.ready(options_.linkPath);
    return true;
}

void EmulatorEngine::unplugNow() {
    replugAt_.reset();
    if (!pty_.isOpen())
        return;
    pty_.close();
    trace_.record("--", {}, QStringLiteral("unplugged"));
    inbound_.clear();
    pendingIn_.clear();
    outbox_.clear();
    rxPacer_.reset();
    txPacer_.reset();
    lastOutDue_ = {};
    nextReadyToReceive_.reset();
    endTransfer();
    dock_.unplugged();
    if (hooks_.plugChanged)
        hooks_.plugChanged(false, plugCount_);
}

void EmulatorEngine::requestReplug() {
    replugAt_.reset();
    QString error;
    if (plugIn(&error))
        return;
    trace_.record("--", {}, QStringLiteral("replug failed: %1").arg(error));
    if (hooks_.problem)
        hooks_.problem(QStringLiteral("replug failed: %1").arg(error));
}

void EmulatorEngine::onReadable(Clock::time_point now) {
    const QByteArray bytes = pty_.readAvailable();
    if (!bytes.isEmpty())
        pendingIn_.push_back({rxPacer_.arrival(now, bytes.size()), bytes});
}

void EmulatorEngine::runDue(Clock::time_point now) {
    while (!pendingIn_.empty() && pendingIn_.front().due <= now) {
        inbound_.append(pendingIn_.front().bytes);
        pendingIn_.pop_front();
        lastInboundAt_ = now;
        processInbound();
    }
    if (!inbound_.isEmpty() && now - lastInboundAt_ >= options_.staleInputTimeout)
        discardStaleInput();
    // Replies queued just now are due at the moment they were queued, which is later than `now`:
    // without a fresh clock an unpaced reply would wait for the next, timer-driven pass.
    flushOutbox(Clock::now());
    if (replugAt_ && now >= *replugAt_)
        requestReplug();
    if (nextReadyToReceive_ && now >= *nextReadyToReceive_)
        sendReadyToReceive(now);
}

std::optional<EmulatorEngine::Clock::time_point> EmulatorEngine::nextDeadline(Clock::time_point now) const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
    if (!pendingIn_.empty())
        consider(pendingIn_.front().due);
    if (!outbox_.empty())
        consider(std::max(outbox_.front().due,
                          outbox_.front().bytes.isEmpty() ? now + drainPollInterval : outbox_.front().due));
    if (!inbound_.isEmpty())
        consider(lastInboundAt_ + options_.staleInputTimeout);
    if (replugAt_)
        consider(*replugAt_);
    if (nextReadyToReceive_)
        consider(*nextReadyToReceive_);
    return next;
}

void EmulatorEngine::processInbound() {
    bool progress = true;
    while (progress && !inbound_.isEmpty() && pty_.isOpen()) {
        if (!options_.xmodemReceiveFile.isEmpty())
            progress = takeBareUnit();
        else if (receivingBlocks_)
            progress = takeTransferUnit();
        else
            progress = takeCommandFrame();
    }
}

void EmulatorEngine::discardStaleInput() {
    trace_.record("RX", inbound_, QStringLiteral("incomplete, discarded"));
    const bool partialBlock = receivingBlocks_ || !options_.xmodemReceiveFile.isEmpty();
    inbound_.clear();
    if (partialBlock)
        sendReply(QByteArray(1, controlByte(ControlByte::nak)));
}

bool EmulatorEngine::takeCommandFrame() {
    if (static_cast<std::uint8_t>(inbound_[0]) != CommDataFormat::startMarker) {
        trace_.record("RX", inbound_.left(1), QStringLiteral("no frame starts here, ignored"));
        inbound_.remove(0, 1);
        return true;
    }
    const auto size = FrameCodec::expectedFrameSize(inbound_);
    if (!size || inbound_.size() < *size)
        return false;
    const QByteArray frame = inbound_.left(*size);
    inbound_.remove(0, *size);
    handleFrame(frame);
    return true;
}

void EmulatorEngine::handleFrame(const QByteArray& frame) {
    if (FrameCodec::checkFrame(frame) != FrameCodec::FrameError::none) {
        trace_.record("RX", frame, QStringLiteral("malformed, no answer"));
        return;
    }
    const auto request = FrameCodec::decodeFrame(frame);
    if (!request || request->crc != FrameCodec::expectedCrc(frame)) {
        trace_.record("RX", frame, QStringLiteral("bad CRC, no answer"));
        return;
    }
    trace_.record("RX", frame, commandLogName(request->funcNumber));
    if (request->funcNumber == FunctionNumber::updateFirmware)
        ++firmwareRequests_;
    ++requests_[request->funcNumber];
    answering_ = request->funcNumber;
    answerRequest(*request);
    answering_.reset();
}

void EmulatorEngine::answerRequest(const CommDataFormat& request) {
    if (takeReplyFault(FaultKind::unplugOnRequest)) {
        trace_.record("--", {}, QStringLiteral("unplugged on this request"));
        return unplugNow();
    }
    if (takeReplyFault(FaultKind::errorFrame))
        return sendFrame(VirtualDock::errorFrame(request, errorFrameFlags), request.packetNumber);
    const bool adjustWrite = request.funcNumber == FunctionNumber::setAdjData;
    if (adjustWrite && faults_.take(FaultKind::refuseAdjustWrite))
        return sendFrame(VirtualDock::errorFrame(request, errorFrameFlags), request.packetNumber);
    const QByteArray keptAdjustBytes = dock_.adjustBytes();
    const VirtualDock::Answer answer = dock_.answer(request);
    if (adjustWrite && faults_.take(FaultKind::ignoreAdjustWrite))
        dock_.setAdjustBytes(keptAdjustBytes);
    if (answer.frame)
        sendFrame(*answer.frame, request.packetNumber);
    if (answer.control)
        sendReply(QByteArray(1, answer.control));
    if (answer.action == VirtualDock::Action::startTransfer) {
        receivingBlocks_ = true;
        transferDestination_ = request.destination;
        deviceReceiver_.reset();
    } else if (answer.action == VirtualDock::Action::selfReset) {
        queueAction(LinkAction::reenumerate);
    }
}

bool EmulatorEngine::takeReplyFault(FaultKind kind) {
    return faults_.inScope(answering_) && faults_.take(kind);
}

QByteArray EmulatorEngine::takeTracedUnit(XmodemReceiver& receiver, XmodemReceiver::Refusal refusal,
                                          XmodemReceiver::Step& step) {
    const QByteArray before = inbound_;
    step = receiver.take(inbound_, refusal);
    return before.left(before.size() - inbound_.size());
}

bool EmulatorEngine::takeTransferUnit() {
    using Event = XmodemReceiver::Event;
    auto refusal = XmodemReceiver::Refusal::none;
    if (XmodemReceiver::startsWithCompleteBlock(inbound_)) {
        if (faults_.take(FaultKind::nakBlock))
            refusal = XmodemReceiver::Refusal::nak;
        else if (faults_.take(FaultKind::canBlock))
            refusal = XmodemReceiver::Refusal::cancel;
    }
    XmodemReceiver::Step step;
    const QByteArray unit = takeTracedUnit(deviceReceiver_, refusal, step);
    if (step.event == Event::needMore)
        return false;
    if (step.event == Event::notTransfer) {
        // The host gave up on the transfer and is talking in frames again.
        if (static_cast<std::uint8_t>(inbound_[0]) == CommDataFormat::startMarker)
            endTransfer();
        else
            inbound_.remove(0, 1);
        return true;
    }
    trace_.record("RX", unit, QStringLiteral("transfer unit, block %1").arg(step.blockNumber));
    if (step.reply) {
        answering_ = FunctionNumber::updateFirmware;
        sendReply(QByteArray(1, step.reply));
        answering_.reset();
    }
    if (step.event == Event::blockAccepted && faults_.takeUnplugAfter(deviceReceiver_.acceptedBlocks()))
        queueAction(LinkAction::unplug);
    if (step.event == Event::endOfTransfer) {
        dock_.finishTransfer(transferDestination_, deviceReceiver_.data());
        if (transferDestination_ == Destination::adapter)
            queueAction(LinkAction::reenumerate);
        else if (faults_.take(FaultKind::noReturn))
            stayAwayLens();
    }
    if (step.event == Event::endOfTransfer || step.event == Event::cancelled ||
        step.event == Event::outOfSequence || step.reply == controlByte(ControlByte::can))
        endTransfer();
    return true;
}

void EmulatorEngine::endTransfer() {
    receivingBlocks_ = false;
    deviceReceiver_.reset();
}

bool EmulatorEngine::takeBareUnit() {
    using Event = XmodemReceiver::Event;
    if (bareDone_) {
        inbound_.clear();
        return false;
    }
    XmodemReceiver::Step step;
    const QByteArray unit = takeTracedUnit(bareReceiver_, XmodemReceiver::Refusal::none, step);
    if (step.event == Event::needMore)
        return false;
    if (step.event == Event::notTransfer) {
        inbound_.remove(0, 1);
        return true;
    }
    trace_.record("RX", unit, QStringLiteral("transfer unit, block %1").arg(step.blockNumber));
    nextReadyToReceive_.reset();
    if (step.reply)
        sendReply(QByteArray(1, step.reply));
    if (step.event == Event::endOfTransfer)
        finishBareTransfer();
    else if (step.event == Event::cancelled || step.event == Event::outOfSequence)
        bareReceiver_.reset();
    return true;
}

void EmulatorEngine::finishBareTransfer() {
    bareDone_ = true;
    QSaveFile file(options_.xmodemReceiveFile);
    const QByteArray& data = bareReceiver_.data();
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    trace_.record("--", {},
                  saved ? QStringLiteral("stored %1 bytes").arg(data.size())
                        : QStringLiteral("cannot store: %1").arg(file.errorString()));
    if (hooks_.bareFinished)
        hooks_.bareFinished(saved ? data.size() : -1);
}

void EmulatorEngine::sendReadyToReceive(Clock::time_point now) {
    sendReply(QByteArray(1, controlByte(ControlByte::readyToReceive)));
    nextReadyToReceive_ = now + options_.readyToReceiveInterval;
}

void EmulatorEngine::sendFrame(CommDataFormat reply, std::uint8_t packetNumber) {
    if (takeReplyFault(FaultKind::packetNumber))
        packetNumber = FrameCodec::nextPacketNumber(packetNumber);
    if (takeReplyFault(FaultKind::destination))
        reply.destination ^= 0x01;
    if (takeReplyFault(FaultKind::function))
        reply.funcNumber ^= 0x01;
    QByteArray bytes = FrameCodec::encodeFrame(reply, packetNumber);
    const qsizetype crcLow = bytes.size() - 3;
    if (takeReplyFault(FaultKind::crcLow))
        bytes[crcLow] = static_cast<char>(bytes[crcLow] ^ 0xFF);
    if (takeReplyFault(FaultKind::crcHigh))
        bytes[crcLow + 1] = static_cast<char>(bytes[crcLow + 1] ^ 0xFF);
    sendReply(bytes);
}

void EmulatorEngine::sendReply(const QByteArray& bytes) {
    if (takeReplyFault(FaultKind::dropReply)) {
        trace_.record("TX", bytes, QStringLiteral("dropped"));
        return;
    }
    if (!takeReplyFault(FaultKind::splitReply) || bytes.size() < 3)
        return queueBytes(bytes);
    const qsizetype third = bytes.size() / 3;
    queueBytes(bytes.left(third));
    queueBytes(bytes.mid(third, third), options_.splitChunkDelay);
    queueBytes(bytes.mid(2 * third), options_.splitChunkDelay);
}

void EmulatorEngine::queueBytes(const QByteArray& bytes, std::chrono::milliseconds delay) {
    const Clock::time_point start = std::max(Clock::now() + delay, lastOutDue_);
    lastOutDue_ = txPacer_.arrival(start, bytes.size());
    outbox_.push_back({lastOutDue_, bytes, LinkAction::none, {}});
}

void EmulatorEngine::queueAction(LinkAction action) {
    const Clock::time_point due = std::max(Clock::now(), lastOutDue_) + ptySettleTime;
    outbox_.push_back({due, {}, action, due + options_.resetLinger});
}

void EmulatorEngine::flushOutbox(Clock::time_point now) {
    while (!outbox_.empty() && outbox_.front().due <= now) {
        Outgoing item = outbox_.front();
        if (item.action != LinkAction::none && pty_.pendingForHost() > 0 && now < item.lingerUntil)
            return;
        outbox_.pop_front();
        if (item.action != LinkAction::none) {
            perform(item.action, now);
            continue;
        }
        trace_.record("TX", item.bytes);
        if (!pty_.writeAll(item.bytes))
            trace_.record("TX", {}, QStringLiteral("the host is not reading; reply lost"));
    }
}

void EmulatorEngine::perform(LinkAction action, Clock::time_point now) {
    unplugNow();
    if (action != LinkAction::reenumerate)
        return;
    if (faults_.take(FaultKind::noReturn))
        trace_.record("--", {}, QStringLiteral("stays away after its reset until replugged"));
    else
        replugAt_ = now + options_.reenumerationDelay;
}

void EmulatorEngine::stayAwayLens() {
    trace_.record("--", {}, QStringLiteral("the lens stays silent after its reset until mounted again"));
    dock_.setLensMounted(false);
}

void EmulatorEngine::armFault(FaultKind kind, int count) {
    if (kind != FaultKind::strayBytes)
        return faults_.arm(kind, count);
    for (int i = 0; i < count; ++i)
        queueBytes(strayPattern);
}

DockSnapshot EmulatorEngine::snapshot() const {
    DockSnapshot s;
    s.plugged = pty_.isOpen();
    s.plugCount = plugCount_;
    s.slavePath = pty_.slavePath();
    s.adapter = dock_.profile().adapter;
    s.lens = dock_.profile().lens;
    s.lensMounted = dock_.lensMounted();
    s.lensConnected = dock_.lensConnected();
    s.overCurrent = dock_.overCurrent();
    s.receivingBlocks = receivingBlocks_;
    s.firmwareRequests = firmwareRequests_;
    s.requests = requests_;
    s.adjustBytes = dock_.adjustBytes();
    s.firmware = dock_.receivedFirmware();
    s.firmwareImage = dock_.firmwareImage();
    s.bareBytesReceived = bareReceiver_.data().size();
    s.faults = faults_.armed();
    return s;
}

} // namespace lensdock
