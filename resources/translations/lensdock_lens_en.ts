<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name />
    <message id="infoMount">
        <source>Mount</source>
        <translation>Mount</translation>
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
</context>
</TS>
