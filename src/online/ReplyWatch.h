#pragma once

#include "online/NetworkError.h"

#include <chrono>
#include <optional>
#include <QObject>

class QNetworkReply;

namespace lensdock {

// Guards one reply on the network thread: aborts it when the whole transfer outlasts its time-out or
// the body outgrows its limit, and turns the way it ended into an error. Owned by the reply.
class ReplyWatch : public QObject {
public:
    ReplyWatch(QNetworkReply* reply, std::chrono::milliseconds idleTimeout,
               std::chrono::milliseconds wholeTransferTimeout, qint64 maxBytes);

    QNetworkReply* reply() const { return reply_; }

    // The transport error, or nothing when a response arrived (whatever its status).
    std::optional<NetworkError> transportError() const;

private:
    enum class AbortReason { none, transferTimeout, tooLarge };

    void abortFor(AbortReason reason);
    bool isHttpStatusError() const;

    QNetworkReply* reply_;
    std::chrono::milliseconds idleTimeout_;
    std::chrono::milliseconds wholeTransferTimeout_;
    qint64 maxBytes_;
    AbortReason abortReason_ = AbortReason::none;
};

} // namespace lensdock
