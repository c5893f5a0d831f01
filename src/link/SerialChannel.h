#pragma once

#include "link/CommDataFormat.h"
#include "link/SerialChannelDelegate.h"
#include "link/SerialPort.h"
#include "link/Watchdog.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lensdock {

// The serial channel to the adapter: one request at a time, the reply assembled and validated,
// recoverable errors resent, and every request the port accepted ended by exactly one delegate call
// (or the removal report). Received bytes, the watchdog's time-out and the senders are serialised by
// one lock; delegate calls are made after it is released.
class SerialChannel : public WatchdogDelegate {
public:
    enum SendResult : int { sent = 0, noPort = 1, busy = 2, nothingToSend = 3, noChecksum = 4, refused = 5 };
    static constexpr int reSendLimit = 3;
    static constexpr int queuedBlocksLimit = 8;

    explicit SerialChannel(std::shared_ptr<SerialPortProvider> provider,
                           std::chrono::microseconds watchdogTick = Watchdog::defaultTick);
    ~SerialChannel() override;
    SerialChannel(const SerialChannel&) = delete;
    SerialChannel& operator=(const SerialChannel&) = delete;

    void setDelegate(SerialChannelDelegate* delegate) { delegate_ = delegate; }
    SerialChannelDelegate* delegate() const { return delegate_; }

    QString findPortPath();
    bool openPort(const QString& path);
    bool isPortOpen() const;
    // Why the last openPort() of an existing device failed.
    PortRefusal lastRefusal() const { return provider_->lastRefusal(); }
    void closePort();
    // Ends the watchdog's thread.
    void endWatchdog();

    int sendCommand(const CommDataFormat& request, bool noResend);
    // As sendCommand, without resends, giving up on the answer after `timeoutTicks` watchdog ticks.
    int sendCommandBriefly(const CommDataFormat& request, std::uint32_t timeoutTicks);
    // Ends a request that is only waiting for its answer at once, reported as a time-out. For a
    // quit; a firmware transfer (blocks queued or sent) is left to its own rules.
    void abandonWait();
    int sendRawData(const QByteArray& bytes);
    void sendRawDataNoWait(const QByteArray& bytes);
    int sendBlock(const QByteArray& header, const QByteArray& data, bool noResend);
    // Queues a transfer block behind the block awaiting its answer. Each acknowledgement sends the
    // next queued block from the thread that received it, the moment it arrives, which spares a
    // thread hand-off per block. When a block fails instead, every queued block is dropped and
    // reported failed with the same code, after it. False when no block awaits an answer or the
    // queue is full: nothing is queued, and the caller tries again once it has seen more answers.
    bool queueBlock(const QByteArray& header, const QByteArray& data);

    bool isResponseWaiting() const { return isResponseWaiting_; }
    std::uint8_t packetNumber() const { return packetNumber_; }

    void usbSerialTimeout() override;

private:
    struct Report {
        enum class Kind { response, control, failure } kind;
        CommDataFormat response;
        bool isAck = false;
        ChannelError code = ChannelError::success;
        // Queued blocks that will not go out, each reported failed with `droppedCode` after this one.
        int droppedBlocks = 0;
        ChannelError droppedCode = ChannelError::success;
    };
    using PendingReport = std::optional<Report>;

    void receiveData(std::uint64_t portId, const QByteArray& bytes);
    void serialPortWasRemovedFromSystem(std::uint64_t portId);

    int checkReadyToSend() const;
    int sendFrame(const CommDataFormat& request, bool noResend, std::uint32_t timeoutTicks);
    int sendBuffered(const QByteArray& bytes, bool noResend);
    bool transmitSendBuffer(bool noResend, std::uint32_t timeoutTicks = Watchdog::requestTimeoutTicks);
    PendingReport dispatchReceived();
    PendingReport analyzeResponse();
    PendingReport retryRequest(ChannelError code);
    PendingReport discardResponse(ChannelError code);
    PendingReport notifyResponseError(ChannelError code);
    PendingReport finish(Report report);
    bool isAfterTransferByte() const;
    void sendQueuedBlock(Report& report);
    void deliver(const PendingReport& report);
    void replaceTimer();
    void logLocked(const QString& message);
    void releaseHeldLog();

    const std::shared_ptr<SerialPortProvider> provider_;
    const std::chrono::microseconds watchdogTick_;
    std::atomic<SerialChannelDelegate*> delegate_{nullptr};
    std::atomic<std::uint64_t> lastPortId_{0};

    mutable std::mutex mutex_; // guards everything below
    std::unique_ptr<SerialPort> serialPort_;
    std::uint64_t portId_ = 0;
    std::unique_ptr<Watchdog> timeoutTimer_;
    QByteArray sendBuffer_;
    std::deque<QByteArray> queuedBlocks_;
    QByteArray receiveBuffer_;
    bool holdLog_ = false;
    QStringList heldLog_;
    int reSendCount_ = 0;
    int maxReSendCount_ = reSendLimit;
    std::uint32_t timeoutTicks_ = Watchdog::requestTimeoutTicks;
    ChannelError responseErrorCode_ = ChannelError::success;
    std::atomic<bool> isResponseWaiting_{false};
    std::atomic<std::uint8_t> packetNumber_{0};
};

} // namespace lensdock
