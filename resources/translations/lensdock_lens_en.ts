<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name />
    <message id="infoMount">
        <source>Mount</source>
        <translation>Mount</translation>
    </message>
    <message id="infoAdapterFirmware">
        <source>Dock firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="infoFirmwareFull">
        <source>Firmware %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="infoVersion">
        <source>Version </source>
        <translation>Version </translation>
    </message>
    <message id="mountName1">
        <source>Canon</source>
        <translation>Canon</translation>
    </message>
    <message id="mountName2">
        <source>Nikon</source>
        <translation>Nikon</translation>
    </message>
    <message id="mountName3">
        <source>SONY</source>
        <translation>SONY</translation>
    </message>
    <message id="btnUpdate">
        <source>Check for Update</source>
        <translation>Check for Update</translation>
    </message>
    <message id="tabFocusAdjustment">
        <source>Focus Adjustment</source>
        <translation>Focus Adjustment</translation>
    </message>
    <message id="tabLimiter">
        <source>Focus Limiter</source>
        <translation>Focus Limiter</translation>
    </message>
    <message id="tabMiscellaneous">
        <source>Miscellaneous</source>
        <translation>Miscellaneous</translation>
    </message>
    <message id="btnCustomLoad">
        <source>Open…</source>
        <translation>Open…</translation>
    </message>
    <message id="btnCustomSave">
        <source>Save As…</source>
        <translation>Save As…</translation>
    </message>
    <message id="btnFactoryDefault">
        <source>Restore Factory Settings</source>
        <translation>Restore Factory Settings</translation>
    </message>
    <message id="btnCustomSet">
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message id="lensUnappliedTip">
        <source>Some values are not yet written to the lens.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="lensFileLoadedNote">
        <source>Loaded “%1”. The values are not written to the lens until you press Apply.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="adjustFileFilterName">
        <source>Lens settings</source>
        <translation>Lens settings</translation>
    </message>
    <message id="adjustFileOpenTitle">
        <source>Open Lens Settings</source>
        <translation>Open Lens Settings</translation>
    </message>
    <message id="adjustFileSaveTitle">
        <source>Save Lens Settings</source>
        <translation>Save Lens Settings</translation>
    </message>
    <message id="libraryReasonApply">
        <source>Before Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryReasonFactory">
        <source>Before factory restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryReasonProfile">
        <source>Before writing a profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryReasonRestore">
        <source>Before putting back a backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryReasonFirmwareUpdate">
        <source>Before a firmware update</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryTitle">
        <source>Profiles and Backups</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryColumnDate">
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryColumnKind">
        <source>Kind</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryColumnName">
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryApply">
        <source>Write to Lens…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryRename">
        <source>Rename…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryDelete">
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryExport">
        <source>Export…</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryTemporaryNote">
        <source>In the demo, profiles and backups are kept only until the demo ends.</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryNameLabel">
        <source>Name of the profile, for example the camera body these settings suit:</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryKindProfile">
        <source>Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryKindBackup">
        <source>Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="libraryRenameTitle">
        <source>Rename Profile</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="profileSaveTitle">
        <source>Save as Profile</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
