<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name />
    <message id="infoMount">
        <source>Mount</source>
        <translation>マウント</translation>
    </message>
    <message id="infoAdapterFirmware">
        <source>Dock firmware</source>
        <translation>ドックのファームウェア</translation>
    </message>
    <message id="infoFirmwareFull">
        <source>Firmware %1</source>
        <translation>ファームウェア %1</translation>
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
    <message id="lensUnappliedTip">
        <source>Some values are not yet written to the lens.</source>
        <translation>一部の値はまだレンズに書き込まれていません。</translation>
    </message>
    <message id="lensFileLoadedNote">
        <source>Loaded “%1”. The values are not written to the lens until you press Apply.</source>
        <translation>「%1」を読み込みました。「適用」を押すまで、値はレンズに書き込まれません。</translation>
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
    <message id="libraryReasonApply">
        <source>Before Apply</source>
        <translation>適用の前</translation>
    </message>
    <message id="libraryReasonFactory">
        <source>Before factory restore</source>
        <translation>工場出荷時設定に戻す前</translation>
    </message>
    <message id="libraryReasonProfile">
        <source>Before writing a profile</source>
        <translation>プロファイル適用の前</translation>
    </message>
    <message id="libraryReasonRestore">
        <source>Before putting back a backup</source>
        <translation>バックアップを戻す前</translation>
    </message>
    <message id="libraryReasonFirmwareUpdate">
        <source>Before a firmware update</source>
        <translation>ファームウェアアップデートの前</translation>
    </message>
    <message id="libraryTitle">
        <source>Profiles and Backups</source>
        <translation>プロファイルとバックアップ</translation>
    </message>
    <message id="libraryColumnDate">
        <source>Date</source>
        <translation>日時</translation>
    </message>
    <message id="libraryColumnKind">
        <source>Kind</source>
        <translation>種類</translation>
    </message>
    <message id="libraryColumnName">
        <source>Name</source>
        <translation>名前</translation>
    </message>
    <message id="libraryApply">
        <source>Write to Lens…</source>
        <translation>レンズに書き込む…</translation>
    </message>
    <message id="libraryRename">
        <source>Rename…</source>
        <translation>名前を変更…</translation>
    </message>
    <message id="libraryDelete">
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message id="libraryExport">
        <source>Export…</source>
        <translation>書き出す…</translation>
    </message>
    <message id="libraryTemporaryNote">
        <source>In the demo, profiles and backups are kept only until the demo ends.</source>
        <translation>デモでは、プロファイルとバックアップはデモが終わるまでしか保存されません。</translation>
    </message>
    <message id="libraryNameLabel">
        <source>Name of the profile, for example the camera body these settings suit:</source>
        <translation>プロファイルの名前（例えば、この設定が合うカメラボディの名前）:</translation>
    </message>
    <message id="libraryKindProfile">
        <source>Profile</source>
        <translation>プロファイル</translation>
    </message>
    <message id="libraryKindBackup">
        <source>Backup</source>
        <translation>バックアップ</translation>
    </message>
    <message id="libraryRenameTitle">
        <source>Rename Profile</source>
        <translation>プロファイル名の変更</translation>
    </message>
    <message id="profileSaveTitle">
        <source>Save as Profile</source>
        <translation>プロファイルとして保存</translation>
    </message>
</context>
</TS>
