#pragma once

#include "online/NetworkInterface.h"
#include "online/NetworkInterfaceDelegate.h"
#include "online/NetworkInterfaceNotificationDelegate.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace lensdock::cli {

// One download at a time through a download service of its own, waited for on the caller's thread
// (the reports arrive on the network thread). The service bounds every download and always reports;
// the wait's own bound only guards against one that never does.
class BlockingDownload {
public:
    struct Result {
        std::optional<QByteArray> data;
        std::optional<NetworkError> error; // set when `data` is not, unless the wait ran out
    };

    BlockingDownload(const DownloadHost& host, const NetworkLimits& limits);
    ~BlockingDownload();
    BlockingDownload(const BlockingDownload&) = delete;
    BlockingDownload& operator=(const BlockingDownload&) = delete;

    bool isReachable() const { return network_.isNetworkReachable(); }
    // A catalogue or picture, bounded like any data download.
    Result data(const QString& relativePath);
    // A firmware file, bounded like any firmware download; whatever the host answered is the file.
    Result firmware(const QString& relativePath);

private:
    class Listener;

    Result wait(std::chrono::milliseconds bound);

    std::shared_ptr<Listener> listener_;
    NetworkInterface network_;
    const NetworkLimits limits_;
};

} // namespace lensdock::cli
