#pragma once

#include "base/EventLoopThread.h"
#include "online/DataTaskOutcome.h"
#include "online/DownloadHost.h"
#include "online/NetworkError.h"
#include "online/NetworkFileType.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

namespace lensdock {

class NetworkInterfaceDelegate;
class NetworkInterfaceNotificationDelegate;
class ReplyWatch;

// Time-outs and size bounds of the download service; tests shorten them.
struct NetworkLimits {
    // Idle time-out of every request (no byte arrived for this long).
    std::chrono::milliseconds requestTimeout{5000};
    // Whole-transfer time-outs.
    std::chrono::milliseconds downloadFileTimeout{60000};
    std::chrono::milliseconds downloadFirmwareTimeout{180000};
    // Largest reply held in memory.
    qint64 maxDataBytes = 16 * 1024 * 1024;
    qint64 maxFirmwareBytes = 64 * 1024 * 1024;
};

// The one way to the download host: builds addresses, checks reachability, downloads catalogues and
// pictures into memory (results to the notification listener) and firmware with progress (events to
// the firmware listener). Owns a network thread on which its QNetworkAccessManager lives and all
// listener calls arrive. Every operation may be called from any thread. Needs a QCoreApplication.
class NetworkInterface {
public:
    explicit NetworkInterface(DownloadHost host = DownloadHost(), NetworkLimits limits = NetworkLimits());
    // Drops downloads still in flight without reporting them, then ends the network thread.
    ~NetworkInterface();
    NetworkInterface(const NetworkInterface&) = delete;
    NetworkInterface& operator=(const NetworkInterface&) = delete;

    // One listener each; the last to register receives the events. Pass nullptr to unregister.
    void setDelegate(std::shared_ptr<NetworkInterfaceDelegate> delegate);
    void setNotificationDelegate(std::shared_ptr<NetworkInterfaceNotificationDelegate> delegate);

    const DownloadHost& host() const { return host_; }
    QUrl address(const QString& relativePath) const { return host_.address(relativePath); }

    // True when the host's name resolves (no HTTP request), or the host is an IP address, or (for a
    // folder) the folder can be read. Blocks for at most the request time-out; do not call from a
    // user-interface thread.
    bool isNetworkReachable() const;

    // Catalogue and picture downloads. A model code or mount suffix that is unsafe in an address or
    // a file name is refused: logged, reported to the notification listener, and false returned.
    bool downloadAdapterModelsInfo();
    bool downloadLensModelsInfo(const QString& modelCode, const QString& mountSuffix);
    bool downloadLensImage(const QString& modelCode, const QString& mountSuffix);
    // `focusAdjustmentImage` gives the focus adjustment picture; any other type the focus limit picture.
    bool downloadLensFeatureImage(NetworkFileType type, const QString& modelCode);
    bool downloadFile(const QString& relativePath);

    // Firmware downloads; refused (false, logged) while no firmware listener is registered.
    bool downloadAdapterFirmware(const QString& fileName);
    bool downloadLensFirmware(const QString& fileName);
    bool downloadFirmware(const QString& relativePath);

    // Completion step of every data download: reports the outcome to the notification listener.
    void dataTaskCompleted(const DataTaskOutcome& outcome);
    // The report for an outcome; every outcome yields one.
    static FileDownloadReport reportFor(const DataTaskOutcome& outcome);

    // Relative paths of the last lens catalogue and picture downloads started by any instance.
    static QString lensModelsInfoPath();
    static QString lensImagePath();
    static QString focusAdjustmentImagePath();
    static QString focusLimitImagePath();

private:
    void refuseData(NetworkFileType type, const QString& refusal);
    void refuseFirmware(const QString& refusal);
    void startDataTask(const QUrl& url);
    void startFirmwareTask(const QUrl& url);
    void readDataFromFolder(const QString& relativePath);
    void readFirmwareFromFolder(const QString& relativePath);
    void firmwareTaskCompleted(const DataTaskOutcome& outcome);
    const ReplyWatch* get(const QUrl& url, std::chrono::milliseconds wholeTransferTimeout, qint64 maxBytes);
    static DataTaskOutcome outcomeOf(const ReplyWatch& watch);
    void report(const FileDownloadReport& report);
    std::shared_ptr<NetworkInterfaceDelegate> delegate() const;
    std::shared_ptr<NetworkInterfaceNotificationDelegate> notificationDelegate() const;

    const DownloadHost host_;
    const NetworkLimits limits_;
    mutable std::mutex delegateMutex_;
    std::shared_ptr<NetworkInterfaceDelegate> delegate_;
    std::shared_ptr<NetworkInterfaceNotificationDelegate> notificationDelegate_;
    mutable EventLoopThread thread_;
    // Lives on the network thread; touched only there.
    QNetworkAccessManager* manager_ = nullptr;
    bool closing_ = false;
};

} // namespace lensdock
