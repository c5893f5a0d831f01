#include "session/ReportRelay.h"

namespace lensdock {

// Posting under the lock: close() cannot slip between the check and the post, and the owner removes
// its posted events only after close() has returned.
void ReportRelay::post(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    if (owner_)
        QMetaObject::invokeMethod(owner_, std::move(call), Qt::QueuedConnection);
}

void ReportRelay::close() {
    std::lock_guard lock(mutex_);
    owner_ = nullptr;
}

RelayedConnectionReports::RelayedConnectionReports(ConnectionThread& thread,
                                                   std::shared_ptr<ReportRelay> relay, Exchange exchange,
                                                   Ended ended)
    : thread_(thread), relay_(std::move(relay)), exchange_(std::move(exchange)), ended_(std::move(ended)) {}

void RelayedConnectionReports::connectionEnded() {
    relay_->post([ended = ended_, state = thread_.appState()] { ended(state); });
}

void RelayedConnectionReports::exchangeFinished(ApplicationState state, ExchangeResult result,
                                                const std::optional<CommDataFormat>& response) {
    relay_->post([exchange = exchange_, state, result, response] { exchange(state, result, response); });
}

void RelayedDownloads::fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                             const std::optional<NetworkError>& error) {
    relay_->post([completed = completed_, type, data, error] { completed(type, data, error); });
}

} // namespace lensdock
