#pragma once

#include "connection/ConnectionState.h"
#include "firmware/FwErrorCode.h"
#include "online/FileIO.h"
#include "online/NetworkError.h"
#include "online/NetworkFileType.h"
#include "session/Asker.h"

#include <chrono>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QObject>
#include <QTimer>

namespace lensdock {

class AppContext;
class RelayedConnectionReports;
class RelayedDownloads;
class ReportRelay;

// What a face needs of the connection course.
struct ConnectPolicy {
    // The window fetches the adapter catalogue (and offers an adapter update), the lens's pictures
    // and catalogue before it reads the lens's settings; the command-line tool works offline.
    bool useCatalogues = true;
    // Stop once the adapter has identified itself, holding the connection thread there.
    bool stopAtAdapter = false;
    // After the adapter error at launch: the longest wait for the port to report closed, and how
    // often to look.
    std::chrono::milliseconds portClosedBound{std::chrono::seconds(2)};
    std::chrono::milliseconds portCloseCheckInterval{10};
};

// The course from the adapter's identity through the adapter catalogue (and an offered adapter
// update), the lens's connection and identity, its pictures and catalogue, to its settings. Lives
// on the thread of its face (the GUI thread in the window, the main thread in the command-line
// tool); every report of the connection thread and of the download service arrives there as a
// queued call, and every question goes to the face's Asker. Before each question the connection
// thread is parked in a state that sends nothing or only polls, so nothing waits for an answer.
class ConnectFlow : public QObject {
    Q_OBJECT
public:
    ConnectFlow(AppContext& context, Asker& asker, ConnectPolicy policy, FileIO store,
                QObject* parent = nullptr);
    ~ConnectFlow() override;

    // Takes the reports and starts the connection thread if it is not running yet.
    void start();
    // Takes the reports only. The course resumes where the thread was sent last (a new screen takes
    // over a thread that is already searching for the adapter or releasing a lens).
    void listen();

    // The reports, on the flow's thread (tests call them directly to play the services). A report
    // of a state the course did not ask for last is stale and changes nothing.
    void exchange(ApplicationState state, ExchangeResult result,
                  const std::optional<CommDataFormat>& response);
    void connectionEnded(ApplicationState state);
    void downloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                           const std::optional<NetworkError>& error);
    // The end of the adapter update the face ran after adapterUpdateRequested.
    void updateFinished(FwErrorCode code);

    bool isAdapterUpdateOffered() const;
    int lensCatalogueParseCount() const { return parseCount_; }
    // Why the last adapter identity failed: true when there was no port to open.
    bool adapterPortMissing() const { return adapterPortMissing_; }

signals:
    // The adapter has identified itself (the course goes on).
    void adapterIdentified();
    // A lens was found on the adapter and is being connected.
    void lensDetected();
    // The course waits for a lens to be mounted (again).
    void lensAwaited();
    // The adapter was unplugged; the course starts again when it is back.
    void adapterLost();
    // The lens's settings are in `currentAdjustData`; the thread idles in holdingLens.
    void lensReady(bool settingsRead);
    // With stopAtAdapter: the adapter has identified itself; the thread holds in holdingAdapter.
    void adapterReady();
    // A new lens is being connected: pictures of the last one no longer apply.
    void picturesCleared();
    // A picture download ended (`data` empty when it failed).
    void pictureReceived(lensdock::NetworkFileType type, const std::optional<QByteArray>& data);
    // The user agreed to an adapter update; the face runs it and calls updateFinished.
    void adapterUpdateRequested();
    // The program should end (the adapter failed at launch, or the thread has terminated).
    void endRequested(int exitCode);

private:
    // Where the course waits for something other than the connection thread.
    enum class Phase { device, adapterCatalogue, downloads, asking, updating, ready, ending };

    bool isExpected(ApplicationState state) const;
    void adapterIdentity(ApplicationState state, ExchangeResult result,
                         const std::optional<CommDataFormat>& response);
    void adapterError(DialogId kind, const QString& extraText = QString());
    void adapterCatalogue(const std::optional<QByteArray>& data);
    void lensConnectReply(ExchangeResult result, const std::optional<CommDataFormat>& response);
    void lensIdentity(ExchangeResult result, const std::optional<CommDataFormat>& response);
    void startLensDownloads();
    void lensCatalogue(const std::optional<QByteArray>& data);
    void lensPicture(NetworkFileType type, const std::optional<QByteArray>& data);
    void checkDownloadsComplete();
    void parseLensCatalogue(const QByteArray& xml);
    void settingsRead(ExchangeResult result, const std::optional<CommDataFormat>& response);

    void offerAdapterUpdate(DialogId kind);
    void refuseLens(DialogId kind, ApplicationState next);
    void followUpByDeviceLoss();
    void waitForLens();
    void endAfterAdapterError();
    void checkPortClosed();
    void request(ApplicationState state);
    void ask(DialogId kind, Asker::Answer answer);
    void ask(DialogId kind, const QString& extraText, Asker::Answer answer);

    AppContext& context_;
    Asker& asker_;
    const ConnectPolicy policy_;
    const FileIO store_;
    const std::shared_ptr<ReportRelay> relay_;
    std::unique_ptr<RelayedConnectionReports> reports_;
    std::shared_ptr<RelayedDownloads> downloads_;

    Phase phase_ = Phase::device;
    // The state this course asked for last: only its reports count.
    ApplicationState requested_ = ApplicationState::startup;
    // Raised whenever the adapter is lost: answers to questions asked before are stale.
    int epoch_ = 0;
    bool atLaunch_ = true;
    bool adapterPortMissing_ = false;
    int parseCount_ = 0;
    bool lensImageIn_ = false;
    bool focusAdjustmentImageIn_ = false;
    bool focusLimitImageIn_ = false;
    std::optional<QByteArray> lensCatalogue_;
    QTimer portCloseTimer_;
    std::chrono::steady_clock::time_point portCloseDeadline_;
};

} // namespace lensdock
