#pragma once

#include "context/AppContext.h"
#include "DockEmulator.h"

#include <memory>
#include <QCommandLineOption>
#include <QString>
#include <QTemporaryDir>

namespace lensdock {

class DemoHost;

// Everything the demo needs, inside the process: the dock emulator with a zoom lens that supports
// every setting on a pseudo-terminal in a private temporary folder, and a download host on 127.0.0.1
// serving the catalogues, the pictures and a newer lens firmware. A program in demo mode uses the pty
// as its port, the host as its download host and the temporary folder as its local store, so the
// user's own store is left alone. All of it goes with the session.
class DemoSession {
public:
    struct Options {
        // The emulated dock; the link path is the session's own.
        DockEmulatorOptions dock;
        // Size of the lens firmware offered; with the pacing below it decides how long an update takes.
        int firmwareBytes = 48 * 1024;

        Options();
    };

    explicit DemoSession(Options options = Options());
    ~DemoSession();
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // Starts the emulator and the host; false, with the reason in `error`, when either fails.
    bool start(QString* error);

    // After a successful start():
    // the port and download host of a program using the session, on top of `options`;
    AppOptions appOptions(AppOptions options) const;
    // the emulated dock, for the Demo menu.
    DockEmulator& dock() { return *dock_; }
    // A private store for what the program downloads.
    QString libraryFolder() const;

    // --demo, for the programs' command lines.
    static QCommandLineOption commandLineOption();

private:
    Options options_;
    QTemporaryDir folder_;
    std::unique_ptr<DockEmulator> dock_;
    std::unique_ptr<DemoHost> host_;
};

} // namespace lensdock
