#include "ui/lens/ViewController.h"

#include "context/AppContext.h"
#include "link/Logger.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "ui/AppShell.h"
#include "ui/BuiltInPictures.h"
#include "ui/lens/AdjustFileCommands.h"
#include "ui/lens/LensInfoPanel.h"
#include "ui/ProgressPanel.h"
#include "ui/tabs/FocusAdjustmentTab.h"
#include "ui/tabs/FocusLimiterTab.h"
#include "ui/tabs/MiscellaneousTab.h"
#include "ui/UpdateWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QThread>
#include <QVBoxLayout>

namespace lensdock {

namespace {
// How long a screen going away waits for a listener call still running on another thread.
constexpr std::chrono::seconds callDrainBound{5};

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

ViewController::ModalScope::ModalScope(ViewController& screen) : screen_(screen) {
    ++screen_.modalDepth_;
}

ViewController::ModalScope::~ModalScope() {
    if (--screen_.modalDepth_ == 0 && screen_.leavePending_)
        screen_.leaveWhenIdle();
}

void ViewController::logMain(const QString& message) {
    Logger::trace(QStringLiteral("Main"), message);
}

bool ViewController::isGuiThread() const {
    return QThread::currentThread() == thread();
}

ViewController::ViewController(AppShell& shell, LensScreenOptions options, QWidget* parent)
    : QWidget(parent), shell_(shell), context_(shell.context()), options_(std::move(options)),
      alerts_([this](DialogId kind, const QString& extraText) { return presentAlert(kind, extraText); }) {
    setObjectName(QStringLiteral("lensScreen"));
    downloadListener_ = std::make_shared<DownloadListener>(*this, calls_);
    fileCommands_ = makeFileCommands();
    dialogView_ = new ProgressPanel(this);
    dialogView_->setObjectName(QStringLiteral("dialogWindow"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(24);
    layout->addWidget(buildIdentity());
    auto* main = new QVBoxLayout;
    main->addWidget(buildTabs(), 1);
    main->addWidget(buildCommands());
    layout->addLayout(main, 1);
    viewDidLoad();
}

// The file commands' dialogs count as modal runs of this screen.
std::unique_ptr<AdjustFileCommands> ViewController::makeFileCommands() {
    AdjustFileDialogs dialogs;
    dialogs.open = [this](QWidget* owner) {
        const ModalScope scope(*this);
        return options_.fileDialogs.chooseOpen(owner);
    };
    dialogs.save = [this](QWidget* owner) {
        const ModalScope scope(*this);
        return options_.fileDialogs.chooseSave(owner);
    };
    return std::make_unique<AdjustFileCommands>(
        shell_, std::move(dialogs),
        [this](DialogId kind, const QString& extraText) { alert(kind, extraText); });
}

// Who the lens is, fixed at construction, and the update button below it.
QWidget* ViewController::buildIdentity() {
    LensInfoPanel::Identity identity;
    identity.lensImage = shell_.pictures().lensImage.get();
    if (identity.lensImage.isNull())
        identity.lensImage = BuiltInPictures::lensImage();
    identity.lensName = context_.lensModelInfo().get().lensName;
    identity.lensModelName = context_.lensInfo().get().modelCode;
    identity.lensMountName = mountName(context_.adapterBasicInfo().get().mountInfo);
    auto* box = new QWidget(this);
    infoPanel_ = new LensInfoPanel(identity, box);
    //% "Check for Update"
    btnUpdate_ =
        makeButton(qtTrId("btnUpdate"), QStringLiteral("btnUpdate"), &ViewController::btnPushFwUpdate);
    btnUpdate_->setParent(box);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(infoPanel_);
    layout->addWidget(btnUpdate_);
    layout->addStretch();
    return box;
}

ViewController::~ViewController() {
    // First release a report that waits for an alert's answer: unregistering waits for that report.
    alerts_.abandon();
    UsbSerialThread& thread = context_.usbSerialThread();
    if (thread.delegate() == this)
        thread.setDelegate(nullptr);
    if (!calls_->close(callDrainBound))
        Logger::error(QStringLiteral("Main"),
                      QStringLiteral("A listener call is still running while the screen closes"));
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
    showFirmwareVersion();
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

} // namespace lensdock
