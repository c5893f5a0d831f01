#pragma once

#include "adjust/LensAdjustData.h"
#include "context/AppContext.h"
#include "ExitCode.h"
#include "link/UsbSerialThreadTypes.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace lensdock::cli {

// Does for the connection thread what the desktop screens do: drives it from the adapter's identity through
// the lens's connection, identity and adjust-data read to the idle `processing`, runs writes, and
// ends it with `appTerminate` (which releases the lens). The thread reports on its own thread; the
// caller waits here, every wait bounded.
class DeviceSession : public UsbSerialThreadDelegate {
public:
    enum class Scope { adapter, lens };

    struct Timing {
        std::chrono::milliseconds lensWait{30000};
        // Bound of one exchange with all its resends.
        std::chrono::milliseconds exchangeBound{80000};
        std::chrono::milliseconds tick{100};
    };

    // The bound of one exchange for the given thread and watchdog ticks.
    static Timing timingFor(const AppOptions& options, std::chrono::milliseconds lensWait);

    // The session must outlive the context it connects: the context's destruction ends the thread
    // that calls the session.
    explicit DeviceSession(Timing timing);
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Starts the connection thread of `context` and brings it to `processing` (lens scope) or
    // `initialProcessing` (adapter scope).
    std::optional<Failure> connect(AppContext& context, Scope scope);
    // Whether the lens's adjust data could be read while connecting.
    bool adjustDataRead() const;

    // Writes `data` to the lens and reads it back; on success `readBack` holds what the lens now has.
    std::optional<Failure> write(const LensAdjustData& data, LensAdjustData& readBack);

    // Why the devices cannot be used any more, or nothing while they can.
    std::optional<Failure> deviceLoss() const;

    // Requests `appTerminate` and waits (bounded) until the thread has released the lens and ended.
    void terminate();

    void usbSerialThreadDisconnected() override;
    void usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                               const std::optional<CommDataFormat>& response) override;

private:
    enum class Phase {
        idle,
        starting,
        waitingLens,
        connectingLens,
        identifying,
        readingAdjust,
        ready,
        writing,
        written,
        failed
    };

    void onAdapterIdentity(ApplicationState state, UsbThreadErrorCode error,
                           const std::optional<CommDataFormat>& response);
    void onLensConnect(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void onLensIdentity(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void onAdjustData(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void onWriteResult(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void advance(Phase phase, std::optional<ApplicationState> request);
    void fail(ExitCode code, const QString& message);
    // Waits until the phase leaves `phase`; false after `limit`.
    bool waitWhile(Phase phase, std::chrono::milliseconds limit);
    std::optional<Failure> takeFailure();
    // After a failed write: gives the thread's idle poll a moment to tell a lost device.
    std::optional<Failure> lossAfterFailedWrite() const;
    // After a write without a usable answer: reads the lens's settings; success when they are `data`.
    std::optional<Failure> readAfterFailedWrite(const LensAdjustData& data, LensAdjustData& readBack);

    const Timing timing_;
    AppContext* context_ = nullptr;
    Scope scope_ = Scope::lens;

    mutable std::mutex mutex_;
    bool adjustDataRead_ = false;
    std::condition_variable changed_;
    Phase phase_ = Phase::idle;
    std::optional<Failure> failure_;
    std::optional<LensAdjustData> readBack_;
    bool terminated_ = false;
};

} // namespace lensdock::cli
