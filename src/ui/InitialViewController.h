#pragma once

#include "firmware/FwErrorCode.h"
#include "link/UsbSerialThreadTypes.h"
#include "online/NetworkError.h"
#include "online/NetworkFileType.h"
#include "ui/AlertBridge.h"
#include "ui/ConnectOptions.h"
#include "ui/DialogId.h"
#include "ui/InFlightCalls.h"
#include "ui/LensFileStore.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <QByteArray>
#include <QObject>

namespace lensdock {

class AppContext;
class AppShell;
class NetworkInterfaceNotificationDelegate;

// The logic behind the connect screen: drives the connection from the adapter's identity through the
// adapter catalogue (and an offered adapter update), the lens's connection and identity, its
// pictures and catalogue, to its adjust data, and then sets the shell's `connected`. Listener calls
// arrive on the connection thread and on the network thread and are handled there; alerts are shown
// on the GUI thread while the calling thread waits. Created and destroyed on the GUI thread.
class InitialViewController : public QObject, public UsbSerialThreadDelegate {
    Q_OBJECT
public:
    InitialViewController(AppShell& shell, ConnectOptions options, QObject* parent = nullptr);
    ~InitialViewController() override;

    // Clears the pictures, takes the listener slots and starts the connection thread if needed.
    void viewDidLoad();

    // UsbSerialThreadDelegate (connection thread)
    void usbSerialThreadDisconnected() override;
    void usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                               const std::optional<CommDataFormat>& response) override;
    // Catalogue and picture downloads (network thread).
    void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error);

    // The end of an adapter update (GUI thread): the result alert is posted, and its follow-up runs
    // once it is answered; the connection thread is held in initialProcessing meanwhile.
    void updateResult(FwErrorCode code);

    void handleAlertYes(DialogId kind);
    void handleAlertNo(DialogId kind);

    // The adapter rule: four-byte versions; "ff…" always; otherwise only at launch and only when the
    // adapter's leading two digits are below the catalogue's.
    static bool isAdapterUpdateAvailable(const QString& fwVersion, const QString& latestVersion,
                                         bool atLaunch);
    bool isAdapterUpdateAvailable() const;
    // Starts the lens catalogue parse once all three pictures and the catalogue are in.
    void checkDownloadsComplete();

    int lensCatalogueParseCount() const { return parseCount_; }
    AlertBridge& alerts() { return alerts_; }

signals:
    // The user agreed to an adapter update; the screen opens the update window (GUI thread).
    void openUpdateWindowRequested();

private:
    void adapterIdentity(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void lensConnectReply(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void lensIdentity(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void startLensDownloads();
    void adjustDataRead(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void adapterCatalogue(const std::optional<QByteArray>& data);
    void lensCatalogue(const std::optional<QByteArray>& data);
    void lensPicture(NetworkFileType type, const std::optional<QByteArray>& data);
    void parseLensCatalogue(const QByteArray& xml);
    void resetLensDownloads();
    // Sets waitNotAdhesion, shows `kind` and requests `next`: the lens must be taken off.
    void refuseLens(DialogId kind, ApplicationState next);
    void ask(DialogId kind, bool withNoFollowUp = false);
    void request(ApplicationState state);
    void followUpByProcessingError();
    void endAfterAdapterError();

    AppShell& shell_;
    AppContext& context_;
    const ConnectOptions options_;
    const LensFileStore store_;
    AlertBridge alerts_;
    const std::shared_ptr<InFlightCalls> calls_ = std::make_shared<InFlightCalls>();
    std::shared_ptr<NetworkInterfaceNotificationDelegate> downloadListener_;

    std::atomic<bool> flgConnectedFirst_{true};
    std::atomic<int> parseCount_{0};
    // Download state of the current lens, touched by the connection and network threads.
    mutable std::mutex downloadMutex_;
    bool flgDownloadedLensImage_ = false;
    bool flgDownloadedFocusAdjustmentImage_ = false;
    bool flgDownloadedFocusLimitImage_ = false;
    bool flgGetLocalImageFailed_ = false;
    bool parseStarted_ = false;
    std::optional<QByteArray> lensInfoParserData_;
};

} // namespace lensdock
