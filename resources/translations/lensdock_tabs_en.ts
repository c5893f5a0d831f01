<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name />
    <message id="zoomUnit">
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message id="changeFocusName">
        <source>%1, %2 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="changeLimiterName">
        <source>%1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="changeOn">
        <source>On</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="changeOff">
        <source>Off</source>
        <translation type="unfinished"></translation>
    </message>
    <message id="focusUnit1">
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message id="focusUnit2">
        <source>Middle</source>
        <translation>Middle</translation>
    </message>
    <message id="focusUnit3">
        <source>Infinity</source>
        <translation>Infinity</translation>
    </message>
    <message id="focusValueRange">
        <source>%1 to %2</source>
        <translation>%1 to %2</translation>
    </message>
    <message id="focusValueRestored">
        <source>“%1” is not a whole number from %2 to %3, so the field shows %4 again.</source>
        <translation>“%1” is not a whole number from %2 to %3, so the field shows %4 again.</translation>
    </message>
    <message id="focusLimit1">
        <source>Limiter 1</source>
        <translation>Limiter 1</translation>
    </message>
    <message id="focusLimit1Range">
        <source>Range</source>
        <translation>Range</translation>
    </message>
    <message id="focusLimit1Segment">
        <source>Segment</source>
        <translation>Segment</translation>
    </message>
    <message id="focusLimit1Short">
        <source>Near</source>
        <translation>Near</translation>
    </message>
    <message id="focusLimit1Long">
        <source>Far</source>
        <translation>Far</translation>
    </message>
    <message id="focusLimitSwPos1TitleType0">
        <source>Switch at the bottom</source>
        <translation>Switch at the bottom</translation>
    </message>
    <message id="focusLimitSwPos1TitleType1">
        <source>Switch in the middle</source>
        <translation>Switch in the middle</translation>
    </message>
    <message id="focusLimit2">
        <source>Limiter 2</source>
        <translation>Limiter 2</translation>
    </message>
    <message id="focusLimit2Range">
        <source>Range</source>
        <translation>Range</translation>
    </message>
    <message id="focusLimit2Segment">
        <source>Segment</source>
        <translation>Segment</translation>
    </message>
    <message id="focusLimit2Short">
        <source>Near</source>
        <translation>Near</translation>
    </message>
    <message id="focusLimit2Long">
        <source>Far</source>
        <translation>Far</translation>
    </message>
    <message id="focusLimitSwPos2TitleType0">
        <source>Switch in the middle</source>
        <translation>Switch in the middle</translation>
    </message>
    <message id="focusLimitSwPos2TitleType1">
        <source>Switch at the bottom</source>
        <translation>Switch at the bottom</translation>
    </message>
    <message id="fullTimeManualTitle">
        <source>Full-time manual focus</source>
        <translation>Full-time manual focus</translation>
    </message>
    <message id="fullTimeManualEnable">
        <source>Allow manual focusing while autofocus is on</source>
        <translation>Allow manual focusing while autofocus is on</translation>
    </message>
    <message id="fullTimeManual1">
        <source>Low</source>
        <translation>Low</translation>
    </message>
    <message id="fullTimeManual2">
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message id="fullTimeManual3">
        <source>High</source>
        <translation>High</translation>
    </message>
    <message id="fullTimeManualValue">
        <source>Sensitivity</source>
        <translation>Sensitivity</translation>
    </message>
    <message id="vcModeTitle">
        <source>VC mode</source>
        <translation>VC mode</translation>
    </message>
    <message id="vcMode1">
        <source>Mode 1</source>
        <translation>Mode 1</translation>
    </message>
    <message id="vcMode2">
        <source>Mode 2 (standard)</source>
        <translation>Mode 2 (standard)</translation>
    </message>
    <message id="vcMode3">
        <source>Mode 3</source>
        <translation>Mode 3</translation>
    </message>
    <message id="vcModeDescription">
        <source>Choose how the image stabiliser behaves. Mode 3 is not offered by every lens.</source>
        <translation>Choose how the image stabiliser behaves. Mode 3 is not offered by every lens.</translation>
    </message>
    <message id="focusLimitRangeToolTip">
        <source>Range: the lens focuses only between the near and the far limit. The shaded parts of the scale are left out.</source>
        <translation>Range: the lens focuses only between the near and the far limit. The shaded parts of the scale are left out.</translation>
    </message>
    <message id="focusLimitSegmentToolTip">
        <source>Segment: the near and the far limit mark a segment of the focus scale; nothing outside it is shaded.</source>
        <translation>Segment: the near and the far limit mark a segment of the focus scale; nothing outside it is shaded.</translation>
    </message>
    <message id="vcMode2ToolTip">
        <source>Mode 2: the standard setting of the image stabiliser.</source>
        <translation>Mode 2: the standard setting of the image stabiliser.</translation>
    </message>
    <message id="vcMode1ToolTip">
        <source>Mode 1: another setting of the image stabiliser. What it changes depends on the lens; see the lens's manual.</source>
        <translation>Mode 1: another setting of the image stabiliser. What it changes depends on the lens; see the lens's manual.</translation>
    </message>
    <message id="vcMode3ToolTip">
        <source>Mode 3: a further setting of the image stabiliser that only some lenses offer; on the others it cannot be chosen. What it changes depends on the lens; see the lens's manual.</source>
        <translation>Mode 3: a further setting of the image stabiliser that only some lenses offer; on the others it cannot be chosen. What it changes depends on the lens; see the lens's manual.</translation>
    </message>
</context>
</TS>
