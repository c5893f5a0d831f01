#pragma once

#include "adjust/LensAdjustData.h"
#include "base/Guarded.h"
#include "connection/ConnectionThread.h"
#include "link/AdapterBasicInfo.h"
#include "link/LensInfo.h"
#include "link/QtSerialPortProvider.h"
#include "link/SerialChannel.h"
#include "online/AdapterModelInfo.h"
#include "online/DownloadHost.h"
#include "online/DownloadHostSetting.h"
#include "online/LensModelInfo.h"
#include "online/NetworkInterface.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <QString>

class QCommandLineParser;

namespace lensdock {

// Where the current lens catalogue came from.
enum class LensModelsInfoSource { none = 0, downloadHost = 1, localCopy = 2, unavailable = 3 };

struct AppOptions {
    // Serial device to use instead of searching for the adapter (--port).
    QString portOverride;
    // Download host, and where it was set (--download-url, settings, environment or the build).
    DownloadHost downloadHost;
    DownloadHostSource downloadHostSource = DownloadHostSource::builtIn;
    std::chrono::microseconds watchdogTick = Watchdog::defaultTick;
    std::chrono::microseconds threadTick = ConnectionThread::loopInterval;
    NetworkLimits networkLimits;
    // Finds and opens the dock's port instead of the system's serial devices (tests that need an
    // outcome no real device gives on demand, such as a refused open).
    std::shared_ptr<SerialPortProvider> portProvider;

    // Adds --port and --download-url to a parser.
    static void addCommandLineOptions(QCommandLineParser& parser);
    // The options a parsed command line gives; nothing (with the reason) when a value is unusable.
    static std::optional<AppOptions> fromCommandLine(const QCommandLineParser& parser, QString* error);
};

// The application-wide objects: one serial channel, one connection thread, the identity records, the
// two adjust data sets, the two catalogue records and the shared download service. The GUI and the
// command-line tool each own exactly one; tests construct as many as they like. Records that two
// threads touch sit in guarded holders.
class AppContext {
public:
    explicit AppContext(AppOptions options = AppOptions());
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    const AppOptions& options() const { return options_; }
    SerialChannel& channel() { return *channel_; }
    ConnectionThread& connectionThread() { return *connectionThread_; }
    NetworkInterface& networkInterface() { return *networkInterface_; }

    Guarded<LensInfo>& lensInfo() { return lensInfo_; }
    Guarded<AdapterBasicInfo>& adapterBasicInfo() { return adapterBasicInfo_; }
    Guarded<LensAdjustData>& currentAdjustData() { return currentAdjustData_; }
    Guarded<LensAdjustData>& defaultAdjustData() { return defaultAdjustData_; }
    // What the connected lens was last seen to hold (read when it was connected, read back after a
    // write); nothing while that is not known. Backups are made of this.
    Guarded<std::optional<LensAdjustData>>& lensSettings() { return lensSettings_; }
    Guarded<LensModelInfo>& lensModelInfo() { return lensModelInfo_; }
    Guarded<AdapterModelInfo>& adapterModelInfo() { return adapterModelInfo_; }
    std::atomic<LensModelsInfoSource>& lensModelsInfoSource() { return lensModelsInfoSource_; }

    // Takes a newly read lens identity: stores it and sets the lens's factory values.
    void setConnectedLens(const LensInfo& lens);

private:
    AppOptions options_;
    Guarded<LensInfo> lensInfo_;
    Guarded<AdapterBasicInfo> adapterBasicInfo_;
    Guarded<LensAdjustData> currentAdjustData_;
    Guarded<LensAdjustData> defaultAdjustData_;
    Guarded<std::optional<LensAdjustData>> lensSettings_;
    Guarded<LensModelInfo> lensModelInfo_;
    Guarded<AdapterModelInfo> adapterModelInfo_;
    std::atomic<LensModelsInfoSource> lensModelsInfoSource_{LensModelsInfoSource::none};
    std::shared_ptr<SerialPortProvider> portProvider_;
    std::unique_ptr<SerialChannel> channel_;
    std::unique_ptr<ConnectionThread> connectionThread_;
    std::unique_ptr<NetworkInterface> networkInterface_;
};

} // namespace lensdock
