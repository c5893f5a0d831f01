#pragma once

#include "DockEmulator.h"

#include <memory>
#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// One finished run of lensdock-cli.
struct CliResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QStringList errorLines() const { return errText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs the built lensdock-cli with short ticks (hidden options for the connection thread, the watchdog
// and the network), its library folder in `dataHome` and its settings in `dataHome`/config (never the
// user's own). Every wait is bounded.
class CliProcess {
public:
    static constexpr int runBoundMs = 60000;

    explicit CliProcess(const QString& dataHome);

    // Another variable of the tool's environment; an empty value removes it.
    void setEnvironment(const QString& name, const QString& value);

    CliResult run(const QStringList& arguments, const QByteArray& input = QByteArray());

    // Interactive use: start, wait for output, answer, finish.
    void start(const QStringList& arguments);
    bool waitForOutput(const QByteArray& text, int boundMs) {
        return waitFor(text, boundMs, QProcess::StandardOutput);
    }
    bool waitForError(const QByteArray& text, int boundMs) {
        return waitFor(text, boundMs, QProcess::StandardError);
    }
    void signal(int number);
    void write(const QByteArray& input);
    CliResult finish();

private:
    QProcess process_;
    bool waitFor(const QByteArray& text, int boundMs, QProcess::ProcessChannel channel);

    QByteArray out_;
    QByteArray err_;
};

// The dock emulator on a pty in a temporary folder, for lensdock-cli to reach through --port. The
// test process never opens the port itself: the tool under test does.
struct CliDock {
    QTemporaryDir dir;
    lensdock::DockEmulatorOptions options;
    std::unique_ptr<lensdock::DockEmulator> emulator;

    CliDock() {
        options.linkPath = dir.filePath(QStringLiteral("dock"));
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
