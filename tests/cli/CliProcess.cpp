#include "CliProcess.h"

#include <algorithm>
#include <csignal>
#include <QDeadlineTimer>
#include <QProcessEnvironment>

CliProcess::CliProcess(const QString& dataHome) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dataHome + QStringLiteral("/config"));
    environment.remove(QStringLiteral("LENSDOCK_DOWNLOAD_URL"));
    // Read by ThreadSanitizer builds only; a report makes the tool exit with 66.
    environment.insert(QStringLiteral("TSAN_OPTIONS"),
                       QStringLiteral("suppressions=" LENSDOCK_CLI_TSAN_SUPPRESSIONS " halt_on_error=1"));
    process_.setProcessEnvironment(environment);
}

void CliProcess::setEnvironment(const QString& name, const QString& value) {
    QProcessEnvironment environment = process_.processEnvironment();
    value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
    process_.setProcessEnvironment(environment);
}

CliResult CliProcess::run(const QStringList& arguments, const QByteArray& input) {
    start(arguments);
    write(input);
    return finish();
}

void CliProcess::start(const QStringList& arguments) {
    out_.clear();
    err_.clear();
    const QStringList fastTiming{"--thread-tick-ms",     "5",   "--watchdog-tick-ms", "5",
                                 "--network-timeout-ms", "3000"};
    process_.start(QStringLiteral(LENSDOCK_CLI_EXE), fastTiming + arguments);
    process_.waitForStarted(runBoundMs);
}

void CliProcess::signal(int number) {
    if (process_.processId() > 0)
        ::kill(pid_t(process_.processId()), number);
}

bool CliProcess::waitFor(const QByteArray& text, int boundMs, QProcess::ProcessChannel channel) {
    const QByteArray& seen = channel == QProcess::StandardOutput ? out_ : err_;
    // waitForReadyRead() wakes only for the current read channel.
    process_.setReadChannel(channel);
    const QDeadlineTimer deadline(boundMs);
    while (!seen.contains(text) && !deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        out_ += process_.readAllStandardOutput();
        err_ += process_.readAllStandardError();
    }
    out_ += process_.readAllStandardOutput();
    err_ += process_.readAllStandardError();
    return seen.contains(text);
}

void CliProcess::write(const QByteArray& input) {
    if (!input.isEmpty())
        process_.write(input);
    process_.closeWriteChannel();
}

CliResult CliProcess::finish() {
    CliResult result;
    result.finished = process_.waitForFinished(runBoundMs);
    if (!result.finished) {
        process_.kill();
        process_.waitForFinished(runBoundMs);
    }
    result.exitCode = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    result.out = out_ + process_.readAllStandardOutput();
    result.err = err_ + process_.readAllStandardError();
    return result;
}
