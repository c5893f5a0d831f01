#pragma once

#include "DockEmulator.h"

#include <memory>
#include <QTemporaryDir>

// The dock emulator on a pty in a temporary folder, for lensdock-cli to reach through --port. The
// test process never opens the port itself: the tool under test does.
struct CliDock {
    QTemporaryDir dir;
    lensdock::DockEmulatorOptions options;
    std::unique_ptr<lensdock::DockEmulator> emulator;

    explicit CliDock(const lensdock::DockProfile& profile = lensdock::DockProfile::zoomLens()) {
        options.linkPath = dir.filePath(QStringLiteral("dock"));
        options.profile = profile;
        options.reenumerationDelay = std::chrono::milliseconds(20);
        options.resetLinger = std::chrono::milliseconds(200);
        options.splitChunkDelay = std::chrono::milliseconds(5);
    }

    bool start() {
        emulator = std::make_unique<lensdock::DockEmulator>(options);
        QString error;
        if (emulator->start(&error))
            return true;
        qWarning("emulator: %s", qPrintable(error));
        return false;
    }

    QStringList port() const { return {QStringLiteral("--port"), options.linkPath}; }
};
