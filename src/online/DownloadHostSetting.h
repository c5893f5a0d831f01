#pragma once

#include "online/DownloadHost.h"

#include <optional>
#include <QString>

class QCommandLineParser;

namespace lensdock {

// Where the download host of a run was set, strongest first.
enum class DownloadHostSource { commandLine, settingsFile, environment, builtIn, demo };

// The download host a run uses and where it came from.
struct DownloadHostChoice {
    DownloadHost host;
    DownloadHostSource source = DownloadHostSource::builtIn;
};

// The one place that decides the download host: --download-url, else the settings file (key
// `downloadUrl`), else the environment variable LENSDOCK_DOWNLOAD_URL, else the host chosen at build
// time. An empty value counts as unset; a value that is not a usable URL is an error naming where it
// was set, never silently skipped.
class DownloadHostSetting {
public:
    static inline const QString settingsKey = QStringLiteral("downloadUrl");
    static inline const QString environmentVariable = QStringLiteral("LENSDOCK_DOWNLOAD_URL");

    // The candidates, each unset or a URL.
    struct Candidates {
        std::optional<QString> commandLine;
        std::optional<QString> settingsFile;
        std::optional<QString> environment;
    };

    static std::optional<DownloadHostChoice> choose(const Candidates& candidates, QString* error = nullptr);
    // "command line", "settings file PATH", "environment variable …" or "built-in default", for logs.
    static QString sourceName(DownloadHostSource source);

    // Reads the candidates from the parsed command line, the user's settings file and the environment.
    static Candidates fromSystem(const QCommandLineParser& parser);
    // The settings file shared by the window and the command-line tool.
    static QString settingsFilePath();
};

} // namespace lensdock
