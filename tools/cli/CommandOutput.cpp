#include "CommandOutput.h"

#include <QJsonDocument>

namespace lensdock::cli {

namespace {
void writeAll(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

CommandOutput::CommandOutput(bool json, QString command, std::FILE* out, std::FILE* err)
    : json_(json), command_(std::move(command)), out_(out), err_(err) {
    object_.insert(QStringLiteral("command"), command_);
}

void CommandOutput::lines(const QStringList& lines) {
    if (json_ || lines.isEmpty())
        return;
    writeAll(out_, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

void CommandOutput::set(const QString& key, const QJsonValue& value) {
    if (json_)
        object_.insert(key, value);
}

void CommandOutput::finish(const std::optional<Failure>& failure) {
    if (json_) {
        object_.insert(QStringLiteral("ok"), !failure.has_value());
        if (failure) {
            object_.insert(QStringLiteral("exitCode"), int(failure->code));
            object_.insert(QStringLiteral("error"), failure->message);
        }
        writeAll(out_, QJsonDocument(object_).toJson(QJsonDocument::Compact) + '\n');
    }
    if (failure)
        printError(err_, failure->message);
}

void CommandOutput::printError(std::FILE* err, const QString& message) {
    // One line, whatever the message holds.
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeAll(err, (QStringLiteral("lensdock-cli: ") + line + QLatin1Char('\n')).toUtf8());
}

} // namespace lensdock::cli
