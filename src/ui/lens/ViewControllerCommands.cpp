#include "context/AppContext.h"
#include "online/ResourcePaths.h"
#include "ui/AlertDialog.h"
#include "ui/AppShell.h"
#include "ui/lens/AdjustFileCommands.h"
#include "ui/lens/ViewController.h"
#include "ui/ProgressPanel.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <thread>

// The five commands, the alerts and their follow-ups, and the progress panel of the lens screen.
namespace lensdock {

bool ViewController::acceptsCommands() const {
    return context_.usbSerialThread().appNewState() == ApplicationState::lensConnect && isConnectView_;
}

bool ViewController::startCommand() {
    if (!acceptsCommands())
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
    if (isGuiThread())
        shell_.raiseWrite();
    else
        QMetaObject::invokeMethod(&shell_, &AppShell::raiseWrite, Qt::QueuedConnection);
}

void ViewController::raiseControl() {
    if (isGuiThread())
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
    if (!isGuiThread()) {
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
    if (isGuiThread()) {
        QTimer::singleShot(options_.progressCloseDelay, dialogView_,
                           [panel = dialogView_] { panel->close(); });
        return;
    }
    std::this_thread::sleep_for(options_.progressCloseDelay);
    dialogView_->closeFromAnyThread();
}

} // namespace lensdock
