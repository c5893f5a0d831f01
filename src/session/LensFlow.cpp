#include "session/LensFlow.h"

#include "adjust/AdjustDataFile.h"
#include "adjust/AdjustPayload.h"
#include "base/Logger.h"
#include "context/AppContext.h"
#include "online/FirmwareVersionCheck.h"
#include "online/LensCatalogueCopy.h"
#include "online/ModelInfoParser.h"
#include "online/ResourcePaths.h"
#include "session/ReportRelay.h"
#include "session/UpdateResultAlert.h"

#include <QFileInfo>
#include <QTimer>
#include <utility>

namespace lensdock {

namespace {
void logMain(const QString& message) {
    Logger::trace(QStringLiteral("Main"), message);
}
} // namespace

LensFlow::LensFlow(AppContext& context, Asker& asker, Options options, QObject* parent)
    : QObject(parent), context_(context), asker_(asker), options_(std::move(options)),
      relay_(std::make_shared<ReportRelay>(this)), library_(options_.store) {
    reports_ = std::make_unique<RelayedConnectionReports>(
        context_.connectionThread(), relay_,
        [this](ApplicationState state, ExchangeResult result, const std::optional<CommDataFormat>& response) {
            exchange(state, result, response);
        },
        [this](ApplicationState state) { connectionEnded(state); });
    downloads_ = std::make_shared<RelayedDownloads>(
        relay_, [this](NetworkFileType type, const std::optional<QByteArray>& data,
                       const std::optional<NetworkError>& error) { downloadCompleted(type, data, error); });
}

LensFlow::~LensFlow() {
    ConnectionThread& thread = context_.connectionThread();
    if (thread.delegate() == reports_.get())
        thread.setDelegate(nullptr);
    relay_->close();
}

void LensFlow::start() {
    context_.networkInterface().setNotificationDelegate(downloads_);
    context_.connectionThread().setDelegate(reports_.get());
    phase_ = Phase::command;
    if (context_.lensModelsInfoSource() == LensModelsInfoSource::downloadHost && isLensUpdateOffered())
        offerUpdate(DialogId::updateLensConfirm);
    else
        followUpByDeviceLoss();
}

LensUpdateRequest LensUpdateRequest::offeredIn(AppContext& context) {
    const LensModelInfo catalogue = context.lensModelInfo().get();
    return {ResourcePaths::mountSuffix(context.adapterBasicInfo().get().mountInfo),
            context.lensInfo().get().modelCode, catalogue.latestVersion, catalogue.decodeKey};
}

bool LensFlow::isLensUpdateOffered() const {
    return isFirmwareUpdateAvailable(context_.lensInfo().get().firmwareVersion,
                                     context_.lensModelInfo().get().latestVersion);
}

void LensFlow::request(ApplicationState state) {
    context_.connectionThread().requestState(state);
}

void LensFlow::ask(DialogId kind, Asker::Answer answer, const QString& extraText) {
    ++openModals_;
    asker_.ask(kind, extraText, [this, answer = std::move(answer)](DialogResponse response) {
        --openModals_;
        answer(response);
        modalEnded();
    });
}

// A loss reported while a question, progress or file dialog is open waits for its end.
void LensFlow::modalEnded() {
    if (openModals_ > 0 || !leavePending_)
        return;
    leavePending_ = false;
    phase_ = Phase::leaving;
    emit leaveRequested();
}

DeviceLoss LensFlow::loss() const {
    const DeviceLoss reported = context_.connectionThread().deviceLoss();
    return reported != DeviceLoss::none ? reported : lost_;
}

bool LensFlow::acceptsCommands() const {
    return phase_ == Phase::idle && openModals_ == 0 && connectView_ &&
           context_.connectionThread().appNewState() == ApplicationState::lensConnected;
}

bool LensFlow::startCommand() {
    if (!acceptsCommands())
        return false;
    phase_ = Phase::command;
    request(ApplicationState::holdingLens);
    emit editsCommitRequested();
    return true;
}

void LensFlow::apply(BackupReason reason) {
    if (!startCommand())
        return;
    writeReason_ = reason;
    ask(
        DialogId::customizeCaution, [this](DialogResponse answer) { applyAnswered(answer); },
        changesText(context_.currentAdjustData().get()));
}

QString LensFlow::changesText(const LensAdjustData& written) const {
    const auto held = context_.lensSettings().get();
    if (!held)
        return QString();
    return options_.describeChanges(*held, written, context_.lensInfo().get()).join(QLatin1Char('\n'));
}

void LensFlow::applyAnswered(DialogResponse answer) {
    if (answer == DialogResponse::no)
        followUpByDeviceLoss();
    else if (!reportDeviceLoss())
        startWrite(false);
}

void LensFlow::restoreFactorySettings() {
    if (!startCommand())
        return;
    ask(DialogId::initializeCaution, [this](DialogResponse answer) { restoreAnswered(answer); });
}

void LensFlow::restoreAnswered(DialogResponse answer) {
    if (answer == DialogResponse::no)
        followUpByDeviceLoss();
    else if (!reportDeviceLoss())
        startWrite(true);
}

// ---- device loss ----

// True when the adapter or the lens has been lost: reported, and the thread sent on.
bool LensFlow::reportDeviceLoss() {
    switch (loss()) {
    case DeviceLoss::adapter:
        connectView_ = false;
        phase_ = Phase::leaving;
        ask(DialogId::adapterConnectError,
            [this](DialogResponse) { request(ApplicationState::searchingAdapter); });
        return true;
    case DeviceLoss::lens:
        if (context_.connectionThread().lensOverCurrent()) {
            refuseOverCurrentLens();
            return true;
        }
        connectView_ = false;
        phase_ = Phase::leaving;
        ask(DialogId::lensDisconnectedError,
            [this](DialogResponse) { request(ApplicationState::releasingLens); });
        return true;
    case DeviceLoss::none:
        break;
    }
    return false;
}

void LensFlow::followUpByDeviceLoss() {
    switch (loss()) {
    case DeviceLoss::adapter:
        connectView_ = false;
        phase_ = Phase::leaving;
        request(ApplicationState::searchingAdapter);
        break;
    case DeviceLoss::lens:
        connectView_ = false;
        phase_ = Phase::leaving;
        request(ApplicationState::releasingLens);
        break;
    case DeviceLoss::none:
        phase_ = Phase::idle;
        request(ApplicationState::lensConnected);
        break;
    }
}

// ---- reports ----

void LensFlow::exchange(ApplicationState state, ExchangeResult result,
                        const std::optional<CommDataFormat>& response) {
    switch (state) {
    case ApplicationState::lensConnected:
        if (phase_ == Phase::idle)
            lensIdentityResult(result);
        else if (result == ExchangeResult::failure && phase_ == Phase::command)
            lost_ = DeviceLoss::lens; // a poll failed just before the command: it is not carried out
        break;
    case ApplicationState::writingSettings:
        if (phase_ == Phase::writing)
            settingsWritten(result, response);
        break;
    case ApplicationState::readingSettings:
        if (phase_ == Phase::verifying)
            settingsVerified(result, response);
        break;
    case ApplicationState::releasingLens:
        // The lens is released; the connect course may not have taken over yet.
        request(ApplicationState::waitingForLens);
        break;
    case ApplicationState::terminating:
        emit endRequested(0);
        break;
    default:
        break;
    }
}

// The thread left the lens on its own: it is searching for the adapter, or releasing the lens.
void LensFlow::connectionEnded(ApplicationState state) {
    lost_ = state == ApplicationState::searchingAdapter ? DeviceLoss::adapter : DeviceLoss::lens;
    connectView_ = false;
    leavePending_ = true;
    modalEnded();
}

void LensFlow::lensIdentityResult(ExchangeResult result) {
    if (result == ExchangeResult::failure) {
        connectView_ = false;
        phase_ = Phase::leaving;
        request(ApplicationState::releasingLens);
    } else if (result == ExchangeResult::overcurrent) {
        refuseOverCurrentLens();
    }
}

// Reports the over-current and refuses the lens until it has been taken off.
void LensFlow::refuseOverCurrentLens() {
    request(ApplicationState::holdingLens);
    connectView_ = false;
    phase_ = Phase::leaving;
    context_.connectionThread().setAwaitLensRemoval(true);
    ask(DialogId::overCurrentError, [this](DialogResponse) { request(ApplicationState::releasingLens); });
}

// ---- writes ----

// Nothing is written without a backup of what the lens holds; a lens whose settings could not be
// read has nothing to back up.
bool LensFlow::backUp(BackupReason reason) {
    lastBackup_.reset();
    const auto held = context_.lensSettings().get();
    if (!held) {
        logMain(QStringLiteral("No backup: the lens's settings are not known"));
        return true;
    }
    lastBackup_ = library_.backUp(*held, context_.lensInfo().get(), reason, &lastBackupError_);
    return lastBackup_.has_value();
}

bool LensFlow::backUpLensSettings(BackupReason reason, const std::function<void()>& afterAlert) {
    if (backUp(reason))
        return true;
    Logger::error(QStringLiteral("File"), QStringLiteral("Backup failed: ") + lastBackupError_);
    ask(
        DialogId::backupError, [afterAlert](DialogResponse) { afterAlert(); }, lastBackupError_);
    return false;
}

void LensFlow::startWrite(bool restoring) {
    const auto notWritten = [this] {
        writeOutcome_ = WriteOutcome::notBackedUp;
        followUpByDeviceLoss();
        emit writeFinished(false);
    };
    if (!backUpLensSettings(restoring ? BackupReason::factory : writeReason_, notWritten))
        return;
    restoring_ = restoring;
    writeOutcome_ = WriteOutcome::none;
    readBack_.reset();
    verifiedByRead_ = false;
    if (restoring) {
        settingsBeforeRestore_ = context_.currentAdjustData().get();
        context_.currentAdjustData().set(context_.defaultAdjustData().get());
        emit settingsReplaced();
    }
    phase_ = Phase::writing;
    request(ApplicationState::writingSettings);
    ++openModals_;
    emit progressShown(restoring ? DialogViewId::setDefaultData : DialogViewId::setAdjustData);
}

// A write whose answers were lost may still have reached the lens: it is read back, and only what
// the lens then holds decides.
void LensFlow::settingsWritten(ExchangeResult result, const std::optional<CommDataFormat>& response) {
    phase_ = Phase::command; // one result per write, whatever else arrives before its alert
    const LensInfo lens = context_.lensInfo().get();
    // A poll may have met the over-current just before the write: that, not the write, is the news.
    if (result == ExchangeResult::overcurrent || context_.connectionThread().lensOverCurrent()) {
        writeOutcome_ = WriteOutcome::overcurrent;
        closeProgressThen([this] {
            putBackSettingsIfRestoreFailed(false);
            restoring_ = false;
            refuseOverCurrentLens();
        });
        return;
    }
    std::optional<LensAdjustData> readBack;
    if (result == ExchangeResult::success && response)
        readBack = makeLensAdjustData(*response, lens);
    if (loss() != DeviceLoss::none) {
        writeOutcome_ = WriteOutcome::deviceLost;
    } else if (!readBack && !response) {
        if (!context_.currentAdjustData().get().checkAdjustData(lens, true)) {
            writeOutcome_ = WriteOutcome::outOfRange;
        } else {
            phase_ = Phase::verifying;
            verifiedByRead_ = true;
            request(ApplicationState::readingSettings);
            return;
        }
    }
    finishWrite(readBack);
}

void LensFlow::settingsVerified(ExchangeResult result, const std::optional<CommDataFormat>& response) {
    phase_ = Phase::command;
    request(ApplicationState::holdingLens); // read once
    std::optional<LensAdjustData> readBack;
    if (result == ExchangeResult::success && response)
        readBack = makeLensAdjustData(*response, context_.lensInfo().get());
    if (loss() != DeviceLoss::none)
        writeOutcome_ = WriteOutcome::deviceLost;
    finishWrite(readBack);
}

void LensFlow::finishWrite(const std::optional<LensAdjustData>& readBack) {
    const bool written =
        readBack && context_.currentAdjustData().get().isSameSettings(*readBack, context_.lensInfo().get());
    readBack_ = readBack;
    if (readBack) {
        context_.lensSettings().set(readBack);
        emit heldSettingsChanged();
    } else if (writeOutcome_ != WriteOutcome::outOfRange)
        context_.lensSettings().set(std::nullopt); // it may hold either
    if (written)
        writeOutcome_ = WriteOutcome::written;
    else if (writeOutcome_ == WriteOutcome::none && !readBack)
        writeOutcome_ = WriteOutcome::unconfirmed;
    else if (writeOutcome_ == WriteOutcome::none)
        writeOutcome_ = verifiedByRead_ ? WriteOutcome::notAccepted : WriteOutcome::differs;
    closeProgressThen([this, written] {
        putBackSettingsIfRestoreFailed(written);
        showWriteResult(written);
    });
}

// The lens did not take the factory values: show the settings as they were.
void LensFlow::putBackSettingsIfRestoreFailed(bool written) {
    std::optional<LensAdjustData> before;
    before.swap(settingsBeforeRestore_);
    if (restoring_ && !written && before) {
        context_.currentAdjustData().set(*before);
        emit settingsReplaced();
    }
}

void LensFlow::showWriteResult(bool written) {
    const DialogId kind = restoring_
                              ? (written ? DialogId::setDefaultDataComplete : DialogId::setDefaultError)
                              : (written ? DialogId::setAdjustDataComplete : DialogId::setAdjustError);
    ask(kind, [this, written](DialogResponse) {
        restoring_ = false;
        if (loss() == DeviceLoss::adapter) {
            connectView_ = false;
            phase_ = Phase::leaving;
            request(ApplicationState::searchingAdapter);
        } else {
            phase_ = Phase::idle;
            request(ApplicationState::lensConnected);
        }
        emit writeFinished(written);
    });
}

void LensFlow::closeProgressThen(std::function<void()> next) {
    QTimer::singleShot(options_.progressLinger, this, [this, next = std::move(next)] {
        --openModals_;
        emit progressClosed();
        next();
        modalEnded();
    });
}

// ---- firmware update ----

void LensFlow::checkForUpdate() {
    if (!startCommand())
        return;
    phase_ = Phase::checking;
    const LensInfo lens = context_.lensInfo().get();
    context_.networkInterface().downloadLensModelsInfo(
        lens.modelCode, ResourcePaths::mountSuffix(context_.adapterBasicInfo().get().mountInfo));
    ++openModals_;
    emit progressShown(DialogViewId::checkUpdate);
}

void LensFlow::downloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                                 const std::optional<NetworkError>& error) {
    if (type != NetworkFileType::lensModelsInfo || phase_ != Phase::checking)
        return;
    phase_ = Phase::command;
    if (!data || error) {
        catalogueCheckFailed();
        return;
    }
    // Kept as text: the bytes as read, with invalid UTF-8 replaced.
    LensCatalogueCopy(options_.store).store(QString::fromUtf8(*data).toUtf8());
    catalogueReceived(*data);
}

void LensFlow::catalogueCheckFailed() {
    closeProgressThen([this] {
        ask(DialogId::getModelInfoError, [this](DialogResponse) {
            followUpByDeviceLoss();
            emit updateCheckFinished();
        });
    });
}

void LensFlow::catalogueReceived(const QByteArray& data) {
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
    closeProgressThen([this] {
        if (isLensUpdateOffered()) {
            offerUpdate(updateCaution());
            return;
        }
        ask(DialogId::updateLensLatest, [this](DialogResponse) {
            followUpByDeviceLoss();
            emit updateCheckFinished();
        });
    });
}

// "current -> offered", shown with the update's questions.
QString LensFlow::updateVersionsText() const {
    return QStringLiteral("%1 \u2192 %2")
        .arg(context_.lensInfo().get().firmwareVersion, context_.lensModelInfo().get().latestVersion);
}

// The update leaves the lens with its factory settings: values not yet written are lost with it.
DialogId LensFlow::updateCaution() const {
    const auto held = context_.lensSettings().get();
    const bool unapplied =
        held && !context_.currentAdjustData().get().isSameSettings(*held, context_.lensInfo().get());
    return unapplied ? DialogId::updateLensCautionWithEdits : DialogId::updateLensCaution;
}

// The offer (when the screen first appears), then the caution; yes to both starts the update.
void LensFlow::offerUpdate(DialogId kind) {
    ask(
        kind,
        [this, kind](DialogResponse answer) {
            if (answer == DialogResponse::no) {
                followUpByDeviceLoss();
                emit updateCheckFinished();
            } else if (reportDeviceLoss()) {
                emit updateCheckFinished();
            } else if (kind == DialogId::updateLensConfirm) {
                offerUpdate(updateCaution());
            } else if (backUpLensSettings(BackupReason::firmwareUpdate, [this] {
                           followUpByDeviceLoss();
                           emit updateCheckFinished();
                       })) {
                preUpdateBackup_ = lastBackup_;
                phase_ = Phase::updating;
                request(ApplicationState::firmwareUpdate);
                emit lensUpdateRequested(LensUpdateRequest::offeredIn(context_));
            }
        },
        updateVersionsText());
}

void LensFlow::updateFinished(FwErrorCode code) {
    emit firmwareVersionChanged();
    const DialogId kind = alertForUpdateResult(code, FwUpdateTarget::lens);
    const std::optional<QString> backup = std::exchange(preUpdateBackup_, std::nullopt);
    if (code == FwErrorCode::resultOk) {
        // The update leaves the lens with its factory settings, written by the update itself.
        context_.lensSettings().set(context_.currentAdjustData().get());
        emit settingsReplaced();
    }
    if (kind == DialogId::updateError)
        logMain(QStringLiteral("Update Error Code : %1").arg(rawValue(code)));
    if (code == FwErrorCode::errorUsbSerialRemoved || code == FwErrorCode::errorRemovedAfterSend)
        context_.connectionThread().setDeviceLoss(DeviceLoss::adapter);
    phase_ = Phase::command;
    request(ApplicationState::holdingLens);
    ask(kind, [this, backup, ok = code == FwErrorCode::resultOk](DialogResponse) {
        if (ok && backup && loss() == DeviceLoss::none)
            offerSettingsBack(*backup);
        else
            followUpByDeviceLoss();
    });
}

bool LensFlow::backUpForUpdate() {
    const bool made = backUp(BackupReason::firmwareUpdate);
    preUpdateBackup_ = lastBackup_;
    return made;
}

// Yes writes the backup made before the update, with its read-back, like Apply. Nothing is asked
// when the lens held its factory settings before the update as well.
void LensFlow::offerSettingsBack(const QString& backup) {
    LensAdjustData before;
    const auto held = context_.lensSettings().get();
    if (AdjustDataFile::loadFile(backup, before).result == AdjustFileLoadResult::success && held &&
        held->isSameSettings(before, context_.lensInfo().get())) {
        followUpByDeviceLoss();
        return;
    }
    ask(
        DialogId::restoreSettingsConfirm,
        [this, backup](DialogResponse answer) {
            if (answer == DialogResponse::no || reportDeviceLoss()) {
                if (answer == DialogResponse::no)
                    followUpByDeviceLoss();
                return;
            }
            LensAdjustData edited = context_.currentAdjustData().get();
            const auto opened = AdjustDataFile::openIntoEditor(backup, context_.lensInfo().get(),
                                                               context_.defaultAdjustData().get(), edited);
            if (opened.result != AdjustFileOpenResult::success) {
                ask(
                    DialogId::loadAdjustErrorFormat, [this](DialogResponse) { followUpByDeviceLoss(); },
                    backup);
                return;
            }
            context_.currentAdjustData().set(edited);
            emit settingsReplaced();
            writeReason_ = BackupReason::restore;
            startWrite(false);
        },
        backupName(backup));
}

// The backup as the profiles window lists it: by its time.
QString LensFlow::backupName(const QString& backup) const {
    const auto entry = library_.backup(context_.lensInfo().get(), backup);
    return entry ? SettingsLibrary::timeText(entry->time) : QFileInfo(backup).fileName();
}

} // namespace lensdock
