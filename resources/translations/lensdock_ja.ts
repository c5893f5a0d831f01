<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name></name>
    <message id="aboutTitle">
        <source>About Lens Dock Utility</source>
        <translation>Lens Dock Utility について</translation>
    </message>
    <message id="appName">
        <source>Lens Dock Utility</source>
        <translation>Lens Dock Utility</translation>
    </message>
    <message id="aboutCopyright">
        <source>Copyright the Lens Dock Utility developers</source>
        <translation>Copyright Lens Dock Utility 開発者</translation>
    </message>
    <message id="aboutBtnLicense">
        <source>Licence Agreement</source>
        <translation>使用許諾契約</translation>
    </message>
    <message id="aboutVersion">
        <source>Version </source>
        <translation>バージョン </translation>
    </message>
    <message id="aboutDownloadHost">
        <source>Download host: %1 (%2)</source>
        <translation>ダウンロード元: %1（%2）</translation>
    </message>
    <message id="aboutDownloadHostCommandLine">
        <source>set with --download-url</source>
        <translation>--download-url で指定</translation>
    </message>
    <message id="aboutDownloadHostSettings">
        <source>set in the settings file %1</source>
        <translation>設定ファイル %1 で指定</translation>
    </message>
    <message id="aboutDownloadHostEnvironment">
        <source>set by the environment variable %1</source>
        <translation>環境変数 %1 で指定</translation>
    </message>
    <message id="aboutDownloadHostDemo">
        <source>the demo's own stand-in on this computer</source>
        <translation>このコンピューター上のデモ用の代役</translation>
    </message>
    <message id="aboutDockFirmware">
        <source>Dock firmware %1</source>
        <translation>ドックのファームウェア %1</translation>
    </message>
    <message id="aboutLensFirmware">
        <source>Lens firmware %1</source>
        <translation>レンズのファームウェア %1</translation>
    </message>
    <message id="aboutDownloadHostBuiltIn">
        <source>built-in default</source>
        <translation>既定値</translation>
    </message>
    <message id="licenseFileName">
        <source>license</source>
        <translation>license</translation>
    </message>
    <message id="dialogBtnCancel">
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message id="dialogBtnDiscard">
        <source>Discard</source>
        <translation>破棄</translation>
    </message>
    <message id="dialogBtnOK">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="dialogBtnNo">
        <source>No</source>
        <translation>いいえ</translation>
    </message>
    <message id="dialogBtnYes">
        <source>Yes</source>
        <translation>はい</translation>
    </message>
    <message id="dialogCustomizeCautionTitle">
        <source>Apply the settings</source>
        <translation>設定の書き込み</translation>
    </message>
    <message id="dialogCustomizeCautionMessage">
        <source>The settings will be written to the lens. Do not remove the lens or the dock until writing has finished.</source>
        <translation>設定をレンズに書き込みます。書き込みが終わるまでレンズやドックを取り外さないでください。</translation>
    </message>
    <message id="dialogInitializeCautionTitle">
        <source>Restore factory settings</source>
        <translation>工場出荷時の設定に戻す</translation>
    </message>
    <message id="dialogInitializeCautionMessage">
        <source>All settings of the lens will return to their factory values. Do not remove the lens or the dock until this has finished.</source>
        <translation>レンズのすべての設定を工場出荷時の値に戻します。終わるまでレンズやドックを取り外さないでください。</translation>
    </message>
    <message id="dialogSetAdjustDataCompleteTitle">
        <source>Settings applied</source>
        <translation>設定を書き込みました</translation>
    </message>
    <message id="dialogSetAdjustDataCompleteMessage">
        <source>The settings have been written to the lens.</source>
        <translation>設定をレンズに書き込みました。</translation>
    </message>
    <message id="dialogSetDefaultDataCompleteTitle">
        <source>Factory settings restored</source>
        <translation>工場出荷時の設定に戻しました</translation>
    </message>
    <message id="dialogSetDefaultDataCompleteMessage">
        <source>The lens is back to its factory settings.</source>
        <translation>レンズを工場出荷時の設定に戻しました。</translation>
    </message>
    <message id="dialogUpdateAdapterConfirmTitle">
        <source>Dock update available</source>
        <translation>ドックのアップデート</translation>
    </message>
    <message id="dialogUpdateAdapterConfirmMessage">
        <source>A newer firmware for the dock is available. Update the dock now?</source>
        <translation>ドックの新しいファームウェアがあります。
今すぐアップデートしますか？</translation>
    </message>
    <message id="dialogUpdateAdapterCautionTitle">
        <source>Update the dock</source>
        <translation>ドックをアップデートします</translation>
    </message>
    <message id="dialogUpdateAdapterCautionMessage">
        <source>Do not unplug the dock and do not quit the program until the update has finished.</source>
        <translation>アップデートが終わるまでドックを取り外したり、プログラムを終了したりしないでください。</translation>
    </message>
    <message id="dialogUpdateLensConfirmTitle">
        <source>Lens update available</source>
        <translation>レンズのアップデート</translation>
    </message>
    <message id="dialogUpdateLensConfirmMessage">
        <source>A newer firmware for the lens is available. Update the lens now?</source>
        <translation>レンズの新しいファームウェアがあります。
今すぐアップデートしますか？</translation>
    </message>
    <message id="dialogUpdateLensCautionTitle">
        <source>Update the lens</source>
        <translation>レンズをアップデートします</translation>
    </message>
    <message id="dialogUpdateLensCautionMessage">
        <source>The update returns the lens to its factory settings; its current settings are backed up first and offered back afterwards. Do not remove the lens, do not unplug the dock and do not quit the program until the update has finished.</source>
        <translation>アップデートするとレンズは工場出荷時の設定に戻ります。現在の設定は先にバックアップされ、アップデート後に書き戻すかどうかを確認します。アップデートが終わるまでレンズやドックを取り外したり、プログラムを終了したりしないでください。</translation>
    </message>
    <message id="dialogUpdateLensCautionEditsReason">
        <source>Some values you changed are not yet written to the lens: they are lost unless you cancel and apply them first.</source>
        <translation>変更した値の一部はまだレンズに書き込まれていません。先にキャンセルして適用しないと、その変更は失われます。</translation>
    </message>
    <message id="dialogOpenOverEditsConfirmMessage">
        <source>Some values you changed are not yet written to the lens. Opening a file replaces them.</source>
        <translation>変更した値の一部はまだレンズに書き込まれていません。ファイルを開くと、それらの値は置き換えられます。</translation>
    </message>
    <message id="dialogOpenFileSameAsLensTitle">
        <source>Nothing to apply</source>
        <translation>適用するものはありません</translation>
    </message>
    <message id="dialogOpenFileSameAsLensMessage">
        <source>The file holds the settings the lens already has:</source>
        <translation>このファイルには、レンズが既に保持している設定が入っています:</translation>
    </message>
    <message id="dialogUpdateLensLatestTitle">
        <source>Lens firmware is current</source>
        <translation>ファームウェアは最新です</translation>
    </message>
    <message id="dialogUpdateLensLatestMessage">
        <source>The lens already has the latest firmware.</source>
        <translation>レンズのファームウェアは最新です。</translation>
    </message>
    <message id="dialogUpdateCompleteTitle">
        <source>Update complete</source>
        <translation>アップデート完了</translation>
    </message>
    <message id="dialogUpdateCompleteMessage">
        <source>The firmware has been updated.</source>
        <translation>ファームウェアをアップデートしました。</translation>
    </message>
    <message id="dialogUserInformationTitle">
        <source>User information</source>
        <translation>ご利用にあたって</translation>
    </message>
    <message id="dialogUserInformationMessage">
        <source>Settings changed with this program stay in the lens until they are changed again or the factory settings are restored.</source>
        <translation>このプログラムで変更した設定は、再び変更するか工場出荷時の設定に戻すまでレンズに保持されます。</translation>
    </message>
    <message id="dialogAdapterConnectErrorTitle">
        <source>Dock not found</source>
        <translation>ドックが見つかりません</translation>
    </message>
    <message id="dialogAdapterConnectErrorMessage">
        <source>The lens dock could not be reached. Plug the dock into the computer and start the program again.</source>
        <translation>レンズドックに接続できません。ドックをコンピューターに接続してから、プログラムを起動し直してください。</translation>
    </message>
    <message id="dialogLensDisconnectedErrorTitle">
        <source>Lens removed</source>
        <translation>レンズが外れました</translation>
    </message>
    <message id="dialogLensDisconnectedErrorMessage">
        <source>The connection to the lens was lost.</source>
        <translation>レンズとの接続が切れました。</translation>
    </message>
    <message id="dialogNetworkConnectErrorTitle">
        <source>Network error</source>
        <translation>ネットワークエラー</translation>
    </message>
    <message id="dialogNetworkConnectErrorMessage">
        <source>The firmware information could not be fetched. Check the internet connection.</source>
        <translation>ファームウェア情報を取得できませんでした。インターネット接続を確認してください。</translation>
    </message>
    <message id="dialogOverCurrentErrorTitle">
        <source>Over-current</source>
        <translation>過電流</translation>
    </message>
    <message id="dialogOverCurrentErrorMessage">
        <source>Too much current is flowing to the lens. Remove the lens from the dock.</source>
        <translation>レンズに過大な電流が流れています。レンズをドックから取り外してください。</translation>
    </message>
    <message id="dialogLensConnectErrorTitle">
        <source>Lens connection error</source>
        <translation>レンズ接続エラー</translation>
    </message>
    <message id="dialogLensConnectErrorMessage">
        <source>The lens could not be connected. Remove the lens and mount it again.</source>
        <translation>レンズを接続できませんでした。レンズを取り外して、もう一度取り付けてください。</translation>
    </message>
    <message id="dialogGetModelInfoErrorTitle">
        <source>Lens information unavailable</source>
        <translation>レンズ情報を取得できません</translation>
    </message>
    <message id="dialogGetModelInfoErrorMessage">
        <source>The information for this lens could not be fetched. Check the internet connection, then remove the lens and mount it again.</source>
        <translation>このレンズの情報を取得できませんでした。インターネット接続を確認してから、レンズを取り外してもう一度取り付けてください。</translation>
    </message>
    <message id="dialogGetAdjustDataErrorTitle">
        <source>Reading the settings failed</source>
        <translation>設定の読み込みに失敗しました</translation>
    </message>
    <message id="dialogGetAdjustDataErrorMessage">
        <source>The settings could not be read from the lens. The factory settings are shown instead.</source>
        <translation>レンズから設定を読み込めませんでした。代わりに工場出荷時の設定を表示します。</translation>
    </message>
    <message id="dialogSetAdjustDataErrorTitle">
        <source>Writing the settings failed</source>
        <translation>設定の書き込みに失敗しました</translation>
    </message>
    <message id="dialogSetAdjustDataErrorMessage">
        <source>The settings could not be written to the lens.</source>
        <translation>設定をレンズに書き込めませんでした。</translation>
    </message>
    <message id="dialogSetDefaultDataErrorTitle">
        <source>Restoring the factory settings failed</source>
        <translation>工場出荷時の設定に戻せませんでした</translation>
    </message>
    <message id="dialogSetDefaultDataErrorMessage">
        <source>The factory settings could not be written to the lens.</source>
        <translation>工場出荷時の設定をレンズに書き込めませんでした。</translation>
    </message>
    <message id="dialogSaveAdjustDataErrorTitle">
        <source>Saving failed</source>
        <translation>保存に失敗しました</translation>
    </message>
    <message id="dialogSaveAdjustDataErrorMessage">
        <source>The settings file could not be saved.</source>
        <translation>設定ファイルを保存できませんでした。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorTitle">
        <source>Opening failed</source>
        <translation>読み込みに失敗しました</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorMessage">
        <source>The settings file could not be opened.</source>
        <translation>設定ファイルを開けませんでした。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonFormat">
        <source>The file is not a settings file of this program.</source>
        <translation>このプログラムの設定ファイルではありません。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonModel">
        <source>The file belongs to another lens model.</source>
        <translation>別のレンズモデルのファイルです。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonValue">
        <source>The file contains values outside the lens&apos;s range.</source>
        <translation>レンズの範囲外の値が含まれています。</translation>
    </message>
    <message id="dialogUpdateErrorTitle">
        <source>Update failed</source>
        <translation>アップデートに失敗しました</translation>
    </message>
    <message id="dialogUpdateErrorMessage">
        <source>The firmware could not be updated.</source>
        <translation>ファームウェアをアップデートできませんでした。</translation>
    </message>
    <message id="dialogUpdateErrorReasonNetwork">
        <source>The download server could not be reached.</source>
        <translation>ダウンロードサーバーに接続できませんでした。</translation>
    </message>
    <message id="dialogUpdateErrorReasonDownload">
        <source>The firmware file could not be downloaded.</source>
        <translation>ファームウェアファイルをダウンロードできませんでした。</translation>
    </message>
    <message id="dialogUpdateErrorReasonDecode">
        <source>The firmware file is damaged.</source>
        <translation>ファームウェアファイルが壊れています。</translation>
    </message>
    <message id="dialogUpdateErrorReasonSend">
        <source>The firmware could not be sent to the device.</source>
        <translation>ファームウェアを機器に送信できませんでした。</translation>
    </message>
    <message id="dialogOpenLicenseErrorTitle">
        <source>Licence agreement unavailable</source>
        <translation>使用許諾契約を開けません</translation>
    </message>
    <message id="dialogOpenLicenseErrorMessage">
        <source>The licence agreement could not be opened.</source>
        <translation>使用許諾契約を開けませんでした。</translation>
    </message>
    <message id="dialogOpenManualErrorTitle">
        <source>Manual unavailable</source>
        <translation>マニュアルを開けません</translation>
    </message>
    <message id="dialogOpenManualErrorMessage">
        <source>The manual could not be opened.</source>
        <translation>マニュアルを開けませんでした。</translation>
    </message>
    <message id="dialogAdapterInUseErrorTitle">
        <source>Dock in use</source>
        <translation>ドック使用中</translation>
    </message>
    <message id="dialogAdapterInUseErrorMessage">
        <source>Another program is using the lens dock. Close that program and start this one again.</source>
        <translation>別のプログラムがレンズドックを使用しています。そのプログラムを終了してから、このプログラムを起動し直してください。</translation>
    </message>
    <message id="dialogBackupErrorTitle">
        <source>Backup failed</source>
        <translation>バックアップ失敗</translation>
    </message>
    <message id="dialogBackupErrorMessage">
        <source>The lens&apos;s current settings could not be saved as a backup, so nothing was changed.</source>
        <translation>レンズの現在の設定をバックアップとして保存できなかったため、何も変更していません。</translation>
    </message>
    <message id="dialogRestoreSettingsConfirmTitle">
        <source>Put back your settings?</source>
        <translation>設定を元に戻しますか？</translation>
    </message>
    <message id="dialogRestoreSettingsConfirmMessage">
        <source>The update has left the lens with its factory settings. Write back the settings it had before the update? They were saved as this backup:</source>
        <translation>アップデートでレンズは工場出荷時の設定に戻りました。アップデート前の設定を書き戻しますか？設定は次のバックアップに保存されています:</translation>
    </message>
    <message id="dialogProfileSaveErrorTitle">
        <source>Profile not saved</source>
        <translation>プロファイルを保存できません</translation>
    </message>
    <message id="dialogProfileSaveErrorMessage">
        <source>The settings could not be saved as a profile.</source>
        <translation>設定をプロファイルとして保存できませんでした。</translation>
    </message>
    <message id="dialogUpdateAdapterNotBackMessage">
        <source>The firmware was sent to the dock completely, but the dock did not come back with the new version. Plug the lens dock in again; if the dock still reports its old firmware version, update it again.</source>
        <translation>ファームウェアはドックにすべて送信されましたが、ドックが新しいバージョンで再接続されませんでした。レンズドックを接続し直してください。ドックのファームウェアバージョンが古いままの場合は、もう一度アップデートしてください。</translation>
    </message>
    <message id="dialogUpdateLensNotBackMessage">
        <source>The firmware was sent to the lens completely, but the lens did not come back with the new version. Plug the lens dock in again and mount the lens; if the lens still reports its old firmware version, update it again.</source>
        <translation>ファームウェアはレンズにすべて送信されましたが、レンズが新しいバージョンで再接続されませんでした。レンズドックを接続し直し、レンズを取り付けてください。レンズのファームウェアバージョンが古いままの場合は、もう一度アップデートしてください。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonMissing">
        <source>The file does not exist. It may have been moved, renamed or deleted.</source>
        <translation>ファイルが見つかりません。移動、名前の変更、または削除された可能性があります。</translation>
    </message>
    <message id="dialogLoadAdjustDataErrorReasonDenied">
        <source>You do not have permission to read this file.</source>
        <translation>このファイルを読み込む権限がありません。</translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonNoFolder">
        <source>The folder to save in does not exist.</source>
        <translation>保存先のフォルダーが存在しません。</translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonDenied">
        <source>You do not have permission to write in this folder or to replace this file.</source>
        <translation>このフォルダーに書き込む権限、またはこのファイルを置き換える権限がありません。</translation>
    </message>
    <message id="dialogSaveAdjustDataErrorReasonWrite">
        <source>The file could not be written. The disk may be full or no longer connected, or a folder of the same name may be in the way.</source>
        <translation>ファイルを書き込めませんでした。ディスクの空き容量が不足しているか、ディスクが接続されていない可能性があります。同じ名前のフォルダーがないかも確認してください。</translation>
    </message>
    <message id="dialogAdapterNoAccessErrorTitle">
        <source>No access to the lens dock</source>
        <translation>レンズドックにアクセスできません</translation>
    </message>
    <message id="dialogAdapterNoAccessErrorMessage">
        <source>The lens dock is connected, but your user account is not allowed to open it. Allow access as described in the section “Linux: device access” of the README, then start the program again.</source>
        <translation>レンズドックは接続されていますが、このユーザーアカウントにはドックを開く権限がありません。README の「Linux: device access」の項に従ってアクセスを許可してから、プログラムを起動し直してください。</translation>
    </message>
    <message id="dialogDiscardChangesConfirmTitle">
        <source>Discard changes?</source>
        <translation>変更を破棄しますか？</translation>
    </message>
    <message id="dialogDiscardChangesConfirmMessage">
        <source>Some values you changed are not yet written to the lens. They are lost if you quit now.</source>
        <translation>変更した値の一部はまだレンズに書き込まれていません。今終了すると、その変更は失われます。</translation>
    </message>
    <message id="dialogRestoreEditsConfirmTitle">
        <source>Show your changes again?</source>
        <translation>変更した値を再表示しますか？</translation>
    </message>
    <message id="dialogRestoreEditsConfirmMessage">
        <source>This lens was removed while some values you changed were not yet written to it. Show those values again? They are written only when you press Apply.</source>
        <translation>このレンズは、変更した値の一部が書き込まれる前に取り外されました。それらの値を再表示しますか？値は「適用」を押したときにだけ書き込まれます。</translation>
    </message>
    <message id="dialogRestoreEditsDockConfirmMessage">
        <source>The lens dock was unplugged while some values you changed were not yet written to the lens. Show those values again? They are written only when you press Apply.</source>
        <translation>レンズドックが、変更した値の一部がレンズに書き込まれる前に取り外されました。それらの値を再表示しますか？値は「適用」を押したときにだけ書き込まれます。</translation>
    </message>
    <message id="menuFileItem">
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message id="menuOpen">
        <source>&amp;Open…</source>
        <translation>開く(&amp;O)…</translation>
    </message>
    <message id="menuSaveAs">
        <source>Save &amp;As…</source>
        <translation>名前を付けて保存(&amp;A)…</translation>
    </message>
    <message id="menuSaveProfile">
        <source>Save as &amp;Profile…</source>
        <translation>プロファイルとして保存(&amp;P)…</translation>
    </message>
    <message id="menuLibrary">
        <source>Profiles and &amp;Backups…</source>
        <translation>プロファイルとバックアップ(&amp;B)…</translation>
    </message>
    <message id="menuFactory">
        <source>&amp;Restore Factory Settings</source>
        <translation>工場出荷時の設定に戻す(&amp;R)</translation>
    </message>
    <message id="menuApply">
        <source>Apply to &amp;Lens</source>
        <translation>レンズに適用(&amp;L)</translation>
    </message>
    <message id="menuAppItemQuit">
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message id="menuViewItem">
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message id="menuFocusAdjustment">
        <source>Focus &amp;Adjustment</source>
        <translation>ピント調整(&amp;A)</translation>
    </message>
    <message id="menuFocusLimit">
        <source>Focus &amp;Limiter</source>
        <translation>フォーカスリミッター(&amp;L)</translation>
    </message>
    <message id="menuCustom">
        <source>&amp;Miscellaneous</source>
        <translation>その他(&amp;M)</translation>
    </message>
    <message id="menuNextTab">
        <source>&amp;Next Tab</source>
        <translation>次のタブ(&amp;N)</translation>
    </message>
    <message id="menuPreviousTab">
        <source>&amp;Previous Tab</source>
        <translation>前のタブ(&amp;P)</translation>
    </message>
    <message id="menuHelpItem">
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message id="menuHelpItemAbout">
        <source>&amp;About Lens Dock Utility</source>
        <translation>Lens Dock Utility について(&amp;A)</translation>
    </message>
    <message id="menuHelpItemDownloadSite">
        <source>&amp;Download Page</source>
        <translation>ダウンロードページ(&amp;D)</translation>
    </message>
    <message id="menuHelpItemManual">
        <source>&amp;Manual</source>
        <translation>マニュアル(&amp;M)</translation>
    </message>
    <message id="menuHelpItemUserInformation">
        <source>&amp;User Information</source>
        <translation>ご利用にあたって(&amp;U)</translation>
    </message>
    <message id="downloadUrl">
        <source>https://download.lensdock.example/</source>
        <translation>https://download.lensdock.example/</translation>
    </message>
    <message id="manualUrl">
        <source>https://download.lensdock.example/manual/</source>
        <translation>https://download.lensdock.example/manual/ja/</translation>
    </message>
    <message id="notConnectLens">
        <source>Lens</source>
        <translation>レンズ</translation>
    </message>
    <message id="notConnectPC">
        <source>Computer</source>
        <translation>コンピューター</translation>
    </message>
    <message id="notConnectMessage">
        <source>Connect the lens dock and mount a lens</source>
        <translation>レンズドックを接続してレンズを取り付けてください</translation>
    </message>
    <message id="notConnect1">
        <source>1. Plug the lens dock into a USB port of this computer.</source>
        <translation>1. レンズドックをこのコンピューターの USB ポートに接続します。</translation>
    </message>
    <message id="notConnect2">
        <source>2. Mount a lens on the dock. It is recognised automatically.</source>
        <translation>2. レンズをドックに取り付けます。自動的に認識されます。</translation>
    </message>
    <message id="connectStepDone">
        <source>Done</source>
        <translation>完了</translation>
    </message>
    <message id="connectStepWaiting">
        <source>Waiting</source>
        <translation>待機中</translation>
    </message>
    <message id="infoModel">
        <source>Model</source>
        <translation>モデル</translation>
    </message>
    <message id="infoFirmware">
        <source>Lens firmware</source>
        <translation>レンズのファームウェア</translation>
    </message>
    <message id="lensScreenPending">
        <source>The lens settings will be shown here.</source>
        <translation>ここにレンズの設定が表示されます。</translation>
    </message>
    <message id="dialogProcessingTitle">
        <source>Processing</source>
        <translation>処理中</translation>
    </message>
    <message id="dialogProcessingMessage">
        <source>Processing, please wait.</source>
        <translation>処理をしています。</translation>
    </message>
    <message id="dialogSetAdjustDataTitle">
        <source>Applying the settings</source>
        <translation>設定の書き込み</translation>
    </message>
    <message id="dialogSetAdjustDataMessage">
        <source>Writing the settings to the lens.</source>
        <translation>レンズに設定を書き込んでいます。</translation>
    </message>
    <message id="dialogSetDefaultDataTitle">
        <source>Restoring factory settings</source>
        <translation>工場出荷時の設定に戻す</translation>
    </message>
    <message id="dialogSetDefaultDataMessage">
        <source>Restoring the factory settings
of the lens.</source>
        <translation>レンズを工場出荷時の設定に
戻しています。</translation>
    </message>
    <message id="dialogCheckUpdateTitle">
        <source>Checking for updates</source>
        <translation>アップデートの確認</translation>
    </message>
    <message id="dialogCheckUpdateMessage">
        <source>Looking for newer firmware.</source>
        <translation>新しいファームウェアを確認しています。</translation>
    </message>
    <message id="updateStateConnecting">
        <source>Connecting to the download server…</source>
        <translation>サーバーに接続しています…</translation>
    </message>
    <message id="updateStateDownloading">
        <source>Downloading the firmware…</source>
        <translation>ファームウェアをダウンロードしています…</translation>
    </message>
    <message id="updateStateDecoding">
        <source>Unpacking the firmware…</source>
        <translation>ファームウェアを展開しています…</translation>
    </message>
    <message id="updateStateSending">
        <source>Writing the firmware to the device…</source>
        <translation>ファームウェアを書き込んでいます…</translation>
    </message>
    <message id="updateTitle">
        <source>Firmware Update</source>
        <translation>ファームウェアのアップデート</translation>
    </message>
    <message id="updateSleepReason">
        <source>A firmware update is being written to the device</source>
        <translation>ファームウェアのアップデート中です</translation>
    </message>
</context>
</TS>
