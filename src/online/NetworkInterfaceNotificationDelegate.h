#pragma once

#include "online/NetworkError.h"
#include "online/NetworkFileType.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// Listener for catalogue and picture downloads. Called on the network thread: implementations hand
// the result to their own thread.
class NetworkInterfaceNotificationDelegate {
public:
    virtual ~NetworkInterfaceNotificationDelegate() = default;
    // Exactly one of `data` and `error` is present.
    virtual void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                       const std::optional<NetworkError>& error) = 0;
};

} // namespace lensdock
