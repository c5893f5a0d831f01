#include "online/ReplyWatch.h"

#include <QNetworkReply>
#include <QTimer>

namespace lensdock {

namespace {

NetworkError timeoutError(const QUrl& url, const QString& description) {
    return {NetworkError::platformDomain, QNetworkReply::TimeoutError, description, url};
}

} // namespace

ReplyWatch::ReplyWatch(QNetworkReply* reply, std::chrono::milliseconds idleTimeout,
                       std::chrono::milliseconds wholeTransferTimeout, qint64 maxBytes)
    : QObject(reply), reply_(reply), idleTimeout_(idleTimeout), wholeTransferTimeout_(wholeTransferTimeout),
      maxBytes_(maxBytes) {
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this] { abortFor(AbortReason::transferTimeout); });
    timer->start(wholeTransferTimeout_);
    // readyRead, not downloadProgress: Qt holds progress signals back for a while, but not data.
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes_)
            abortFor(AbortReason::tooLarge);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this] {
        if (reply_->bytesAvailable() > maxBytes_)
            abortFor(AbortReason::tooLarge);
    });
    connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
}

std::optional<NetworkError> ReplyWatch::transportError() const {
    const QUrl url = reply_->url();
    if (abortReason_ == AbortReason::tooLarge || reply_->bytesAvailable() > maxBytes_)
        return NetworkError{NetworkError::tooLargeDomain,
                            reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                            QStringLiteral("The reply is larger than %1 bytes").arg(maxBytes_), url};
    if (abortReason_ == AbortReason::transferTimeout)
        return timeoutError(
            url,
            QStringLiteral("The download did not finish within %1 ms").arg(wholeTransferTimeout_.count()));
    const QNetworkReply::NetworkError error = reply_->error();
    if (error == QNetworkReply::NoError || isHttpStatusError())
        return std::nullopt;
    // Nothing else cancels a reply: this is the idle time-out of the request.
    if (error == QNetworkReply::OperationCanceledError)
        return timeoutError(url, QStringLiteral("No data arrived for %1 ms").arg(idleTimeout_.count()));
    return NetworkError{NetworkError::platformDomain, error, reply_->errorString(), url};
}

void ReplyWatch::abortFor(AbortReason reason) {
    if (abortReason_ != AbortReason::none)
        return;
    abortReason_ = reason;
    if (!reply_->isFinished())
        reply_->abort();
}

// Qt turns an HTTP status of 400 and above into a reply error; here the status itself is the
// outcome, so those errors are not transport errors.
bool ReplyWatch::isHttpStatusError() const {
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || status.toInt() < 400)
        return false;
    const int error = reply_->error();
    const bool contentError =
        error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError;
    const bool serverError =
        error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError;
    return contentError || serverError || error == QNetworkReply::ProtocolInvalidOperationError;
}

} // namespace lensdock
