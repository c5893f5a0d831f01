#include "FrameTrace.h"

#include <QDateTime>

namespace lensdock {

bool FrameTrace::open(const QString& path, QString* error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = QStringLiteral("cannot write trace %1: %2").arg(path, file->errorString());
        return false;
    }
    file_ = std::move(file);
    return true;
}

void FrameTrace::record(const char* direction, const QByteArray& bytes, const QString& note) {
    if (!file_)
        return;
    QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8();
    line += ' ';
    line += direction;
    if (!bytes.isEmpty())
        line += ' ' + bytes.toHex(' ').toUpper();
    if (!note.isEmpty())
        line += " # " + note.toUtf8();
    line += '\n';
    file_->write(line);
    file_->flush();
}

} // namespace lensdock
