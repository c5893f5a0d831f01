#pragma once

#include "DockEmulatorOptions.h"
#include "DockSnapshot.h"
#include "FaultPlan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lensdock {

class EmulatorEngine;

// A virtual adapter with its lens on a pseudo-terminal, running on its own thread. The host reaches
// it through the symlink `options.linkPath`. Every control call is applied before it returns, so a
// fault armed by a test is in force for the very next byte the test writes.
class DockEmulator {
public:
    explicit DockEmulator(DockEmulatorOptions options);
    ~DockEmulator();
    DockEmulator(const DockEmulator&) = delete;
    DockEmulator& operator=(const DockEmulator&) = delete;

    // Called each time a pty is ready behind the link: for the first one inside start(), later on the
    // emulator's thread. Set before start().
    void setReadyHandler(std::function<void(const QString& linkPath)> handler);
    // Bare receiver: called with the bytes stored (-1 when the file could not be written).
    void setBareFinishedHandler(std::function<void(qsizetype bytes)> handler);

    // Called on the emulator's thread when something goes wrong that no caller waits for (a failed
    // replug after a reset). Set before start().
    void setProblemHandler(std::function<void(const QString& message)> handler);

    // Creates the first pty and starts the thread; false with `error` set when that fails.
    bool start(QString* error);
    // Ends the thread, closes the pty and removes the link. Also done by the destructor.
    void stop();

    QString linkPath() const { return options_.linkPath; }

    void mountLens();
    void unmountLens();
    void unplug(); // stays away until replug()
    void replug();
    void setOverCurrent(bool on);
    // Makes the next lens mounted another one of the same model (takes effect at its mounting).
    void setLensSerial(const QString& serial);
    // The settings payload the lens holds, as a write would leave it.
    void setLensSettings(const QByteArray& bytes);
    void armFault(FaultKind kind, int count = 1);
    // Disarms every fault and drops the scope.
    void clearFaults();
    // Limits the reply faults to the answers to one function (see FaultPlan::setScope).
    void setFaultScope(std::optional<std::uint8_t> function);
    DockSnapshot snapshot() const;

    // Wait (bounded) until the link is up for at least the `count`-th time.
    bool waitForPlugCount(int count, std::chrono::milliseconds timeout) const;
    bool waitForUnplugged(std::chrono::milliseconds timeout) const;
    bool waitForBareFinished(std::chrono::milliseconds timeout) const;

private:
    void run();
    void runTasks();
    void wake() const;
    void onPlugChanged(bool plugged, int plugCount);
    void onBareFinished(qsizetype bytes);
    // Runs `task` on the emulator's thread and waits for it (inline when the thread is not running).
    void call(const std::function<void(EmulatorEngine&)>& task) const;

    DockEmulatorOptions options_;
    std::function<void(const QString&)> readyHandler_;
    std::function<void(qsizetype)> bareFinishedHandler_;
    std::function<void(const QString&)> problemHandler_;
    std::unique_ptr<EmulatorEngine> engine_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int wakePipe_[2] = {-1, -1};

    struct PendingTask {
        std::function<void()> run;
        bool done = false; // under taskMutex_
    };
    mutable std::mutex taskMutex_;
    mutable std::condition_variable taskDone_;
    mutable std::deque<std::shared_ptr<PendingTask>> tasks_;
    bool loopEnded_ = false; // under taskMutex_: no task queued from now on would run

    mutable std::mutex stateMutex_;
    mutable std::condition_variable stateChanged_;
    bool plugged_ = false;
    int plugCount_ = 0;
    bool bareFinished_ = false;
};

} // namespace lensdock
