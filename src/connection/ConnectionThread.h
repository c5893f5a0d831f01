#pragma once

#include "adjust/LensAdjustData.h"
#include "base/Guarded.h"
#include "connection/ConnectionState.h"
#include "link/CommandSet.h"
#include "link/LensInfo.h"
#include "link/SerialChannel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace lensdock {

// The background thread that drives the adapter and the lens through their life: a state machine
// over ApplicationState, one tick per 100 ms. Screens request states with requestState() and learn
// every outcome through ConnectionThreadDelegate. Tests may call startMain() and tick() directly
// instead of start().
class ConnectionThread : public SerialChannelDelegate {
public:
    static constexpr std::chrono::microseconds loopInterval{std::chrono::milliseconds(100)};
    static constexpr int countMax = 10; // ticks between polls
    // How long termination waits for the port to report closed.
    static constexpr std::chrono::seconds portCloseBound{5};
    // Watchdog ticks the release at the end waits for its answer (1 s with the default tick): the
    // user is quitting, and the port is closed either way.
    static constexpr std::uint32_t releaseTimeoutTicks = 10;

    ConnectionThread(SerialChannel& serial, const Guarded<LensAdjustData>& currentAdjustData,
                     const Guarded<LensInfo>& lensInfo, std::chrono::microseconds tick = loopInterval);
    ~ConnectionThread() override;
    ConnectionThread(const ConnectionThread&) = delete;
    ConnectionThread& operator=(const ConnectionThread&) = delete;

    // Replaces the receiver of the reports. Waits for a report still being delivered to the old one,
    // so that none reaches it once this returns; called from inside a report, it does not wait.
    void setDelegate(ConnectionThreadDelegate* delegate);
    ConnectionThreadDelegate* delegate() const;

    // Runs main() on its own thread; does nothing when it already runs.
    void start();
    // Ends the loop where it stands (no termination exchange), joins it and leaves the channel.
    // The channel's callbacks may still arrive until the channel itself is closed.
    void stop();
    bool isRunning() const { return running_; }
    // Waits until the thread has ended (after the termination report); false after `limit`.
    bool waitForExit(std::chrono::milliseconds limit);

    // Requests a state; a pending termination is never overwritten. Termination cuts short a wait
    // for an answer (not a firmware transfer's).
    void requestState(ApplicationState state);
    ApplicationState appState() const { return appState_; }
    ApplicationState appNewState() const { return appNewState_; }
    ThreadState threadState() const { return threadState_; }
    DeviceLoss deviceLoss() const { return deviceLoss_; }
    void setDeviceLoss(DeviceLoss error) { deviceLoss_ = error; }
    bool awaitLensRemoval() const { return awaitLensRemoval_; }
    void setAwaitLensRemoval(bool value) { awaitLensRemoval_ = value; }
    bool hasExited() const { return exited_; }
    // True once an identity poll of the current lens was answered with over-current (a poll in a
    // holding state only marks the lens lost; this keeps why). Cleared when a lens is connected.
    bool lensOverCurrent() const { return lensOverCurrent_; }

    // The steps of main(), for tests that drive the thread without its own std::thread.
    void startMain();
    void tick();

    // SerialChannelDelegate
    void usbSerialDidReceiveResponse(const CommDataFormat& response) override;
    void usbSerialDidReceiveControl(bool isAck) override;
    void usbSerialDidFail(ChannelError code) override;
    void usbSerialWasRemoved() override;

private:
    void main();
    void startupLoopTick();
    void mainLoopTick();
    void handleAdapterRemoval();
    void setState(ApplicationState state);
    void enterState();
    void makeCommand(CommandIndex index, bool toAdapter);
    bool checkAdjustData(const LensAdjustData& adjustData) const;
    void commonSend(bool noResend = false);
    void report(ApplicationState state, ExchangeResult error, const std::optional<CommDataFormat>& response);
    void deliver(const std::function<void(ConnectionThreadDelegate&)>& call);
    void reportReply(ApplicationState state);
    ExchangeResult takeReply(std::optional<CommDataFormat>& reply);

    void searchAdapter();
    void adapterReconnectAction();
    void waitForLensAction();
    void repeatedRequestAction();
    void lensIdentityPollAction();
    void writeAction();
    void terminationAction();
    void closePortAndWatchdog();

    SerialChannel& serial_;
    const Guarded<LensAdjustData>& currentAdjustData_;
    const Guarded<LensInfo>& lensInfo_;
    const std::chrono::microseconds tickLength_;
    // The receiver, and the report being delivered to it (at most one: all come from the loop).
    mutable std::mutex delegateMutex_;
    std::condition_variable deliveryEnded_;
    ConnectionThreadDelegate* delegate_ = nullptr;
    std::optional<std::thread::id> deliveringOn_;

    std::atomic<ApplicationState> appState_{ApplicationState::startup};
    std::atomic<ApplicationState> appNewState_{ApplicationState::startup};
    std::atomic<ThreadState> threadState_{ThreadState::sendProcess};
    std::atomic<DeviceLoss> deviceLoss_{DeviceLoss::none};
    std::atomic<bool> awaitLensRemoval_{false};
    std::atomic<bool> adapterRemoved_{false};
    std::atomic<bool> lensOverCurrent_{false};

    // The last reply, written by the channel's threads, read by the loop.
    mutable std::mutex replyMutex_;
    std::optional<CommDataFormat> recvData_;
    ExchangeResult errorCode_ = ExchangeResult::success;

    // Touched by the loop only.
    QString path_;
    CommDataFormat sendData_;
    int commandSendCounter_ = 0;
    bool adapterReConnectSuccess_ = false;
    bool inStartupLoop_ = true;
    bool writeReported_ = false;

    std::atomic<bool> exited_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> stopped_{false};
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

} // namespace lensdock
