#pragma once

#include "adjust/LensAdjustData.h"
#include "adjust/SettingsReport.h"
#include "connection/ConnectionState.h"
#include "firmware/FwErrorCode.h"
#include "online/FileIO.h"
#include "online/NetworkError.h"
#include "online/NetworkFileType.h"
#include "session/Asker.h"
#include "session/SettingsLibrary.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <QObject>

namespace lensdock {

class AppContext;
class RelayedConnectionReports;
class RelayedDownloads;
class ReportRelay;

// What a lens firmware update needs, taken from the catalogue and the lens when it is agreed to.
struct LensUpdateRequest {
    QString mountSuffix;
    QString modelCode;
    QString version;
    QString decodeKey;

    // The update the lens catalogue in `context` offers for the connected lens.
    static LensUpdateRequest offeredIn(AppContext& context);
};

// How the last write ended, for faces that tell more than the alert does.
enum class WriteOutcome {
    none,
    written,     // read back and equal to what was written
    differs,     // the write's own read-back shows other settings
    notAccepted, // no usable answer to the write; read separately, the lens holds other settings
    unconfirmed, // no usable answer to the write, and the settings could not be read back
    outOfRange,  // refused before sending: a value outside the lens's ranges
    overcurrent,
    deviceLost,
    notBackedUp, // the lens's settings could not be backed up, so nothing was written
};

// The logic of the screen shown while a lens is connected: the five commands (apply, restore the
// factory settings, open, save, check for a lens update), the offer of a lens update when the screen
// first appears, and what follows the connection thread's reports. Lives on its face's thread;
// reports arrive there as queued calls and every question goes to the face's Asker. Each command
// parks the connection thread in holdingLens (polling quietly) until it is done.
class LensFlow : public QObject {
    Q_OBJECT
public:
    struct Options {
        FileIO store;
        // A progress indication stays up this long after the device or the host has answered.
        std::chrono::milliseconds progressLinger{std::chrono::seconds(2)};
        // The lines that tell a write's caution what changes on the lens, in the face's words.
        std::function<QStringList(const LensAdjustData& held, const LensAdjustData& written,
                                  const LensInfo& lens)>
            describeChanges = &SettingsReport::differenceText;
    };

    LensFlow(AppContext& context, Asker& asker, Options options, QObject* parent = nullptr);
    ~LensFlow() override;

    // Takes the reports. A newer lens firmware in a catalogue just downloaded is offered first;
    // otherwise the thread returns to polling the lens.
    void start();

    // True while idle, connected, and no question, progress or file dialog is open.
    bool acceptsCommands() const;
    // Writes the edited settings after the caution; `reason` names the backup made first.
    void apply(BackupReason reason = BackupReason::apply);
    void restoreFactorySettings();
    void checkForUpdate();
    // A file command runs between these two (the face shows its file dialogs meanwhile).
    bool beginFileCommand();
    void endFileCommand();
    // Opens `path` into the edited settings; `done(true)` when opened, `done(false)` after the
    // alert that says why not (answered).
    void openFile(const QString& path, std::function<void(bool)> done);
    void saveFile(const QString& path, std::function<void(bool)> done);
    // Saves the shown settings as the profile `name`; `done(false)` after the alert that says why not.
    void saveProfile(const QString& name, std::function<void(bool)> done);
    // Shows the settings file `path` of the library (a profile or a backup) and writes it like Apply:
    // the caution (listing what changes on the lens), then the write and its read-back.
    void applyFromLibrary(const QString& path, BackupReason reason);
    const SettingsLibrary& library() const { return library_; }
    // An alert about a library file the face handled itself (rename, delete, export); `then` once
    // it was answered.
    void reportLibraryError(DialogId kind, const QString& reason, std::function<void()> then = {}) {
        ask(
            kind,
            [then = std::move(then)](DialogResponse) {
                if (then)
                    then();
            },
            reason);
    }

    // The end of the lens update the face ran after lensUpdateRequested (or after backUpForUpdate).
    void updateFinished(FwErrorCode code);
    // For a face that starts a lens update itself: backs up what the lens holds, to be offered back
    // once the update has ended well. False, with lastBackupError(), when the backup failed.
    bool backUpForUpdate();

    // The reports, on the flow's thread (tests call them directly to play the services).
    void exchange(ApplicationState state, ExchangeResult result,
                  const std::optional<CommDataFormat>& response);
    void connectionEnded(ApplicationState state);
    void downloadCompleted(NetworkFileType type, const std::optional<QByteArray>& data,
                           const std::optional<NetworkError>& error);

    bool isLensUpdateOffered() const;
    bool isRestoring() const { return restoring_; }
    bool isConnectView() const { return connectView_; }
    WriteOutcome lastWriteOutcome() const { return writeOutcome_; }
    // The device lost while this screen was up, as the thread tells it or as the course saw it.
    DeviceLoss loss() const;
    // What the lens held after the last write, when it could be read.
    std::optional<LensAdjustData> lastReadBack() const { return readBack_; }
    // The backup made before the last write or update, and why the last one failed.
    std::optional<QString> lastBackup() const { return lastBackup_; }
    QString lastBackupError() const { return lastBackupError_; }

signals:
    // The face's controls should store what they show into `currentAdjustData` now.
    void editsCommitRequested();
    // `currentAdjustData` was replaced: the controls should show it.
    void settingsReplaced();
    void progressShown(lensdock::DialogViewId id);
    void progressClosed();
    void lensUpdateRequested(const lensdock::LensUpdateRequest& request);
    void firmwareVersionChanged();
    // What the lens holds was read again (a write's read-back): the face compares anew.
    void heldSettingsChanged();
    // A write (apply or restore) has ended and its alert was answered.
    void writeFinished(bool written);
    // The check for an update has ended without starting one (answered).
    void updateCheckFinished();
    // The lens or the adapter is gone: the connect course takes over.
    void leaveRequested();
    void endRequested(int exitCode);

private:
    enum class Phase { starting, idle, command, writing, verifying, checking, updating, leaving };

    bool startCommand();
    void request(ApplicationState state);
    void ask(DialogId kind, Asker::Answer answer, const QString& extraText = QString());
    void modalEnded();
    void restoreAnswered(DialogResponse answer);
    void applyAnswered(DialogResponse answer);
    // What writing `written` changes on the lens, one line each (nothing when the lens's are unknown).
    QString changesText(const LensAdjustData& written) const;
    bool reportDeviceLoss();
    void followUpByDeviceLoss();
    void lensIdentityResult(ExchangeResult result);
    void refuseOverCurrentLens();
    void startWrite(bool restoring);
    void settingsWritten(ExchangeResult result, const std::optional<CommDataFormat>& response);
    void settingsVerified(ExchangeResult result, const std::optional<CommDataFormat>& response);
    void finishWrite(const std::optional<LensAdjustData>& readBack);
    void putBackSettingsIfRestoreFailed(bool written);
    void showWriteResult(bool written);
    void closeProgressThen(std::function<void()> next);
    void catalogueReceived(const QByteArray& data);
    void catalogueCheckFailed();
    void offerUpdate(DialogId kind);
    DialogId updateCaution() const;
    QString updateVersionsText() const;
    // Backs up what the lens holds (nothing when that is unknown); false when the backup failed.
    bool backUp(BackupReason reason);
    // As backUp, with the alert and then `afterAlert` when it failed.
    bool backUpLensSettings(BackupReason reason, const std::function<void()>& afterAlert);
    void offerSettingsBack(const QString& backup);
    QString backupName(const QString& backup) const;

    AppContext& context_;
    Asker& asker_;
    const Options options_;
    const std::shared_ptr<ReportRelay> relay_;
    std::unique_ptr<RelayedConnectionReports> reports_;
    std::shared_ptr<RelayedDownloads> downloads_;

    Phase phase_ = Phase::starting;
    bool connectView_ = true;
    DeviceLoss lost_ = DeviceLoss::none;
    bool restoring_ = false;
    WriteOutcome writeOutcome_ = WriteOutcome::none;
    // What the settings were before a factory restore, put back when the restore fails.
    std::optional<LensAdjustData> settingsBeforeRestore_;
    std::optional<LensAdjustData> readBack_;
    bool verifiedByRead_ = false;
    SettingsLibrary library_;
    BackupReason writeReason_ = BackupReason::apply;
    std::optional<QString> lastBackup_;
    QString lastBackupError_;
    // The backup made before a lens update, offered back once the update has ended well.
    std::optional<QString> preUpdateBackup_;
    // Questions, progress and file dialogs open now; the course is left only once none is.
    int openModals_ = 0;
    bool leavePending_ = false;
};

} // namespace lensdock
