#pragma once

#include "adjust/LensAdjustData.h"
#include "CliAsker.h"
#include "Confirmation.h"
#include "context/AppContext.h"
#include "ExitCode.h"
#include "session/ConnectFlow.h"
#include "session/LensFlow.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace lensdock::cli {

// The window's flows, driven from the command line: the connect course up to the lens's settings
// (or only the adapter), and the lens screen's write with its caution and read-back. Every wait runs
// the main thread's event loop, where the flows get their reports, and is bounded.
class DeviceFlows {
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

    DeviceFlows(AppContext& context, const Confirmation& confirmation, Timing timing, FileIO store);
    ~DeviceFlows();
    DeviceFlows(const DeviceFlows&) = delete;
    DeviceFlows& operator=(const DeviceFlows&) = delete;

    // Starts the connection thread and runs the connect course as far as `scope` needs.
    std::optional<Failure> connect(Scope scope);
    // Whether the lens's settings could be read while connecting.
    bool settingsRead() const { return settingsRead_; }

    // Writes `target` (or, with `restoreFactory`, the lens's factory values) the way Apply does:
    // the caution, asked as `question`, then the write and its read-back.
    std::optional<Failure> write(const LensAdjustData& target, const QString& question, bool restoreFactory,
                                 BackupReason reason = BackupReason::apply);
    std::optional<LensAdjustData> lastReadBack() const;
    // Where the lens's settings were backed up before the last write.
    std::optional<QString> lastBackup() const;

    // Backs up the lens's settings before its firmware update; the failure when that cannot be done.
    std::optional<Failure> backUpForUpdate();
    // After a lens update that ended well: the settings from before are written back (`putBack`) or
    // left in their backup.
    std::optional<Failure> finishLensUpdate(bool putBack);

    // Why the devices cannot be used any more, or nothing while they can.
    std::optional<Failure> deviceLoss() const;

    // Requests termination and waits (bounded) until the thread has released the lens and ended.
    void terminate();

    // Runs the event loop until `done()` holds or `limit` passes; false after `limit`.
    static bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

private:
    std::optional<Failure> connectFailure(DialogId notice) const;
    std::optional<Failure> readyForWrite();
    std::optional<Failure> writeFailure(WriteOutcome outcome);

    AppContext& context_;
    const Confirmation& confirmation_;
    CliAsker asker_;
    const Timing timing_;
    const FileIO store_;
    std::unique_ptr<ConnectFlow> connectFlow_;
    std::unique_ptr<LensFlow> lensFlow_;
    bool settingsRead_ = false;
    bool lensLeft_ = false;
};

} // namespace lensdock::cli
