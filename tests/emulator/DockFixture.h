#pragma once

#include "DockEmulator.h"
#include "HostPort.h"

#include <memory>
#include <QTemporaryDir>

// An emulator on a pty in a temporary folder, with short delays, and the host's port opened on it.
struct DockFixture {
    static constexpr std::chrono::milliseconds plugWait{5000};

    QTemporaryDir dir;
    lensdock::DockEmulatorOptions options;
    std::unique_ptr<lensdock::DockEmulator> emulator;
    HostPort host;

    explicit DockFixture(const lensdock::DockProfile& profile = lensdock::DockProfile::zoomLens()) {
        options.linkPath = dir.filePath(QStringLiteral("dock"));
        options.profile = profile;
        options.reenumerationDelay = std::chrono::milliseconds(20);
        options.resetLinger = std::chrono::milliseconds(500);
        options.splitChunkDelay = std::chrono::milliseconds(5);
        options.readyToReceiveInterval = std::chrono::milliseconds(100);
    }

    bool start() {
        emulator = std::make_unique<lensdock::DockEmulator>(options);
        QString error;
        if (!emulator->start(&error)) {
            qWarning("emulator: %s", qPrintable(error));
            return false;
        }
        return host.open(options.linkPath);
    }

    // After a re-enumeration: wait for the `count`-th pty and open it.
    bool reopen(int count) {
        host.close();
        return emulator->waitForPlugCount(count, plugWait) && host.open(options.linkPath);
    }
};
