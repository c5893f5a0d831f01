<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name />
    <message id="zoomUnit">
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message id="changeFocusName">
        <source>%1, %2 mm</source>
        <translation>%1、%2 mm</translation>
    </message>
    <message id="changeLimiterName">
        <source>%1, %2</source>
        <translation>%1、%2</translation>
    </message>
    <message id="changeOn">
        <source>On</source>
        <translation>オン</translation>
    </message>
    <message id="changeOff">
        <source>Off</source>
        <translation>オフ</translation>
    </message>
    <message id="focusUnit1">
        <source>Close</source>
        <translation>近距離</translation>
    </message>
    <message id="focusUnit2">
        <source>Middle</source>
        <translation>中距離</translation>
    </message>
    <message id="focusUnit3">
        <source>Infinity</source>
        <translation>無限遠</translation>
    </message>
    <message id="focusValueRange">
        <source>%1 to %2</source>
        <translation>%1～%2</translation>
    </message>
    <message id="focusValueRestored">
        <source>“%1” is not a whole number from %2 to %3, so the field shows %4 again.</source>
        <translation>「%1」は %2～%3 の整数ではないため、%4 に戻しました。</translation>
    </message>
    <message id="focusLimit1">
        <source>Limiter 1</source>
        <translation>リミッター 1</translation>
    </message>
    <message id="focusLimit1Range">
        <source>Range</source>
        <translation>範囲</translation>
    </message>
    <message id="focusLimit1Segment">
        <source>Segment</source>
        <translation>区間</translation>
    </message>
    <message id="focusLimit1Short">
        <source>Near</source>
        <translation>近</translation>
    </message>
    <message id="focusLimit1Long">
        <source>Far</source>
        <translation>遠</translation>
    </message>
    <message id="focusLimitSwPos1TitleType0">
        <source>Switch at the bottom</source>
        <translation>スイッチ下段</translation>
    </message>
    <message id="focusLimitSwPos1TitleType1">
        <source>Switch in the middle</source>
        <translation>スイッチ中段</translation>
    </message>
    <message id="focusLimit2">
        <source>Limiter 2</source>
        <translation>リミッター 2</translation>
    </message>
    <message id="focusLimit2Range">
        <source>Range</source>
        <translation>範囲</translation>
    </message>
    <message id="focusLimit2Segment">
        <source>Segment</source>
        <translation>区間</translation>
    </message>
    <message id="focusLimit2Short">
        <source>Near</source>
        <translation>近</translation>
    </message>
    <message id="focusLimit2Long">
        <source>Far</source>
        <translation>遠</translation>
    </message>
    <message id="focusLimitSwPos2TitleType0">
        <source>Switch in the middle</source>
        <translation>スイッチ中段</translation>
    </message>
    <message id="focusLimitSwPos2TitleType1">
        <source>Switch at the bottom</source>
        <translation>スイッチ下段</translation>
    </message>
    <message id="fullTimeManualTitle">
        <source>Full-time manual focus</source>
        <translation>フルタイムマニュアルフォーカス</translation>
    </message>
    <message id="fullTimeManualEnable">
        <source>Allow manual focusing while autofocus is on</source>
        <translation>オートフォーカス中のマニュアルフォーカス操作を有効にする</translation>
    </message>
    <message id="fullTimeManual1">
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message id="fullTimeManual2">
        <source>Standard</source>
        <translation>標準</translation>
    </message>
    <message id="fullTimeManual3">
        <source>High</source>
        <translation>高</translation>
    </message>
    <message id="fullTimeManualValue">
        <source>Sensitivity</source>
        <translation>感度</translation>
    </message>
    <message id="vcModeTitle">
        <source>VC mode</source>
        <translation>VC モード</translation>
    </message>
    <message id="vcMode1">
        <source>Mode 1</source>
        <translation>モード 1</translation>
    </message>
    <message id="vcMode2">
        <source>Mode 2 (standard)</source>
        <translation>モード 2 (標準)</translation>
    </message>
    <message id="vcMode3">
        <source>Mode 3</source>
        <translation>モード 3</translation>
    </message>
    <message id="vcModeDescription">
        <source>Choose how the image stabiliser behaves. Mode 3 is not offered by every lens.</source>
        <translation>手ぶれ補正の動作を選びます。モード 3 は一部のレンズでは選べません。</translation>
    </message>
    <message id="focusLimitRangeToolTip">
        <source>Range: the lens focuses only between the near and the far limit. The shaded parts of the scale are left out.</source>
        <translation>範囲: 近側と遠側の制限の間だけでピントを合わせます。目盛りの影の付いた部分は使いません。</translation>
    </message>
    <message id="focusLimitSegmentToolTip">
        <source>Segment: the near and the far limit mark a segment of the focus scale; nothing outside it is shaded.</source>
        <translation>区間: 近側と遠側の制限でピント目盛りの区間を示します。区間の外側にも影は付きません。</translation>
    </message>
    <message id="vcMode2ToolTip">
        <source>Mode 2: the standard setting of the image stabiliser.</source>
        <translation>モード 2: 手ぶれ補正の標準の設定です。</translation>
    </message>
    <message id="vcMode1ToolTip">
        <source>Mode 1: another setting of the image stabiliser. What it changes depends on the lens; see the lens's manual.</source>
        <translation>モード 1: 手ぶれ補正のもう一つの設定です。何が変わるかはレンズによって異なります。レンズの使用説明書をご覧ください。</translation>
    </message>
    <message id="vcMode3ToolTip">
        <source>Mode 3: a further setting of the image stabiliser that only some lenses offer; on the others it cannot be chosen. What it changes depends on the lens; see the lens's manual.</source>
        <translation>モード 3: 一部のレンズだけが備える手ぶれ補正の設定です。備えていないレンズでは選べません。何が変わるかはレンズによって異なります。レンズの使用説明書をご覧ください。</translation>
    </message>
</context>
</TS>
