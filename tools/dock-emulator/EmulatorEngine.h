#pragma once

#include "DockEmulatorOptions.h"
#include "DockSnapshot.h"
#include "FaultPlan.h"
#include "FrameTrace.h"
#include "LinePacer.h"
#include "PseudoTerminal.h"
#include "VirtualDock.h"
#include "XmodemReceiver.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace lensdock {

// The emulator's single-threaded core: one pty at a time, the bytes crossing it (paced, traced,
// faulted) and the dock behind it. Every member runs on the thread that owns the engine.
class EmulatorEngine {
public:
    using Clock = std::chrono::steady_clock;
    struct Hooks {
        std::function<void(const QString& linkPath)> ready;
        std::function<void(bool plugged, int plugCount)> plugChanged;
        std::function<void(qsizetype bytes)> bareFinished;
        std::function<void(const QString& message)> problem;
    };

    EmulatorEngine(DockEmulatorOptions options, Hooks hooks);

    bool plugIn(QString* error);
    void unplugNow();
    void requestReplug();
    bool openTrace(QString* error);

    int masterFd() const { return pty_.masterFd(); }
    void onReadable(Clock::time_point now);
    void runDue(Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline(Clock::time_point now) const;

    void setLensMounted(bool mounted) { dock_.setLensMounted(mounted); }
    void setOverCurrent(bool on) { dock_.setOverCurrent(on); }
    void setLensSerial(const QString& serial) { dock_.setLensSerial(serial); }
    void setLensSettings(const QByteArray& bytes) { dock_.setAdjustBytes(bytes); }
    void armFault(FaultKind kind, int count);
    void clearFaults() { faults_.clear(); }
    void setFaultScope(std::optional<std::uint8_t> function) { faults_.setScope(function); }
    DockSnapshot snapshot() const;

private:
    enum class LinkAction { none, unplug, reenumerate };
    struct Outgoing {
        Clock::time_point due;
        QByteArray bytes;
        LinkAction action = LinkAction::none;
        Clock::time_point lingerUntil{};
    };
    struct Incoming {
        Clock::time_point due;
        QByteArray bytes;
    };

    void processInbound();
    bool takeCommandFrame();
    void handleFrame(const QByteArray& frame);
    void answerRequest(const CommDataFormat& request);
    // True (one occasion used up) when `kind` is armed and the reply being sent is in the faults' scope.
    bool takeReplyFault(FaultKind kind);
    bool takeTransferUnit();
    bool takeBareUnit();
    QByteArray takeTracedUnit(XmodemReceiver& receiver, XmodemReceiver::Refusal refusal,
                              XmodemReceiver::Step& step);
    void endTransfer();
    void finishBareTransfer();
    void discardStaleInput();

    void sendFrame(CommDataFormat reply, std::uint8_t packetNumber);
    void sendReply(const QByteArray& bytes);
    void queueBytes(const QByteArray& bytes, std::chrono::milliseconds delay = {});
    void queueAction(LinkAction action);
    void flushOutbox(Clock::time_point now);
    void perform(LinkAction action, Clock::time_point now);
    void sendReadyToReceive(Clock::time_point now);
    void stayAwayLens();

    DockEmulatorOptions options_;
    Hooks hooks_;
    PseudoTerminal pty_;
    VirtualDock dock_;
    FaultPlan faults_;
    FrameTrace trace_;
    LinePacer rxPacer_;
    LinePacer txPacer_;
    XmodemReceiver deviceReceiver_{XmodemReceiver::Numbering::skipsZero};
    XmodemReceiver bareReceiver_{XmodemReceiver::Numbering::wrapsToZero};

    QByteArray inbound_;
    Clock::time_point lastInboundAt_{};
    std::deque<Incoming> pendingIn_;
    std::deque<Outgoing> outbox_;
    Clock::time_point lastOutDue_{};
    std::optional<Clock::time_point> replugAt_;
    std::optional<Clock::time_point> nextReadyToReceive_;
    // The function of the request being answered; the faults' scope is checked against it.
    std::optional<std::uint8_t> answering_;
    bool receivingBlocks_ = false;
    int firmwareRequests_ = 0;
    std::map<int, int> requests_;
    std::uint8_t transferDestination_ = 0;
    int plugCount_ = 0;
    bool bareDone_ = false;
};

} // namespace lensdock
