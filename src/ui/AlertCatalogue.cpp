#include "ui/AlertCatalogue.h"

#include <array>
#include <QtGlobal>

namespace lensdock {

namespace {

// The English texts of the alerts, for the translation tools; the table below names the ids.
[[maybe_unused]] const char* const alertTextIds[] = {
    //% "Cancel"
    QT_TRID_NOOP("dialogBtnCancel"),
    //% "OK"
    QT_TRID_NOOP("dialogBtnOK"),
    //% "No"
    QT_TRID_NOOP("dialogBtnNo"),
    //% "Yes"
    QT_TRID_NOOP("dialogBtnYes"),
    //% "Apply the settings"
    QT_TRID_NOOP("dialogCustomizeCautionTitle"),
    //% "The settings will be written to the lens. Do not remove the lens or the dock until writing "
    //% "has finished."
    QT_TRID_NOOP("dialogCustomizeCautionMessage"),
    //% "Restore factory settings"
    QT_TRID_NOOP("dialogInitializeCautionTitle"),
    //% "All settings of the lens will return to their factory values. Do not remove the lens or the "
    //% "dock until this has finished."
    QT_TRID_NOOP("dialogInitializeCautionMessage"),
    //% "Settings applied"
    QT_TRID_NOOP("dialogSetAdjustDataCompleteTitle"),
    //% "The settings have been written to the lens."
    QT_TRID_NOOP("dialogSetAdjustDataCompleteMessage"),
    //% "Factory settings restored"
    QT_TRID_NOOP("dialogSetDefaultDataCompleteTitle"),
    //% "The lens is back to its factory settings."
    QT_TRID_NOOP("dialogSetDefaultDataCompleteMessage"),
    //% "Dock update available"
    QT_TRID_NOOP("dialogUpdateAdapterConfirmTitle"),
    //% "A newer firmware for the dock is available. Update the dock now?"
    QT_TRID_NOOP("dialogUpdateAdapterConfirmMessage"),
    //% "Update the dock"
    QT_TRID_NOOP("dialogUpdateAdapterCautionTitle"),
    //% "Do not unplug the dock and do not quit the program until the update has finished."
    QT_TRID_NOOP("dialogUpdateAdapterCautionMessage"),
    //% "Lens update available"
    QT_TRID_NOOP("dialogUpdateLensConfirmTitle"),
    //% "A newer firmware for the lens is available. Update the lens now?"
    QT_TRID_NOOP("dialogUpdateLensConfirmMessage"),
    //% "Update the lens"
    QT_TRID_NOOP("dialogUpdateLensCautionTitle"),
    //% "The update returns the lens to its factory settings; its current settings are backed up first "
    //% "and offered back afterwards. Do not remove the lens, do not unplug the dock and do not quit "
    //% "the program until the update has finished."
    QT_TRID_NOOP("dialogUpdateLensCautionMessage"),
    //% "Some values you changed are not yet written to the lens: they are lost unless you cancel and "
    //% "apply them first."
    QT_TRID_NOOP("dialogUpdateLensCautionEditsReason"),
    //% "Some values you changed are not yet written to the lens. Opening a file replaces them."
    QT_TRID_NOOP("dialogOpenOverEditsConfirmMessage"),
    //% "Nothing to apply"
    QT_TRID_NOOP("dialogOpenFileSameAsLensTitle"),
    //% "The file holds the settings the lens already has:"
    QT_TRID_NOOP("dialogOpenFileSameAsLensMessage"),
    //% "Lens firmware is current"
    QT_TRID_NOOP("dialogUpdateLensLatestTitle"),
    //% "The lens already has the latest firmware."
    QT_TRID_NOOP("dialogUpdateLensLatestMessage"),
    //% "Update complete"
    QT_TRID_NOOP("dialogUpdateCompleteTitle"),
    //% "The firmware has been updated."
    QT_TRID_NOOP("dialogUpdateCompleteMessage"),
    //% "User information"
    QT_TRID_NOOP("dialogUserInformationTitle"),
    //% "Settings changed with this program stay in the lens until they are changed again or the factory "
    //% "settings are restored."
    QT_TRID_NOOP("dialogUserInformationMessage"),
    //% "Dock not found"
    QT_TRID_NOOP("dialogAdapterConnectErrorTitle"),
    //% "The lens dock could not be reached. Plug the dock into the computer and start the program again."
    QT_TRID_NOOP("dialogAdapterConnectErrorMessage"),
    //% "Lens removed"
    QT_TRID_NOOP("dialogLensDisconnectedErrorTitle"),
    //% "The connection to the lens was lost."
    QT_TRID_NOOP("dialogLensDisconnectedErrorMessage"),
    //% "Network error"
    QT_TRID_NOOP("dialogNetworkConnectErrorTitle"),
    //% "The firmware information could not be fetched. Check the internet connection."
    QT_TRID_NOOP("dialogNetworkConnectErrorMessage"),
    //% "Over-current"
    QT_TRID_NOOP("dialogOverCurrentErrorTitle"),
    //% "Too much current is flowing to the lens. Remove the lens from the dock."
    QT_TRID_NOOP("dialogOverCurrentErrorMessage"),
    //% "Lens connection error"
    QT_TRID_NOOP("dialogLensConnectErrorTitle"),
    //% "The lens could not be connected. Remove the lens and mount it again."
    QT_TRID_NOOP("dialogLensConnectErrorMessage"),
    //% "Lens information unavailable"
    QT_TRID_NOOP("dialogGetModelInfoErrorTitle"),
    //% "The information for this lens could not be fetched. Check the internet connection, then remove "
    //% "the lens and mount it again."
    QT_TRID_NOOP("dialogGetModelInfoErrorMessage"),
    //% "Reading the settings failed"
    QT_TRID_NOOP("dialogGetAdjustDataErrorTitle"),
    //% "The settings could not be read from the lens. The factory settings are shown instead."
    QT_TRID_NOOP("dialogGetAdjustDataErrorMessage"),
    //% "Writing the settings failed"
    QT_TRID_NOOP("dialogSetAdjustDataErrorTitle"),
    //% "The settings could not be written to the lens."
    QT_TRID_NOOP("dialogSetAdjustDataErrorMessage"),
    //% "Restoring the factory settings failed"
    QT_TRID_NOOP("dialogSetDefaultDataErrorTitle"),
    //% "The factory settings could not be written to the lens."
    QT_TRID_NOOP("dialogSetDefaultDataErrorMessage"),
    //% "Saving failed"
    QT_TRID_NOOP("dialogSaveAdjustDataErrorTitle"),
    //% "The settings file could not be saved."
    QT_TRID_NOOP("dialogSaveAdjustDataErrorMessage"),
    //% "Opening failed"
    QT_TRID_NOOP("dialogLoadAdjustDataErrorTitle"),
    //% "The settings file could not be opened."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorMessage"),
    //% "The file is not a settings file of this program."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorReasonFormat"),
    //% "The file belongs to another lens model."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorReasonModel"),
    //% "The file contains values outside the lens's range."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorReasonValue"),
    //% "Update failed"
    QT_TRID_NOOP("dialogUpdateErrorTitle"),
    //% "The firmware could not be updated."
    QT_TRID_NOOP("dialogUpdateErrorMessage"),
    //% "The download server could not be reached."
    QT_TRID_NOOP("dialogUpdateErrorReasonNetwork"),
    //% "The firmware file could not be downloaded."
    QT_TRID_NOOP("dialogUpdateErrorReasonDownload"),
    //% "The firmware file is damaged."
    QT_TRID_NOOP("dialogUpdateErrorReasonDecode"),
    //% "The firmware could not be sent to the device."
    QT_TRID_NOOP("dialogUpdateErrorReasonSend"),
    //% "Licence agreement unavailable"
    QT_TRID_NOOP("dialogOpenLicenseErrorTitle"),
    //% "The licence agreement could not be opened."
    QT_TRID_NOOP("dialogOpenLicenseErrorMessage"),
    //% "Manual unavailable"
    QT_TRID_NOOP("dialogOpenManualErrorTitle"),
    //% "The manual could not be opened."
    QT_TRID_NOOP("dialogOpenManualErrorMessage"),
    //% "Dock in use"
    QT_TRID_NOOP("dialogAdapterInUseErrorTitle"),
    //% "Another program is using the lens dock. Close that program and start this one again."
    QT_TRID_NOOP("dialogAdapterInUseErrorMessage"),
    //% "Backup failed"
    QT_TRID_NOOP("dialogBackupErrorTitle"),
    //% "The lens's current settings could not be saved as a backup, so nothing was changed."
    QT_TRID_NOOP("dialogBackupErrorMessage"),
    //% "Put back your settings?"
    QT_TRID_NOOP("dialogRestoreSettingsConfirmTitle"),
    //% "The update has left the lens with its factory settings. Write back the settings it had before the
    //% update? They were saved as this backup:"
    QT_TRID_NOOP("dialogRestoreSettingsConfirmMessage"),
    //% "Profile not saved"
    QT_TRID_NOOP("dialogProfileSaveErrorTitle"),
    //% "The settings could not be saved as a profile."
    QT_TRID_NOOP("dialogProfileSaveErrorMessage"),
    //% "The firmware was sent to the dock completely, but the dock did not come back with the new "
    //% "version. Plug the lens dock in again; if the dock still reports its old firmware version, "
    //% "update it again."
    QT_TRID_NOOP("dialogUpdateAdapterNotBackMessage"),
    //% "The firmware was sent to the lens completely, but the lens did not come back with the new "
    //% "version. Plug the lens dock in again and mount the lens; if the lens still reports its old "
    //% "firmware version, update it again."
    QT_TRID_NOOP("dialogUpdateLensNotBackMessage"),
    //% "The file does not exist. It may have been moved, renamed or deleted."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorReasonMissing"),
    //% "You do not have permission to read this file."
    QT_TRID_NOOP("dialogLoadAdjustDataErrorReasonDenied"),
    //% "The folder to save in does not exist."
    QT_TRID_NOOP("dialogSaveAdjustDataErrorReasonNoFolder"),
    //% "You do not have permission to write in this folder or to replace this file."
    QT_TRID_NOOP("dialogSaveAdjustDataErrorReasonDenied"),
    //% "The file could not be written. The disk may be full or no longer connected, or a folder of the "
    //% "same name may be in the way."
    QT_TRID_NOOP("dialogSaveAdjustDataErrorReasonWrite"),
    //% "No access to the lens dock"
    QT_TRID_NOOP("dialogAdapterNoAccessErrorTitle"),
    //% "The lens dock is connected, but your user account is not allowed to open it. Allow access as "
    //% "described in the section “Linux: device access” of the README, then start the program again."
    QT_TRID_NOOP("dialogAdapterNoAccessErrorMessage"),
    //% "Discard changes?"
    QT_TRID_NOOP("dialogDiscardChangesConfirmTitle"),
    //% "Some values you changed are not yet written to the lens. They are lost if you quit now."
    QT_TRID_NOOP("dialogDiscardChangesConfirmMessage"),
    //% "Discard"
    QT_TRID_NOOP("dialogBtnDiscard"),
    //% "Show your changes again?"
    QT_TRID_NOOP("dialogRestoreEditsConfirmTitle"),
    //% "This lens was removed while some values you changed were not yet written to it. Show those "
    //% "values again? They are written only when you press Apply."
    QT_TRID_NOOP("dialogRestoreEditsConfirmMessage"),
    //% "The lens dock was unplugged while some values you changed were not yet written to the lens. "
    //% "Show those values again? They are written only when you press Apply."
    QT_TRID_NOOP("dialogRestoreEditsDockConfirmMessage"),
};

constexpr const char* cancel = "dialogBtnCancel";
constexpr const char* ok = "dialogBtnOK";
constexpr const char* no = "dialogBtnNo";
constexpr const char* yes = "dialogBtnYes";
constexpr const char* discard = "dialogBtnDiscard";

AlertRow warning(const char* title, const char* message, std::vector<const char*> buttons) {
    return AlertRow{title, message, nullptr, std::move(buttons), AlertRow::Kind::caution, false};
}

// A caution whose yes cannot be taken back: the default button declines.
AlertRow destructive(const char* title, const char* message) {
    return AlertRow{title, message, nullptr, {cancel, ok}, AlertRow::Kind::caution, true};
}

AlertRow information(const char* title, const char* message) {
    return AlertRow{title, message, nullptr, {ok}, AlertRow::Kind::information, false};
}

AlertRow critical(const char* title, const char* message, const char* reason = nullptr) {
    return AlertRow{title, message, reason, {ok}, AlertRow::Kind::error, false};
}

using Catalogue = std::array<AlertRow, dialogIdCount>;

Catalogue makeCatalogue() {
    constexpr const char* loadTitle = "dialogLoadAdjustDataErrorTitle";
    constexpr const char* loadMessage = "dialogLoadAdjustDataErrorMessage";
    constexpr const char* saveTitle = "dialogSaveAdjustDataErrorTitle";
    constexpr const char* saveMessage = "dialogSaveAdjustDataErrorMessage";
    constexpr const char* updateTitle = "dialogUpdateErrorTitle";
    constexpr const char* updateMessage = "dialogUpdateErrorMessage";
    return Catalogue{
        warning("dialogCustomizeCautionTitle", "dialogCustomizeCautionMessage", {cancel, ok}),
        destructive("dialogInitializeCautionTitle", "dialogInitializeCautionMessage"),
        information("dialogSetAdjustDataCompleteTitle", "dialogSetAdjustDataCompleteMessage"),
        information("dialogSetDefaultDataCompleteTitle", "dialogSetDefaultDataCompleteMessage"),
        warning("dialogUpdateAdapterConfirmTitle", "dialogUpdateAdapterConfirmMessage", {no, yes}),
        destructive("dialogUpdateAdapterCautionTitle", "dialogUpdateAdapterCautionMessage"),
        warning("dialogUpdateLensConfirmTitle", "dialogUpdateLensConfirmMessage", {no, yes}),
        destructive("dialogUpdateLensCautionTitle", "dialogUpdateLensCautionMessage"),
        information("dialogUpdateLensLatestTitle", "dialogUpdateLensLatestMessage"),
        information("dialogUpdateCompleteTitle", "dialogUpdateCompleteMessage"),
        information("dialogUserInformationTitle", "dialogUserInformationMessage"),
        critical("dialogAdapterConnectErrorTitle", "dialogAdapterConnectErrorMessage"),
        critical("dialogLensDisconnectedErrorTitle", "dialogLensDisconnectedErrorMessage"),
        critical("dialogNetworkConnectErrorTitle", "dialogNetworkConnectErrorMessage"),
        critical("dialogOverCurrentErrorTitle", "dialogOverCurrentErrorMessage"),
        critical("dialogLensConnectErrorTitle", "dialogLensConnectErrorMessage"),
        critical("dialogGetModelInfoErrorTitle", "dialogGetModelInfoErrorMessage"),
        critical("dialogGetAdjustDataErrorTitle", "dialogGetAdjustDataErrorMessage"),
        critical("dialogSetAdjustDataErrorTitle", "dialogSetAdjustDataErrorMessage"),
        critical("dialogSetDefaultDataErrorTitle", "dialogSetDefaultDataErrorMessage"),
        critical(saveTitle, saveMessage),
        critical(loadTitle, loadMessage),
        critical(loadTitle, loadMessage, "dialogLoadAdjustDataErrorReasonFormat"),
        critical(loadTitle, loadMessage, "dialogLoadAdjustDataErrorReasonModel"),
        critical(loadTitle, loadMessage, "dialogLoadAdjustDataErrorReasonValue"),
        critical(updateTitle, updateMessage),
        critical(updateTitle, updateMessage, "dialogUpdateErrorReasonNetwork"),
        critical(updateTitle, updateMessage, "dialogUpdateErrorReasonDownload"),
        critical(updateTitle, updateMessage, "dialogUpdateErrorReasonDecode"),
        critical(updateTitle, updateMessage, "dialogUpdateErrorReasonSend"),
        critical("dialogOpenLicenseErrorTitle", "dialogOpenLicenseErrorMessage"),
        critical("dialogOpenManualErrorTitle", "dialogOpenManualErrorMessage"),
        critical("dialogAdapterInUseErrorTitle", "dialogAdapterInUseErrorMessage"),
        critical("dialogBackupErrorTitle", "dialogBackupErrorMessage"),
        warning("dialogRestoreSettingsConfirmTitle", "dialogRestoreSettingsConfirmMessage", {no, yes}),
        critical("dialogProfileSaveErrorTitle", "dialogProfileSaveErrorMessage"),
        critical(updateTitle, "dialogUpdateAdapterNotBackMessage"),
        critical(updateTitle, "dialogUpdateLensNotBackMessage"),
        critical(loadTitle, loadMessage, "dialogLoadAdjustDataErrorReasonMissing"),
        critical(loadTitle, loadMessage, "dialogLoadAdjustDataErrorReasonDenied"),
        critical(saveTitle, saveMessage, "dialogSaveAdjustDataErrorReasonNoFolder"),
        critical(saveTitle, saveMessage, "dialogSaveAdjustDataErrorReasonDenied"),
        critical(saveTitle, saveMessage, "dialogSaveAdjustDataErrorReasonWrite"),
        critical("dialogAdapterNoAccessErrorTitle", "dialogAdapterNoAccessErrorMessage"),
        AlertRow{"dialogDiscardChangesConfirmTitle",
                 "dialogDiscardChangesConfirmMessage",
                 nullptr,
                 {cancel, discard},
                 AlertRow::Kind::caution,
                 true},
        warning("dialogRestoreEditsConfirmTitle", "dialogRestoreEditsConfirmMessage", {no, yes}),
        warning("dialogRestoreEditsConfirmTitle", "dialogRestoreEditsDockConfirmMessage", {no, yes}),
        AlertRow{"dialogUpdateLensCautionTitle",
                 "dialogUpdateLensCautionMessage",
                 "dialogUpdateLensCautionEditsReason",
                 {cancel, ok},
                 AlertRow::Kind::caution,
                 true},
        AlertRow{"dialogDiscardChangesConfirmTitle",
                 "dialogOpenOverEditsConfirmMessage",
                 nullptr,
                 {cancel, discard},
                 AlertRow::Kind::caution,
                 true},
        information("dialogOpenFileSameAsLensTitle", "dialogOpenFileSameAsLensMessage"),
    };
}

} // namespace

const AlertRow& alertRow(DialogId kind) {
    static const Catalogue catalogue = makeCatalogue();
    return catalogue.at(static_cast<std::size_t>(kind));
}

} // namespace lensdock
