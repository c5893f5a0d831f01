#include "online/DataTaskOutcome.h"

namespace lensdock {

namespace {

NetworkError emptyDataError(int status, const QUrl& url) {
    return {NetworkError::emptyDataDomain, status, QStringLiteral("The reply has no content"), url};
}

NetworkError httpError(int status, const QUrl& url) {
    return {NetworkError::httpDomain(status), status, QStringLiteral("The host answered %1").arg(status),
            url};
}

NetworkError noResponseError() {
    return {NetworkError::noResponseDomain, 0, QStringLiteral("The download ended without a response"), {}};
}

} // namespace

std::optional<NetworkError> failureOf(const DataTaskOutcome& outcome) {
    if (outcome.error)
        return outcome.error;
    if (!outcome.data || !outcome.response)
        return noResponseError();
    if (outcome.data->isEmpty())
        return emptyDataError(outcome.response->statusCode, outcome.response->url);
    if (outcome.response->statusCode != 200)
        return httpError(outcome.response->statusCode, outcome.response->url);
    return std::nullopt;
}

} // namespace lensdock
