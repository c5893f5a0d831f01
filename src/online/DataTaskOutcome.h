#pragma once

#include "online/NetworkError.h"
#include "online/NetworkFileType.h"

#include <optional>
#include <QByteArray>
#include <QUrl>

namespace lensdock {

// The HTTP response part of a finished data download.
struct HttpResponse {
    QUrl url;
    int statusCode = 0;
};

// What a finished data download left behind.
struct DataTaskOutcome {
    std::optional<QByteArray> data;
    std::optional<HttpResponse> response;
    std::optional<NetworkError> error;
};

// What the notification listener is told about one data download.
struct FileDownloadReport {
    NetworkFileType type = NetworkFileType::focusLimitImage;
    std::optional<QByteArray> data;
    std::optional<NetworkError> error;
};

// Why a finished download is not a usable file, or nothing when it is: a transport error first, then
// a missing response, then an empty body (whatever the status), then a status other than 200.
std::optional<NetworkError> failureOf(const DataTaskOutcome& outcome);

} // namespace lensdock
