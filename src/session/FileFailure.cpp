#include "session/FileFailure.h"

#include <QDir>
#include <QFileInfo>

namespace lensdock {

DialogId FileFailure::ofOpen(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        return DialogId::loadAdjustErrorMissing;
    if (!file.isReadable())
        return DialogId::loadAdjustErrorDenied;
    return DialogId::loadAdjustErrorOs;
}

DialogId FileFailure::ofSave(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return DialogId::saveAdjustErrorNoFolder;
    if (!folder.isWritable() || (file.isFile() && !file.isWritable()))
        return DialogId::saveAdjustErrorDenied;
    return DialogId::saveAdjustErrorWrite;
}

QString FileFailure::extraText(DialogId kind, const QString& path, const QString& systemError) {
    const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const bool general = kind == DialogId::loadAdjustErrorOs || kind == DialogId::saveAdjustErrorOs ||
                         kind == DialogId::saveAdjustErrorWrite;
    if (!general || systemError.isEmpty())
        return shown;
    return shown + QLatin1Char('\n') + systemError;
}

} // namespace lensdock
