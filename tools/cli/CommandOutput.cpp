#include "CommandOutput.h"

#include <QJsonDocument>

namespace lensdock::cli {

CommandOutput::CommandOutput(bool json, QString command, std::FILE* out, std::FILE* err)
    : json_(json), command_(std::move(command)), out_(out), err_(err) {
    object_.insert(QStringLiteral("command"), command_);
}

void CommandOutput::lines(const QStringList& lines) {
    if (json_ || lines.isEmpty())
        return;
    write(out_, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
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
        write(out_, QString::fromUtf8(QJsonDocument(object_).toJson(QJsonDocument::Compact) + '\n'));
    }
    if (failure)
        printError(err_, failure->message);
}

void CommandOutput::printError(std::FILE* err, const QString& message) {
    // One line, whatever the message holds.
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    write(err, QStringLiteral("lensdock-cli: ") + line + QLatin1Char('\n'));
}

void CommandOutput::write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace lensdock::cli
