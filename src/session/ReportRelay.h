#pragma once

#include "connection/ConnectionThread.h"
#include "online/NetworkInterfaceNotificationDelegate.h"

#include <functional>
#include <memory>
#include <mutex>
#include <QObject>

namespace lensdock {

// Carries calls from worker threads to the thread of one QObject (a flow), as queued calls. Once
// closed (by the owner, before it goes away) nothing more is posted, and what was posted but not yet
// run is dropped with the owner's posted events.
class ReportRelay {
public:
    explicit ReportRelay(QObject* owner) : owner_(owner) {}

    // Any thread.
    void post(std::function<void()> call);
    // The owner's thread.
    void close();

private:
    std::mutex mutex_;
    QObject* owner_;
};

// The connection thread's reports, relayed to a flow's thread. `ended` gets the state the thread
// had entered when it reported the end of a connection.
class RelayedConnectionReports : public ConnectionThreadDelegate {
public:
    using Exchange =
        std::function<void(ApplicationState, ExchangeResult, const std::optional<CommDataFormat>&)>;
    using Ended = std::function<void(ApplicationState)>;

    RelayedConnectionReports(ConnectionThread& thread, std::shared_ptr<ReportRelay> relay, Exchange exchange,
                             Ended ended);
    void connectionEnded() override;
    void exchangeFinished(ApplicationState state, ExchangeResult result,
                          const std::optional<CommDataFormat>& response) override;

private:
    ConnectionThread& thread_;
    const std::shared_ptr<ReportRelay> relay_;
    const Exchange exchange_;
    const Ended ended_;
};

// Download reports, relayed to a flow's thread.
class RelayedDownloads : public NetworkInterfaceNotificationDelegate {
public:
    using Completed = std::function<void(NetworkFileType, const std::optional<QByteArray>&,
                                         const std::optional<NetworkError>&)>;

    RelayedDownloads(std::shared_ptr<ReportRelay> relay, Completed completed)
        : relay_(std::move(relay)), completed_(std::move(completed)) {}
    void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error) override;

private:
    const std::shared_ptr<ReportRelay> relay_;
    const Completed completed_;
};

} // namespace lensdock
