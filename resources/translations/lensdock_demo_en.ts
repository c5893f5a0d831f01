<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name />
    <message id="demoAppName">
        <source>Lens Dock Utility (demo)</source>
        <translation>Lens Dock Utility (demo)</translation>
    </message>
    <message id="menuDemo">
        <source>&amp;Demo</source>
        <translation>&amp;Demo</translation>
    </message>
    <message id="demoMountLens">
        <source>&amp;Mount the Lens</source>
        <translation>&amp;Mount the Lens</translation>
    </message>
    <message id="demoUnmountLens">
        <source>&amp;Remove the Lens</source>
        <translation>&amp;Remove the Lens</translation>
    </message>
    <message id="demoUnplugAdapter">
        <source>&amp;Unplug the Dock</source>
        <translation>&amp;Unplug the Dock</translation>
    </message>
    <message id="demoReplugAdapter">
        <source>&amp;Plug the Dock In</source>
        <translation>&amp;Plug the Dock In</translation>
    </message>
</context>
</TS>
