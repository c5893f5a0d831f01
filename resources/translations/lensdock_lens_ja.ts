<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name />
    <message id="infoMount">
        <source>Mount</source>
        <translation>マウント</translation>
    </message>
    <message id="infoVersion">
        <source>Version </source>
        <translation>バージョン </translation>
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
        <translation>アップデートを確認</translation>
    </message>
    <message id="tabFocusAdjustment">
        <source>Focus Adjustment</source>
        <translation>ピント調整</translation>
    </message>
    <message id="tabLimiter">
        <source>Focus Limiter</source>
        <translation>フォーカスリミッター</translation>
    </message>
    <message id="tabMiscellaneous">
        <source>Miscellaneous</source>
        <translation>その他</translation>
    </message>
    <message id="btnCustomLoad">
        <source>Open…</source>
        <translation>開く…</translation>
    </message>
    <message id="btnCustomSave">
        <source>Save As…</source>
        <translation>名前を付けて保存…</translation>
    </message>
    <message id="btnFactoryDefault">
        <source>Restore Factory Settings</source>
        <translation>工場出荷時の設定に戻す</translation>
    </message>
    <message id="btnCustomSet">
        <source>Apply</source>
        <translation>適用</translation>
    </message>
    <message id="adjustFileFilterName">
        <source>Lens settings</source>
        <translation>レンズ設定</translation>
    </message>
    <message id="adjustFileOpenTitle">
        <source>Open Lens Settings</source>
        <translation>レンズ設定を開く</translation>
    </message>
    <message id="adjustFileSaveTitle">
        <source>Save Lens Settings</source>
        <translation>レンズ設定を保存</translation>
    </message>
</context>
</TS>
