#include "adjust/AdjustPayload.h"
#include "context/AppContext.h"
#include "online/ModelInfoParser.h"
#include "online/ResourcePaths.h"
#include "ui/AppShell.h"
#include "ui/lens/ViewController.h"
#include "ui/LensFileStore.h"
#include "ui/UpdateResultAlert.h"
#include "ui/UpdateWindow.h"

// What the lens screen does with the reports of the connection thread, the catalogue download of a
// firmware check and the update window.
namespace lensdock {

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
    if (error == UsbThreadErrorCode::failure) {
        isConnectView_ = false;
        request(ApplicationState::lensDisconnected);
    } else if (error == UsbThreadErrorCode::overcurrent) {
        refuseOverCurrentLens();
    }
}

void ViewController::refuseOverCurrentLens() {
    request(ApplicationState::processing);
    isConnectView_ = false;
    context_.usbSerialThread().setWaitNotAdhesion(true);
    alert(DialogId::overCurrentError);
    request(ApplicationState::lensDisconnected);
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
    // One report: the over-current alert, which also tells what to do; the next identity poll would
    // otherwise add it after the write's own alert.
    if (error == UsbThreadErrorCode::overcurrent) {
        flgWriteDefault_ = false;
        return refuseOverCurrentLens();
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
    // Kept as text: the bytes as read, with invalid UTF-8 replaced.
    LensFileStore(options_.libraryFolder ? FileIO(*options_.libraryFolder) : FileIO())
        .storeCatalogue(QString::fromUtf8(data).toUtf8());
}

void ViewController::lensCatalogueReceived(const QByteArray& data) {
    ModelInfoParseOptions parse;
    parse.logTag = QStringLiteral("Main");
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
    const DialogId kind = alertForUpdateResult(code);
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
