<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name></name>
    <message id="aboutTitle">
        <source>About Lens Dock Utility</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="appName">
        <source>Lens Dock Utility</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutCopyright">
        <source>Copyright the Lens Dock Utility developers</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutBtnLicense">
        <source>Licence Agreement</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutVersion">
        <source>Version </source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHost">
        <source>Download host: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHostCommandLine">
        <source>set with --download-url</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHostSettings">
        <source>set in the settings file %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHostEnvironment">
        <source>set by the environment variable %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHostDemo">
        <source>the demo's own stand-in on this computer</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDockFirmware">
        <source>Dock firmware %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutLensFirmware">
        <source>Lens firmware %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="aboutDownloadHostBuiltIn">
        <source>built-in default</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="licenseFileName">
        <source>license</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBtnCancel">
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBtnDiscard">
        <source>Discard</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBtnOK">
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBtnNo">
        <source>No</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBtnYes">
        <source>Yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogCustomizeCautionTitle">
        <source>Apply the settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogCustomizeCautionMessage">
        <source>The settings will be written to the lens. Do not remove the lens or the dock until writing has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogInitializeCautionTitle">
        <source>Restore factory settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogInitializeCautionMessage">
        <source>All settings of the lens will return to their factory values. Do not remove the lens or the dock until this has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataCompleteTitle">
        <source>Settings applied</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataCompleteMessage">
        <source>The settings have been written to the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataCompleteTitle">
        <source>Factory settings restored</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataCompleteMessage">
        <source>The lens is back to its factory settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateAdapterConfirmTitle">
        <source>Dock update available</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateAdapterConfirmMessage">
        <source>A newer firmware for the dock is available. Update the dock now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateAdapterCautionTitle">
        <source>Update the dock</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateAdapterCautionMessage">
        <source>Do not unplug the dock and do not quit the program until the update has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensConfirmTitle">
        <source>Lens update available</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensConfirmMessage">
        <source>A newer firmware for the lens is available. Update the lens now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensCautionTitle">
        <source>Update the lens</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensCautionMessage">
        <source>The update returns the lens to its factory settings; its current settings are backed up first and offered back afterwards. Do not remove the lens, do not unplug the dock and do not quit the program until the update has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensCautionEditsReason">
        <source>Some values you changed are not yet written to the lens: they are lost unless you cancel and apply them first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenOverEditsConfirmMessage">
        <source>Some values you changed are not yet written to the lens. Opening a file replaces them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenFileSameAsLensTitle">
        <source>Nothing to apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenFileSameAsLensMessage">
        <source>The file holds the settings the lens already has:</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensLatestTitle">
        <source>Lens firmware is current</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensLatestMessage">
        <source>The lens already has the latest firmware.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateCompleteTitle">
        <source>Update complete</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateCompleteMessage">
        <source>The firmware has been updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUserInformationTitle">
        <source>User information</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUserInformationMessage">
        <source>Settings changed with this program stay in the lens until they are changed again or the factory settings are restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterConnectErrorTitle">
        <source>Dock not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterConnectErrorMessage">
        <source>The lens dock could not be reached. Plug the dock into the computer and start the program again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLensDisconnectedErrorTitle">
        <source>Lens removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLensDisconnectedErrorMessage">
        <source>The connection to the lens was lost.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogNetworkConnectErrorTitle">
        <source>Network error</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogNetworkConnectErrorMessage">
        <source>The firmware information could not be fetched. Check the internet connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOverCurrentErrorTitle">
        <source>Over-current</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOverCurrentErrorMessage">
        <source>Too much current is flowing to the lens. Remove the lens from the dock.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLensConnectErrorTitle">
        <source>Lens connection error</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLensConnectErrorMessage">
        <source>The lens could not be connected. Remove the lens and mount it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogGetModelInfoErrorTitle">
        <source>Lens information unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogGetModelInfoErrorMessage">
        <source>The information for this lens could not be fetched. Check the internet connection, then remove the lens and mount it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogGetAdjustDataErrorTitle">
        <source>Reading the settings failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogGetAdjustDataErrorMessage">
        <source>The settings could not be read from the lens. The factory settings are shown instead.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataErrorTitle">
        <source>Writing the settings failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataErrorMessage">
        <source>The settings could not be written to the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataErrorTitle">
        <source>Restoring the factory settings failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataErrorMessage">
        <source>The factory settings could not be written to the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSaveAdjustDataErrorTitle">
        <source>Saving failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSaveAdjustDataErrorMessage">
        <source>The settings file could not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorTitle">
        <source>Opening failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorMessage">
        <source>The settings file could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonFormat">
        <source>The file is not a settings file of this program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonModel">
        <source>The file belongs to another lens model.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonValue">
        <source>The file contains values outside the lens&apos;s range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorTitle">
        <source>Update failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorMessage">
        <source>The firmware could not be updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorReasonNetwork">
        <source>The download server could not be reached.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorReasonDownload">
        <source>The firmware file could not be downloaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorReasonDecode">
        <source>The firmware file is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateErrorReasonSend">
        <source>The firmware could not be sent to the device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenLicenseErrorTitle">
        <source>Licence agreement unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenLicenseErrorMessage">
        <source>The licence agreement could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenManualErrorTitle">
        <source>Manual unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogOpenManualErrorMessage">
        <source>The manual could not be opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterInUseErrorTitle">
        <source>Dock in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterInUseErrorMessage">
        <source>Another program is using the lens dock. Close that program and start this one again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBackupErrorTitle">
        <source>Backup failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogBackupErrorMessage">
        <source>The lens&apos;s current settings could not be saved as a backup, so nothing was changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogRestoreSettingsConfirmTitle">
        <source>Put back your settings?</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogRestoreSettingsConfirmMessage">
        <source>The update has left the lens with its factory settings. Write back the settings it had before the update? They were saved as this backup:</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogProfileSaveErrorTitle">
        <source>Profile not saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogProfileSaveErrorMessage">
        <source>The settings could not be saved as a profile.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateAdapterNotBackMessage">
        <source>The firmware was sent to the dock completely, but the dock did not come back with the new version. Plug the lens dock in again; if the dock still reports its old firmware version, update it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogUpdateLensNotBackMessage">
        <source>The firmware was sent to the lens completely, but the lens did not come back with the new version. Plug the lens dock in again and mount the lens; if the lens still reports its old firmware version, update it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonMissing">
        <source>The file does not exist. It may have been moved, renamed or deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonDenied">
        <source>You do not have permission to read this file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonNoFolder">
        <source>The folder to save in does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonDenied">
        <source>You do not have permission to write in this folder or to replace this file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonWrite">
        <source>The file could not be written. The disk may be full or no longer connected, or a folder of the same name may be in the way.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterNoAccessErrorTitle">
        <source>No access to the lens dock</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogAdapterNoAccessErrorMessage">
        <source>The lens dock is connected, but your user account is not allowed to open it. Allow access as described in the section “Linux: device access” of the README, then start the program again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogDiscardChangesConfirmTitle">
        <source>Discard changes?</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogDiscardChangesConfirmMessage">
        <source>Some values you changed are not yet written to the lens. They are lost if you quit now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogRestoreEditsConfirmTitle">
        <source>Show your changes again?</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogRestoreEditsConfirmMessage">
        <source>This lens was removed while some values you changed were not yet written to it. Show those values again? They are written only when you press Apply.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogRestoreEditsDockConfirmMessage">
        <source>The lens dock was unplugged while some values you changed were not yet written to the lens. Show those values again? They are written only when you press Apply.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuFileItem">
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuOpen">
        <source>&amp;Open…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuSaveAs">
        <source>Save &amp;As…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuSaveProfile">
        <source>Save as &amp;Profile…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuLibrary">
        <source>Profiles and &amp;Backups…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuFactory">
        <source>&amp;Restore Factory Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuApply">
        <source>Apply to &amp;Lens</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuAppItemQuit">
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuViewItem">
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuFocusAdjustment">
        <source>Focus &amp;Adjustment</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuFocusLimit">
        <source>Focus &amp;Limiter</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuCustom">
        <source>&amp;Miscellaneous</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuNextTab">
        <source>&amp;Next Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuPreviousTab">
        <source>&amp;Previous Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuHelpItem">
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuHelpItemAbout">
        <source>&amp;About Lens Dock Utility</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuHelpItemDownloadSite">
        <source>&amp;Download Page</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuHelpItemManual">
        <source>&amp;Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="menuHelpItemUserInformation">
        <source>&amp;User Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="downloadUrl">
        <source>https://download.lensdock.example/</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="manualUrl">
        <source>https://download.lensdock.example/manual/</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="notConnectLens">
        <source>Lens</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="notConnectPC">
        <source>Computer</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="notConnectMessage">
        <source>Connect the lens dock and mount a lens</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="notConnect1">
        <source>1. Plug the lens dock into a USB port of this computer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="notConnect2">
        <source>2. Mount a lens on the dock. It is recognised automatically.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="connectStepDone">
        <source>Done</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="connectStepWaiting">
        <source>Waiting</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="infoModel">
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="infoFirmware">
        <source>Lens firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="lensScreenPending">
        <source>The lens settings will be shown here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogProcessingTitle">
        <source>Processing</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogProcessingMessage">
        <source>Processing, please wait.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataTitle">
        <source>Applying the settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetAdjustDataMessage">
        <source>Writing the settings to the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataTitle">
        <source>Restoring factory settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogSetDefaultDataMessage">
        <source>Restoring the factory settings
of the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogCheckUpdateTitle">
        <source>Checking for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="dialogCheckUpdateMessage">
        <source>Looking for newer firmware.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateStateConnecting">
        <source>Connecting to the download server…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateStateDownloading">
        <source>Downloading the firmware…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateStateDecoding">
        <source>Unpacking the firmware…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateStateSending">
        <source>Writing the firmware to the device…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateTitle">
        <source>Firmware Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="updateSleepReason">
        <source>A firmware update is being written to the device</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
