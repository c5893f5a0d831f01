<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name />
    <message id="demoAppName">
        <source>Lens Dock Utility (demo)</source>
        <translation>Lens Dock Utility（デモ）</translation>
    </message>
    <message id="menuDemo">
        <source>&amp;Demo</source>
        <translation>デモ(&amp;D)</translation>
    </message>
    <message id="demoMountLens">
        <source>&amp;Mount the Lens</source>
        <translation>レンズを装着(&amp;M)</translation>
    </message>
    <message id="demoUnmountLens">
        <source>&amp;Remove the Lens</source>
        <translation>レンズを取り外す(&amp;R)</translation>
    </message>
    <message id="demoUnplugAdapter">
        <source>&amp;Unplug the Dock</source>
        <translation>ドックを外す(&amp;U)</translation>
    </message>
    <message id="demoReplugAdapter">
        <source>&amp;Plug the Dock In</source>
        <translation>ドックを接続(&amp;P)</translation>
    </message>
</context>
</TS>
