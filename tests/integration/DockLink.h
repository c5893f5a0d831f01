#pragma once

#include "connection/ConnectionThread.h"
#include "context/AppContext.h"
#include "DockEmulator.h"
#include "link/QtSerialPortProvider.h"
#include "link/SerialChannel.h"
#include "RecordingThreadDelegate.h"

#include <memory>
#include <QTemporaryDir>

// The host's real serial stack (QSerialPort backend, channel, connection thread) on the link of an
// in-process dock emulator, with short delays everywhere.
struct DockLink {
    explicit DockLink(std::chrono::microseconds watchdogTick = std::chrono::milliseconds(2),
                      std::chrono::microseconds threadTick = std::chrono::milliseconds(2))
        : provider(std::make_shared<lensdock::QtSerialPortProvider>()), serial(provider, watchdogTick),
          thread(serial, currentAdjustData, lensInfo, threadTick) {
        options.linkPath = dir.filePath(QStringLiteral("dock"));
        options.reenumerationDelay = std::chrono::milliseconds(20);
        options.resetLinger = std::chrono::milliseconds(200);
        options.splitChunkDelay = std::chrono::milliseconds(5);
        provider->setOverridePath(options.linkPath);
        thread.setDelegate(&screen);
    }
    ~DockLink() {
        thread.stop();
        serial.setDelegate(nullptr); // the test's delegates may already be gone
        emulator.reset();
    }

    bool startEmulator() {
        emulator = std::make_unique<lensdock::DockEmulator>(options);
        QString error;
        if (!emulator->start(&error)) {
            qWarning("emulator: %s", qPrintable(error));
            return false;
        }
        return true;
    }
    // Opens the channel on the emulator with the connection thread as its delegate.
    bool openChannel() {
        serial.setDelegate(&thread);
        return serial.openPort(serial.findPortPath());
    }

    QTemporaryDir dir;
    lensdock::DockEmulatorOptions options;
    std::unique_ptr<lensdock::DockEmulator> emulator;
    std::shared_ptr<lensdock::QtSerialPortProvider> provider;
    lensdock::SerialChannel serial;
    lensdock::Guarded<lensdock::LensInfo> lensInfo;
    lensdock::Guarded<lensdock::AdapterBasicInfo> adapterBasicInfo;
    lensdock::Guarded<lensdock::LensAdjustData> currentAdjustData;
    lensdock::Guarded<lensdock::LensAdjustData> defaultAdjustData;
    RecordingThreadDelegate screen;
    lensdock::ConnectionThread thread;
};
