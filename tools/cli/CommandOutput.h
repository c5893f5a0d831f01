#pragma once

#include "ExitCode.h"

#include <cstdio>
#include <optional>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

namespace lensdock::cli {

// Where a command's results go: readable lines on standard output as they come, or one JSON object
// printed when the command ends. Errors are one line on standard error in either case.
class CommandOutput {
public:
    CommandOutput(bool json, QString command, std::FILE* out = stdout, std::FILE* err = stderr);

    bool isJson() const { return json_; }
    // Text mode only; ignored with --json.
    void lines(const QStringList& lines);
    // JSON mode only; ignored without --json.
    void set(const QString& key, const QJsonValue& value);

    // Prints the JSON object (with "ok", and "exitCode" and "error" after a failure) and the error line.
    void finish(const std::optional<Failure>& failure);

    static void printError(std::FILE* err, const QString& message);
    // Writes `text` as UTF-8 and flushes, so that it is out before anything that follows.
    static void write(std::FILE* stream, const QString& text);

private:
    const bool json_;
    const QString command_;
    std::FILE* const out_;
    std::FILE* const err_;
    QJsonObject object_;
};

} // namespace lensdock::cli
