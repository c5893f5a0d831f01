#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

// One finished run of lensdock-cli.
struct CliResult {
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QJsonObject json() const;
    QStringList errorLines() const;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs the built lensdock-cli with short ticks, its library folder in `dataHome` and its settings in
// `dataHome`/config (never the user's own). Every wait is bounded.
class CliProcess {
public:
    static constexpr int runBoundMs = 60000;

    explicit CliProcess(const QString& dataHome);

    // TMPDIR of the tool, for what it keeps while it runs.
    void setTemporaryFolder(const QString& path);
    // Another variable of the tool's environment; an empty value removes it.
    void setEnvironment(const QString& name, const QString& value);

    // The hidden options that shorten the connection thread's and the watchdog's ticks.
    static QStringList fastTiming();

    CliResult run(const QStringList& arguments, const QByteArray& input = QByteArray());

    // Interactive use: start, wait for output, answer, finish.
    void start(const QStringList& arguments);
    bool waitForOutput(const QByteArray& text, int boundMs);
    bool waitForError(const QByteArray& text, int boundMs);
    // Sends SIGTERM.
    void terminate() { process_.terminate(); }
    void signal(int number);
    void write(const QByteArray& input);
    CliResult finish();

private:
    QProcess process_;
    bool waitFor(const QByteArray& text, int boundMs, QProcess::ProcessChannel channel);

    QByteArray out_;
    QByteArray err_;
};
