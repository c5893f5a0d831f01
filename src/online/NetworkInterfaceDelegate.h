#pragma once

#include "online/NetworkError.h"

#include <optional>
#include <QByteArray>

namespace lensdock {

// Listener for firmware downloads. Called on the network thread, in this order: any number of
// progress reports, then on success the whole file, then always exactly one completion.
class NetworkInterfaceDelegate {
public:
    virtual ~NetworkInterfaceDelegate() = default;
    // Bytes received divided by bytes announced; not called while the size is unknown.
    virtual void downloadProgress(double fraction) = 0;
    virtual void downloadFinished(const QByteArray& data) = 0;
    // No error means success.
    virtual void downloadCompleted(const std::optional<NetworkError>& error) = 0;
};

} // namespace lensdock
