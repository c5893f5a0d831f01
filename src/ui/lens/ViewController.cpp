#include "ui/lens/ViewController.h"

#include "adjust/AdjustPayload.h"
#include "context/AppContext.h"
#include "link/Logger.h"
#include "online/ModelInfoParser.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "online/ResourcePaths.h"
#include "ui/AlertDialog.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/InitialViewController.h"
#include "ui/lens/AdjustFileCommands.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/ProgressPanel.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/UpdateWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <thread>

namespace lensdock {

namespace {
const QString tag = QStringLiteral("Main");
// How long a screen going away waits for a listener call still running on another thread.
constexpr std::chrono::seconds callDrainBound{5};

void logMain(const QString& message) {
    Logger::trace(tag, message);
}

bool onGuiThread(const QObject* object) {
    return QThread::currentThread() == object->thread();
}

// Hands download results to the screen while it is there, and drops them afterwards.
class DownloadListener : public NetworkInterfaceNotificationDelegate {
public:
    DownloadListener(ViewController& owner, std::shared_ptr<InFlightCalls> calls)
        : owner_(owner), calls_(std::move(calls)) {}
    void fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<NetworkError>& error) override {
        const InFlightCalls::Scope scope(*calls_);
        if (scope.admitted())
            owner_.fileDownloadCompleted(type, data, error);
    }

private:
    ViewController& owner_;
    const std::shared_ptr<InFlightCalls> calls_;
};
} // namespace

// Counts a modal run of this screen on the GUI thread; a loss of the lens reported meanwhile
// replaces the screen only once the last run has ended.
class ViewController::ModalScope {
public:
    explicit ModalScope(ViewController& screen) : screen_(screen) { ++screen_.modalDepth_; }
    ~ModalScope() {
        if (--screen_.modalDepth_ == 0 && screen_.leavePending_)
            screen_.leaveWhenIdle();
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    ViewController& screen_;
};

ViewController::ViewController(AppShell& shell, LensScreenOptions options, QWidget* parent)
    : QWidget(parent), shell_(shell), context_(shell.context()), options_(std::move(options)),
      alerts_([this](DialogId kind, const QString& extraText) { return presentAlert(kind, extraText); }) {
    setObjectName(QStringLiteral("lensScreen"));
    downloadListener_ = std::make_shared<DownloadListener>(*this, calls_);
    AdjustFileDialogs dialogs;
    dialogs.open = [this](QWidget* owner) {
        const ModalScope scope(*this);
        return options_.fileDialogs.chooseOpen(owner);
    };
    dialogs.save = [this](QWidget* owner) {
        const ModalScope scope(*this);
        return options_.fileDialogs.chooseSave(owner);
    };
    fileCommands_ = std::make_unique<AdjustFileCommands>(
        shell_, std::move(dialogs),
        [this](DialogId kind, const QString& extraText) { alert(kind, extraText); });

    const LensInfo lens = context_.lensInfo().get();
    LensInfoPanel::Identity identity;
    identity.lensImage = shell_.pictures().lensImage.get();
    if (identity.lensImage.isNull())
        identity.lensImage = BuiltInPictures::lensImage();
    identity.lensName = context_.lensModelInfo().get().lensName;
    identity.lensModelName = lens.modelCode;
    identity.lensMountName = mountName(context_.adapterBasicInfo().get().mountInfo);
    infoPanel_ = new LensInfoPanel(identity, this);
    dialogView_ = new ProgressPanel(this);
    dialogView_->setObjectName(QStringLiteral("dialogWindow"));

    auto* side = new QVBoxLayout;
    side->addWidget(infoPanel_);
    //% "Check for Update"
    btnUpdate_ =
        makeButton(qtTrId("btnUpdate"), QStringLiteral("btnUpdate"), &ViewController::btnPushFwUpdate);
    side->addWidget(btnUpdate_);
    side->addStretch();
    auto* main = new QVBoxLayout;
    main->addWidget(buildTabs(), 1);
    main->addWidget(buildCommands());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addLayout(side);
    layout->addLayout(main, 1);
    viewDidLoad();
}

ViewController::~ViewController() {
    UsbSerialThread& thread = context_.usbSerialThread();
    if (thread.delegate() == this)
        thread.setDelegate(nullptr);
    alerts_.abandon();
    if (!calls_->close(callDrainBound))
        Logger::error(tag, QStringLiteral("A listener call is still running while the screen closes"));
}

QPushButton* ViewController::makeButton(const QString& text, const QString& name,
                                        void (ViewController::*action)()) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, action);
    return button;
}

QWidget* ViewController::buildTabs() {
    auto* box = new QWidget(this);
    segmentTabControl_ = new QTabBar(box);
    segmentTabControl_->setObjectName(QStringLiteral("segmentTabControl"));
    segmentTabControl_->setExpanding(false);
    segmentTabControl_->setDrawBase(false);
    tabView_ = new QStackedWidget(box);
    tabView_->setObjectName(QStringLiteral("tabCustomView"));
    tabView_->addWidget(new FocusAdjustmentTab(shell_));
    tabView_->addWidget(new FocusLimiterTab(shell_));
    tabView_->addWidget(new MiscellaneousTab(shell_));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(segmentTabControl_, 0, Qt::AlignHCenter);
    layout->addWidget(tabView_, 1);
    return box;
}

QWidget* ViewController::buildCommands() {
    auto* box = new QWidget(this);
    //% "Open…"
    btnOpen_ =
        makeButton(qtTrId("btnCustomLoad"), QStringLiteral("btnOpen"), &ViewController::btnPushLoadFile);
    //% "Save As…"
    btnSaveAs_ =
        makeButton(qtTrId("btnCustomSave"), QStringLiteral("btnSaveAs"), &ViewController::btnPushSaveFile);
    //% "Restore Factory Settings"
    btnRestoreFactory_ = makeButton(qtTrId("btnFactoryDefault"), QStringLiteral("btnRestoreFactory"),
                                    &ViewController::btnPushFactory);
    //% "Apply"
    btnApplySettings_ = makeButton(qtTrId("btnCustomSet"), QStringLiteral("btnApplySettings"),
                                   &ViewController::btnPushLensWrite);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(btnOpen_);
    layout->addWidget(btnSaveAs_);
    layout->addStretch();
    layout->addWidget(btnRestoreFactory_);
    layout->addWidget(btnApplySettings_);
    return box;
}

void ViewController::viewDidLoad() {
    //% "Focus Adjustment"
    segmentTabControl_->addTab(qtTrId("tabFocusAdjustment"));
    //% "Focus Limiter"
    segmentTabControl_->addTab(qtTrId("tabLimiter"));
    //% "Miscellaneous"
    segmentTabControl_->addTab(qtTrId("tabMiscellaneous"));
    connect(segmentTabControl_, &QTabBar::currentChanged, this, &ViewController::changeSegment);
    QMetaObject::invokeMethod(this, &ViewController::showFirmwareVersion, Qt::QueuedConnection);
    context_.networkInterface().setNotificationDelegate(downloadListener_);
    context_.usbSerialThread().setDelegate(this);
    isConnectView_ = true;
}

void ViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!flgUpdated_)
        QMetaObject::invokeMethod(this, &ViewController::viewDidAppear, Qt::QueuedConnection);
}

void ViewController::viewDidAppear() {
    if (flgUpdated_)
        return;
    flgUpdated_ = true;
    if (context_.lensModelsInfoSource() == LensModelsInfoSource::downloadHost && isLensUpdateAvailable()) {
        ask(DialogId::updateLensConfirm);
        return;
    }
    followUpByProcessingError();
}

UpdateWindow* ViewController::updateWindow() const {
    return windowUpdate_;
}

QLabel* ViewController::txtFirmwareVersion() const {
    return infoPanel_->txtFirmwareVersion();
}

QString ViewController::mountName(int mountInfo) {
    switch (mountInfo) {
    case 1:
        //% "Canon"
        return qtTrId("mountName1");
    case 2:
        //% "Nikon"
        return qtTrId("mountName2");
    case 3:
        //% "SONY"
        return qtTrId("mountName3");
    default:
        return QString();
    }
}

QString ViewController::firmwareVersionText(const QString& firmwareVersion) {
    const QString digits = firmwareVersion.left(2);
    bool isNumber = false;
    const int number = digits.toInt(&isNumber, 10);
    //% "Version "
    return qtTrId("infoVersion") + (isNumber ? QString::number(number) : digits);
}

void ViewController::showFirmwareVersion() {
    txtFirmwareVersion()->setText(firmwareVersionText(context_.lensInfo().get().firmwareVersion));
}

bool ViewController::isLensUpdateAvailable(const QString& latestVersion, const QString& currentVersion) {
    if (latestVersion.toUtf8().size() != 4 || currentVersion.toUtf8().size() != 4)
        return false;
    bool latestOk = false;
    bool currentOk = false;
    const int latest = latestVersion.left(2).toInt(&latestOk, 10);
    const int current = currentVersion.left(2).toInt(&currentOk, 10);
    return latestOk && currentOk && current < latest;
}

bool ViewController::isLensUpdateAvailable() const {
    return isLensUpdateAvailable(context_.lensModelInfo().get().latestVersion,
                                 context_.lensInfo().get().firmwareVersion);
}

// ---- commands ----

bool ViewController::startCommand() {
    if (context_.usbSerialThread().appNewState() != ApplicationState::lensConnect || !isConnectView_)
        return false;
    request(ApplicationState::processing);
    raiseWrite();
    return true;
}

void ViewController::btnPushLensWrite() {
    if (startCommand())
        ask(DialogId::customizeCaution);
}

void ViewController::btnPushFactory() {
    if (startCommand())
        ask(DialogId::initializeCaution);
}

void ViewController::restoreToFactorySettings(DialogResponse answer) {
    // The menu has asked the caution already.
    if (!startCommand())
        return;
    if (answer == DialogResponse::yes)
        handleAlertYes(DialogId::initializeCaution);
    else
        handleAlertNo(DialogId::initializeCaution);
}

void ViewController::btnPushLoadFile() {
    if (!startCommand())
        return;
    fileCommands_->openFile(window());
    followUpByProcessingError();
}

void ViewController::btnPushSaveFile() {
    if (!startCommand())
        return;
    fileCommands_->saveFile(window());
    followUpByProcessingError();
}

void ViewController::btnPushFwUpdate() {
    if (!startCommand())
        return;
    const LensInfo lens = context_.lensInfo().get();
    catalogueCheckPending_ = true;
    context_.networkInterface().downloadLensModelsInfo(
        lens.modelCode, ResourcePaths::mountSuffix(context_.adapterBasicInfo().get().mountInfo));
    showProgressDialog(DialogViewId::checkUpdate);
}

void ViewController::showTab(int index) {
    segmentTabControl_->setCurrentIndex(index);
}

void ViewController::changeSegment(int index) {
    raiseWrite();
    tabView_->setCurrentIndex(index);
}

// ---- state requests, flags and alerts ----

void ViewController::request(ApplicationState state) {
    context_.usbSerialThread().requestState(state);
}

void ViewController::raiseWrite() {
    if (onGuiThread(this))
        shell_.raiseWrite();
    else
        QMetaObject::invokeMethod(&shell_, &AppShell::raiseWrite, Qt::QueuedConnection);
}

void ViewController::raiseControl() {
    if (onGuiThread(this))
        shell_.raiseControl();
    else
        QMetaObject::invokeMethod(&shell_, &AppShell::raiseControl, Qt::QueuedConnection);
}

DialogResponse ViewController::presentAlert(DialogId kind, const QString& extraText) {
    const ModalScope scope(*this);
    const AlertBridge::Presenter& presenter = shell_.options().alertPresenter;
    return presenter ? presenter(kind, extraText) : AlertDialog::showAlert(kind, extraText, window());
}

DialogResponse ViewController::alert(DialogId kind, const QString& extraText) {
    return alerts_.showAlert(kind, extraText);
}

void ViewController::ask(DialogId kind) {
    const DialogResponse answer = alert(kind);
    if (alerts_.isAbandoned())
        return;
    if (answer == DialogResponse::yes)
        handleAlertYes(kind);
    else
        handleAlertNo(kind);
}

// True when the adapter or the lens has been lost: reported, and the thread sent on.
bool ViewController::reportDeviceLoss() {
    switch (context_.usbSerialThread().processingErr()) {
    case ProcessingErrorType::adapter:
        isConnectView_ = false;
        alert(DialogId::adapterConnectError);
        request(ApplicationState::adapterDisconnect);
        return true;
    case ProcessingErrorType::lens:
        isConnectView_ = false;
        alert(DialogId::lensDisconnectedError);
        request(ApplicationState::lensDisconnected);
        return true;
    case ProcessingErrorType::success:
        break;
    }
    return false;
}

void ViewController::followUpByProcessingError() {
    switch (context_.usbSerialThread().processingErr()) {
    case ProcessingErrorType::adapter:
        isConnectView_ = false;
        request(ApplicationState::adapterDisconnect);
        break;
    case ProcessingErrorType::lens:
        isConnectView_ = false;
        request(ApplicationState::lensDisconnected);
        break;
    case ProcessingErrorType::success:
        request(ApplicationState::lensConnect);
        break;
    }
}

void ViewController::handleAlertYes(DialogId kind) {
    switch (kind) {
    case DialogId::customizeCaution:
        if (reportDeviceLoss())
            return;
        flgWriteDefault_ = false;
        request(ApplicationState::adjDataWriting);
        showProgressDialog(DialogViewId::setAdjustData);
        break;
    case DialogId::initializeCaution:
        if (reportDeviceLoss())
            return;
        {
            std::lock_guard lock(restoreMutex_);
            settingsBeforeRestore_ = context_.currentAdjustData().get();
        }
        context_.currentAdjustData().set(context_.defaultAdjustData().get());
        raiseControl();
        flgWriteDefault_ = true;
        request(ApplicationState::adjDataWriting);
        showProgressDialog(DialogViewId::setDefaultData);
        break;
    case DialogId::updateLensConfirm:
        if (!reportDeviceLoss())
            ask(DialogId::updateLensCaution);
        break;
    case DialogId::updateLensCaution:
        if (reportDeviceLoss())
            return;
        request(ApplicationState::fwUpdate);
        QMetaObject::invokeMethod(this, &ViewController::openUpdateWindow, Qt::QueuedConnection);
        break;
    case DialogId::updateComplete:
    case DialogId::updateError:
    case DialogId::updateErrorNetwork:
    case DialogId::updateErrorDownload:
    case DialogId::updateErrorDecode:
    case DialogId::updateErrorSend:
        followUpByProcessingError();
        break;
    default:
        break;
    }
}

void ViewController::handleAlertNo(DialogId kind) {
    switch (kind) {
    case DialogId::customizeCaution:
    case DialogId::initializeCaution:
    case DialogId::updateLensConfirm:
    case DialogId::updateLensCaution:
        followUpByProcessingError();
        break;
    default:
        break;
    }
}

// ---- progress panel ----

void ViewController::showProgressDialog(DialogViewId id) {
    if (!onGuiThread(this)) {
        QMetaObject::invokeMethod(
            this, [this, id] { showProgressDialog(id); }, Qt::QueuedConnection);
        return;
    }
    const ModalScope scope(*this);
    dialogView_->setDialogId(id);
    // The run is entered before any report can be handled here, so its close always finds it open.
    dialogView_->exec();
}

void ViewController::closeProgressDialog() {
    if (onGuiThread(this)) {
        QTimer::singleShot(options_.progressCloseDelay, dialogView_,
                           [panel = dialogView_] { panel->close(); });
        return;
    }
    std::this_thread::sleep_for(options_.progressCloseDelay);
    dialogView_->closeFromAnyThread();
}

// ---- connection thread ----

void ViewController::usbSerialThreadDisconnected() {
    const InFlightCalls::Scope scope(*calls_);
    if (!scope.admitted())
        return;
    QMetaObject::invokeMethod(this, &ViewController::leaveWhenIdle, Qt::QueuedConnection);
}

// Hands the window back to the connect screen, but never from inside one of this screen's modal
// runs: the screen is destroyed by the switch.
void ViewController::leaveWhenIdle() {
    if (modalDepth_ > 0) {
        leavePending_ = true;
        return;
    }
    leavePending_ = false;
    AppShell* shell = &shell_;
    QMetaObject::invokeMethod(
        shell,
        [shell, self = QPointer<ViewController>(this)] {
            // A modal run may have started since: wait for its end again.
            if (self && self->modalDepth_ > 0) {
                self->leavePending_ = true;
                return;
            }
            shell->setConnected(false);
        },
        Qt::QueuedConnection);
}

void ViewController::usbSerialThreadResult(ApplicationState state, UsbThreadErrorCode error,
                                           const std::optional<CommDataFormat>& response) {
    const InFlightCalls::Scope scope(*calls_);
    if (!scope.admitted())
        return;
    switch (state) {
    case ApplicationState::lensConnect:
        lensIdentityResult(error);
        break;
    case ApplicationState::adjDataWriting:
        adjustDataWritten(error, response);
        break;
    case ApplicationState::lensDisconnected:
        // The lens is released; the connect screen may not have taken over yet.
        request(ApplicationState::lensDisadhesion);
        break;
    case ApplicationState::appTerminate:
        shell_.endProcess(0);
        break;
    default:
        break;
    }
}

void ViewController::lensIdentityResult(UsbThreadErrorCode error) {
    UsbSerialThread& thread = context_.usbSerialThread();
    if (error == UsbThreadErrorCode::failure) {
        isConnectView_ = false;
        request(ApplicationState::lensDisconnected);
    } else if (error == UsbThreadErrorCode::overcurrent) {
        request(ApplicationState::processing);
        isConnectView_ = false;
        thread.setWaitNotAdhesion(true);
        alert(DialogId::overCurrentError);
        request(ApplicationState::lensDisconnected);
    }
}

void ViewController::adjustDataWritten(UsbThreadErrorCode error,
                                       const std::optional<CommDataFormat>& response) {
    closeProgressDialog();
    const LensInfo lens = context_.lensInfo().get();
    bool written = false;
    if (error == UsbThreadErrorCode::success && response) {
        if (const auto readBack = makeLensAdjustData(*response, lens))
            written = context_.currentAdjustData().get().isSameSettings(*readBack, lens);
    }
    const bool restoring = flgWriteDefault_;
    std::optional<LensAdjustData> before;
    {
        std::lock_guard lock(restoreMutex_);
        before.swap(settingsBeforeRestore_);
    }
    if (restoring && !written && before) {
        // The lens did not take the factory values: show the settings as they were.
        context_.currentAdjustData().set(*before);
        raiseControl();
    }
    if (restoring)
        alert(written ? DialogId::setDefaultDataComplete : DialogId::setDefaultError);
    else
        alert(written ? DialogId::setAdjustDataComplete : DialogId::setAdjustError);
    flgWriteDefault_ = false;
    if (context_.usbSerialThread().processingErr() == ProcessingErrorType::adapter) {
        isConnectView_ = false;
        request(ApplicationState::adapterDisconnect);
    } else {
        request(ApplicationState::lensConnect);
    }
}

// ---- lens firmware check and update ----

void ViewController::fileDownloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                           const std::optional<NetworkError>& error) {
    if (type != NetworkFileType::lensModelsInfo || !catalogueCheckPending_.exchange(false))
        return;
    if (!data || error) {
        catalogueCheckFailed();
        return;
    }
    storeLensCatalogue(*data);
    lensCatalogueReceived(*data);
}

void ViewController::catalogueCheckFailed() {
    closeProgressDialog();
    alert(DialogId::getModelInfoError);
    request(ApplicationState::lensConnect);
}

void ViewController::storeLensCatalogue(const QByteArray& data) {
    const FileIO store = options_.libraryFolder ? FileIO(*options_.libraryFolder) : FileIO();
    const auto directory = store.lensDirectory();
    if (!directory)
        return;
    const QString path =
        QDir(*directory).filePath(QFileInfo(NetworkInterface::lensModelsInfoPath()).fileName());
    QSaveFile file(path);
    const QByteArray text = QString::fromUtf8(data).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        Logger::error(QStringLiteral("File"), QStringLiteral("Cannot store ") + path);
}

void ViewController::lensCatalogueReceived(const QByteArray& data) {
    ModelInfoParseOptions parse;
    parse.logTag = tag;
    parse.lensKind = context_.lensInfo().get().lensKind;
    const auto result = ModelInfoParser::parseLensModelsInfo(data, context_.lensModelInfo().get(), parse);
    if (!result.record) {
        if (result.xmlError)
            logMain(*result.xmlError);
        catalogueCheckFailed();
        return;
    }
    context_.lensModelInfo().set(*result.record);
    closeProgressDialog();
    if (isLensUpdateAvailable()) {
        request(ApplicationState::processing);
        ask(DialogId::updateLensCaution);
        return;
    }
    alert(DialogId::updateLensLatest);
    request(ApplicationState::lensConnect);
}

void ViewController::openUpdateWindow() {
    const FileIO store = options_.libraryFolder ? FileIO(*options_.libraryFolder) : FileIO();
    auto* window = new UpdateWindow(context_, options_.update, store, this->window());
    const LensModelInfo catalogue = context_.lensModelInfo().get();
    const LensInfo lens = context_.lensInfo().get();
    window->setLensUpdateInfo(ResourcePaths::mountSuffix(context_.adapterBasicInfo().get().mountInfo),
                              lens.modelCode, catalogue.latestVersion, catalogue.decodeKey);
    connect(window, &UpdateWindow::updateFinished, this, &ViewController::updateResult);
    windowUpdate_ = window;
    emit updateWindowOpened(window);
    window->show();
}

void ViewController::updateResult(FwErrorCode code) {
    QMetaObject::invokeMethod(this, &ViewController::showFirmwareVersion, Qt::QueuedConnection);
    const DialogId kind = InitialViewController::alertForUpdateResult(code);
    if (code == FwErrorCode::resultOk)
        raiseControl();
    if (kind == DialogId::updateError)
        logMain(QStringLiteral("Update Error Code : %1").arg(rawValue(code)));
    if (code == FwErrorCode::errorUsbSerialRemoved)
        context_.usbSerialThread().setProcessingErr(ProcessingErrorType::adapter);
    QMetaObject::invokeMethod(
        this,
        [this, kind] {
            alert(kind);
            handleAlertYes(kind);
        },
        Qt::QueuedConnection);
    request(ApplicationState::processing);
}

} // namespace lensdock
