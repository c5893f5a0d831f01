#pragma once

#include "adjust/LensAdjustData.h"
#include "firmware/FwErrorCode.h"
#include "link/UsbSerialThreadTypes.h"
#include "online/NetworkError.h"
#include "online/NetworkFileType.h"
#include "ui/AlertBridge.h"
#include "ui/InFlightCalls.h"
#include "ui/lens/LensScreenOptions.h"
#include "ui/LensScreen.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace lensdock {

class AdjustFileCommands;
class AppContext;
class AppShell;
class LensInfoPanel;
class NetworkInterfaceNotificationDelegate;
class ProgressPanel;
class UpdateWindow;

// The screen the main window shows while a lens is connected: who the lens is, the three settings
// tabs behind a segmented switch, and five commands (apply, restore factory settings, open, save,
// check for a lens firmware update). It never talks to the device: it requests states of the
// connection thread and follows its reports, which arrive on the connection thread (and download
// reports on the network thread); alerts asked for there block that thread, never the GUI thread.
// Created and destroyed on the GUI thread.
class ViewController : public QWidget, public LensScreen, public UsbSerialThreadDelegate {
    Q_OBJECT
public:
    ViewController(AppShell& shell, LensScreenOptions options, QWidget* parent = nullptr);
    ~ViewController() override;

    // LensScreen: the main window's File and View menus.
    void showTab(int index) override;
    bool acceptsCommands() const override;
    void openLensAdjustFile() override { btnPushLoadFile(); }
    void saveLensAdjustFile() override { btnPushSaveFile(); }
    void restoreToFactorySettings(DialogResponse answer) override;

    // UsbSerialThreadDelegate (connection thread, or the port's thread for a removal).
    void usbSerialThreadDisconnected() override;
    void usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                               const std::optional<CommDataFormat>& response) override;
    // The lens catalogue of a firmware check (network thread).
    void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error);
    // The end of a lens update (GUI thread): the result alert is posted, its follow-up runs once it
    // is answered, and the connection thread is held in processing meanwhile.
    void updateResult(FwErrorCode code);

    void showFirmwareVersion();
    void handleAlertYes(DialogId kind);
    void handleAlertNo(DialogId kind);
    // Runs the progress panel modally until closeProgressDialog() ends it (GUI thread).
    void showProgressDialog(DialogViewId id);
    // Waits the panel's linger time on the calling thread, then closes the panel.
    void closeProgressDialog();
    void openUpdateWindow();

    // The lens's leading two version digits are below the catalogue's; both versions four bytes.
    static bool isLensUpdateAvailable(const QString& latestVersion, const QString& currentVersion);
    bool isLensUpdateAvailable() const;
    static QString firmwareVersionText(const QString& firmwareVersion);
    static QString mountName(int mountInfo);

    bool isConnectView() const { return isConnectView_; }
    bool flgWriteDefault() const { return flgWriteDefault_; }
    bool flgUpdated() const { return flgUpdated_; }

    QTabBar* segmentTabControl() const { return segmentTabControl_; }
    QStackedWidget* tabView() const { return tabView_; }
    LensInfoPanel* infoPanel() const { return infoPanel_; }
    QLabel* txtFirmwareVersion() const;
    QPushButton* btnApplySettings() const { return btnApplySettings_; }
    QPushButton* btnRestoreFactory() const { return btnRestoreFactory_; }
    QPushButton* btnSaveAs() const { return btnSaveAs_; }
    QPushButton* btnOpen() const { return btnOpen_; }
    QPushButton* btnUpdate() const { return btnUpdate_; }
    ProgressPanel* progressPanel() const { return dialogView_; }
    // The lens update window while it is open.
    UpdateWindow* updateWindow() const;

public slots:
    void btnPushLensWrite();
    void btnPushFactory();
    void btnPushLoadFile();
    void btnPushSaveFile();
    void btnPushFwUpdate();
    void changeSegment(int index);

signals:
    void updateWindowOpened(lensdock::UpdateWindow* window);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Counts a modal run of this screen on the GUI thread; a loss of the lens reported meanwhile
    // replaces the screen only once the last run has ended.
    class ModalScope {
    public:
        explicit ModalScope(ViewController& screen);
        ~ModalScope();
        ModalScope(const ModalScope&) = delete;
        ModalScope& operator=(const ModalScope&) = delete;

    private:
        ViewController& screen_;
    };

    static void logMain(const QString& message);
    bool isGuiThread() const;

    std::unique_ptr<AdjustFileCommands> makeFileCommands();
    QWidget* buildIdentity();
    QWidget* buildCommands();
    QWidget* buildTabs();
    QPushButton* makeButton(const QString& text, const QString& name, void (ViewController::*action)());
    void viewDidLoad();
    void viewDidAppear();

    // The guard of the five commands: moves the thread to processing and has the tabs store their
    // controls; false (and nothing done) unless the screen is idle.
    bool startCommand();
    void request(ApplicationState state);
    void raiseWrite();
    void raiseControl();
    DialogResponse alert(DialogId kind, const QString& extraText = QString());
    void ask(DialogId kind);
    bool reportDeviceLoss();
    void followUpByProcessingError();

    void lensIdentityResult(UsbThreadErrorCode error);
    // Reports the over-current and refuses the lens until it has been taken off.
    void refuseOverCurrentLens();
    void adjustDataWritten(UsbThreadErrorCode error, const std::optional<CommDataFormat>& response);
    void lensCatalogueReceived(const QByteArray& data);
    void catalogueCheckFailed();
    void storeLensCatalogue(const QByteArray& data);
    DialogResponse presentAlert(DialogId kind, const QString& extraText);
    void leaveWhenIdle();

    AppShell& shell_;
    AppContext& context_;
    const LensScreenOptions options_;
    AlertBridge alerts_;
    const std::shared_ptr<InFlightCalls> calls_ = std::make_shared<InFlightCalls>();
    std::shared_ptr<NetworkInterfaceNotificationDelegate> downloadListener_;
    std::unique_ptr<AdjustFileCommands> fileCommands_;

    LensInfoPanel* infoPanel_ = nullptr;
    QTabBar* segmentTabControl_ = nullptr;
    QStackedWidget* tabView_ = nullptr;
    QPushButton* btnApplySettings_ = nullptr;
    QPushButton* btnRestoreFactory_ = nullptr;
    QPushButton* btnSaveAs_ = nullptr;
    QPushButton* btnOpen_ = nullptr;
    QPushButton* btnUpdate_ = nullptr;
    ProgressPanel* dialogView_ = nullptr;
    QPointer<UpdateWindow> windowUpdate_;

    std::atomic<bool> flgWriteDefault_{false};
    std::atomic<bool> isConnectView_{true};
    std::atomic<bool> catalogueCheckPending_{false};
    bool flgUpdated_ = false;
    // What the settings were before a factory restore, put back when the restore fails.
    std::mutex restoreMutex_;
    std::optional<LensAdjustData> settingsBeforeRestore_;
    // Modal runs of this screen on the GUI thread; the screen is not replaced while one is open.
    int modalDepth_ = 0;
    bool leavePending_ = false;
};

} // namespace lensdock
