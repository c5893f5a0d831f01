#pragma once

#include "context/AppContext.h"
#include "DockEmulator.h"
#include "LocalDownloadHost.h"
#include "ModalAnswerer.h"
#include "ui/AppShell.h"
#include "ui/MainWindow.h"

#include <atomic>
#include <memory>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

// The whole program on the offscreen platform: the dock emulator on a pty behind --port, a real
// local download host behind --download-url, a private library folder, short ticks and no fade.
// Alerts are answered by `answerer`; the end of the process is recorded instead of happening.
struct GuiFixture {
    static constexpr std::chrono::milliseconds threadTick{10};
    static constexpr std::chrono::microseconds watchdogTick{5000}; // 200 ticks: one second per request

    QTemporaryDir dir;
    lensdock::DockEmulatorOptions dockOptions;
    std::unique_ptr<lensdock::DockEmulator> dock;
    LocalDownloadHost host;
    QString libraryFolder;
    std::atomic<int> endCount{0};
    std::atomic<int> exitCode{-1};
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<lensdock::AppContext> context;
    std::unique_ptr<lensdock::AppShell> shell;
    std::unique_ptr<lensdock::MainWindow> window;
    std::chrono::milliseconds fade{0};
    // The watchdog's tick for launch(); a test may restore the real 100 ms (20 s per request).
    std::chrono::microseconds watchdog{watchdogTick};
    // Replaces the search for the dock and the opening of its port, when set.
    std::shared_ptr<lensdock::SerialPortProvider> portProvider;
    // Opens web pages and documents for the program.
    std::function<bool(const QUrl&)> openUrl = [](const QUrl&) { return true; };

    explicit GuiFixture(const lensdock::DockProfile& profile = lensdock::DockProfile::zoomLens()) {
        libraryFolder = dir.filePath(QStringLiteral("library"));
        dockOptions.linkPath = dir.filePath(QStringLiteral("dock"));
        dockOptions.profile = profile;
        dockOptions.reenumerationDelay = std::chrono::milliseconds(20);
        dockOptions.resetLinger = std::chrono::milliseconds(300);
        dockOptions.splitChunkDelay = std::chrono::milliseconds(5);
        dockOptions.readyToReceiveInterval = std::chrono::milliseconds(100);
    }

    ~GuiFixture() { stop(); }

    bool startDock() {
        dock = std::make_unique<lensdock::DockEmulator>(dockOptions);
        QString error;
        if (!dock->start(&error)) {
            qWarning("emulator: %s", qPrintable(error));
            return false;
        }
        return true;
    }

    bool startHost() {
        QString error;
        if (!host.start(&error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }

    // A host that refuses every connection: the network is off.
    static lensdock::DownloadHost unreachableHost() {
        return *lensdock::DownloadHost::fromUrl(QStringLiteral("http://127.0.0.1:1"));
    }

    lensdock::ConnectOptions connectOptions() const {
        lensdock::ConnectOptions options;
        options.libraryFolder = libraryFolder;
        options.update = updateTimings();
        return options;
    }

    // The lens screen's folder and short waits; its file dialogs are `lensDialogs`.
    lensdock::AdjustFileDialogs lensDialogs;
    lensdock::ProfileNameChooser askProfileName;
    bool temporaryLibrary = false; // as the demo's
    lensdock::LensScreenOptions lensOptions() const {
        lensdock::LensScreenOptions options;
        options.libraryFolder = libraryFolder;
        options.libraryIsTemporary = temporaryLibrary;
        options.update = updateTimings();
        options.progressCloseDelay = std::chrono::milliseconds(20);
        options.fileDialogs = lensDialogs;
        options.settingsFile = settingsFile();
        options.askProfileName = askProfileName;
        return options;
    }

    // The program's settings file, private to the test.
    QString settingsFile() const { return dir.filePath(QStringLiteral("config/lensdock.conf")); }

    // Short waits for updates against the emulator.
    static lensdock::UpdateJobTimings updateTimings() {
        lensdock::UpdateJobTimings timings;
        timings.connectDelay = std::chrono::milliseconds(10);
        timings.pendingStatePoll = std::chrono::milliseconds(5);
        timings.transfer.lensResetWait = std::chrono::milliseconds(10);
        timings.transfer.adapterResetWait = std::chrono::milliseconds(150);
        timings.network.requestTimeout = std::chrono::milliseconds(1000);
        return timings;
    }

    // Files left in the local store's firmware folders.
    QStringList leftInStore() const {
        QStringList files;
        for (const char* folder : {"/Varnet/adapter", "/Varnet/lens"})
            for (const QString& name : QDir(libraryFolder + folder).entryList(QDir::Files))
                if (name.endsWith(QStringLiteral(".vfwf")) || name.endsWith(QStringLiteral(".dec")))
                    files << name;
        return files;
    }

    // The context and the shell without a window (the connection thread is not started).
    void launchWithoutWindow(ModalAnswerer::Chooser chooser = ModalAnswerer::confirm) {
        answerer = std::make_unique<ModalAnswerer>(std::move(chooser));
        lensdock::AppOptions options;
        options.downloadHost = unreachableHost();
        context = std::make_unique<lensdock::AppContext>(options);
        shell = std::make_unique<lensdock::AppShell>(*context, shellOptions());
    }

    lensdock::AppShell::Options shellOptions() {
        lensdock::AppShell::Options options;
        options.endProcess = [this](int code) {
            exitCode = code;
            ++endCount;
        };
        options.openUrl = [this](const QUrl& url) { return openUrl(url); };
        return options;
    }

    QAction* action(const char* name) const { return window->action(QString::fromLatin1(name)); }

    void launch(const lensdock::DownloadHost& downloadHost,
                ModalAnswerer::Chooser chooser = ModalAnswerer::confirm, const QString& port = QString()) {
        answerer = std::make_unique<ModalAnswerer>(std::move(chooser));
        lensdock::AppOptions options;
        options.portOverride = port.isEmpty() ? dockOptions.linkPath : port;
        options.portProvider = portProvider;
        options.downloadHost = downloadHost;
        options.threadTick = threadTick;
        options.watchdogTick = watchdog;
        options.networkLimits.requestTimeout = std::chrono::milliseconds(3000);
        context = std::make_unique<lensdock::AppContext>(options);
        shell = std::make_unique<lensdock::AppShell>(*context, shellOptions());
        lensdock::MainWindow::Options windowOptions;
        windowOptions.fadeDuration = fade;
        windowOptions.connect = connectOptions();
        windowOptions.lens = lensOptions();
        window = std::make_unique<lensdock::MainWindow>(*shell, windowOptions);
        window->show();
    }

    // Ends the program the way the user does, and waits for the recorded end.
    bool quit() {
        shell->quit();
        return QTest::qWaitFor([this] { return endCount > 0; }, 10000);
    }

    void stop() {
        if (window && endCount == 0)
            quit();
        endCount = 0;
        window.reset();
        shell.reset();
        context.reset();
        answerer.reset();
        if (dock)
            dock->stop();
    }

    int countOf(const QString& title) const { return answerer ? answerer->titles().count(title) : 0; }

    // Serves the adapter catalogue, the lens catalogue of `lens` on mount suffix `suffix` and three
    // distinct pictures.
    void serveCatalogues(const QString& adapterVersion, const lensdock::LensInfo& lens,
                         const QString& suffix = QStringLiteral("E0"),
                         const QString& adapterKey = QStringLiteral("ADAPTER-KEY")) {
        host.put(QStringLiteral("zolen/adapter/zoleninfo.xml"), "<zoleninfo>2026/01/01 00:00:00," +
                                                                    adapterVersion.toUtf8() + "," +
                                                                    adapterKey.toUtf8() + "</zoleninfo>");
        host.put("zolen/lens/lensinfo_" + lens.modelCode + suffix + ".xml", lensCatalogue(lens.modelCode));
        host.put("zolen/lens/lensimage_" + lens.modelCode + suffix + ".png", png(Qt::red));
        host.put("zolen/lens/focusadjustment_" + lens.modelCode + ".png", png(Qt::green));
        host.put("zolen/lens/focuslimit_" + lens.modelCode + ".png", png(Qt::blue));
    }

    static QByteArray lensCatalogue(const QString& modelCode) {
        return "<lensinfo>2026/01/02 03:04:05," + modelCode.toUtf8() +
               ",Test Zoom "
               "28-300,0100,true,true,true,true,8,3,28,35,50,70,100,135,200,300,30,-30,2,10,0,9,2,7,"
               "LENS-KEY</lensinfo>";
    }

    static QByteArray png(Qt::GlobalColor colour) {
        QImage picture(12, 8, QImage::Format_ARGB32);
        picture.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return bytes;
    }
};
