#pragma once

#include "context/AppContext.h"
#include "ExitCode.h"
#include "online/FileIO.h"

#include <chrono>
#include <optional>
#include <QString>
#include <QStringList>

namespace lensdock::cli {

// Everything the command line asked for, checked.
struct CliOptions {
    static constexpr std::chrono::milliseconds defaultLensWait{30000};

    AppOptions app;
    std::chrono::milliseconds lensWait = defaultLensWait;
    bool json = false;
    bool yes = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    bool dryRun = false;
    bool keepSettings = false; // --keep-settings: put the lens's settings back after its update
    bool demo = false;         // --demo: the emulated adapter and the demo host inside the program
    QString command;           // empty with help for the general help
    QStringList arguments;     // the command's own arguments
    QString output;            // --output
    QString key;               // --key
    QStringList kitModels;     // --for, repeatable: lens model codes of an update kit
    QString kitMount;          // --mount: the mount of those lenses
    QString paper;             // --paper of calibrate target; A4 when empty
    QString pngPath;           // --png of calibrate target
    std::optional<int> dpi;    // --dpi of that PNG
    QString targetJson;        // --json FILE of calibrate target: the target's geometry
    // How long an update waits for a device to come back after its reset (hidden, for tests).
    std::optional<std::chrono::milliseconds> resetWait;
    // Where downloads and catalogue copies are kept; the user's data folder when not set.
    std::optional<QString> libraryFolder;

    FileIO store() const { return libraryFolder ? FileIO(*libraryFolder) : FileIO(); }
};

// Reads `arguments` (the program name first). Nothing, with the usage failure, when they do not make
// a valid call. Hidden options shorten the connection thread's and the watchdog's ticks and the
// network time-outs, so that tests do not wait for real-device times.
std::optional<CliOptions> parseCommandLine(const QStringList& arguments, Failure* failure);

} // namespace lensdock::cli
