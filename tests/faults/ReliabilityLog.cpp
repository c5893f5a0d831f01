#include "ReliabilityLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace ReliabilityLog {

void append(const ReliabilityRow& row) {
    const QString path = qEnvironmentVariable("LENSDOCK_RELIABILITY_ROWS");
    if (path.isEmpty())
        return;
    const QJsonObject line{
        {QStringLiteral("interface"), row.interface}, {QStringLiteral("operation"), row.operation},
        {QStringLiteral("fault"), row.fault},         {QStringLiteral("expected"), row.expected},
        {QStringLiteral("observed"), row.observed},   {QStringLiteral("passed"), row.passed}};
    QFile file(path);
    // One write per line: the CLI and the GUI matrix may append at the same time.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
        file.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n') < 0)
        qWarning("cannot append to %s", qPrintable(path));
}

} // namespace ReliabilityLog
