#pragma once

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// Reads text keys out of sources and translation files, for tests that check the catalogues are complete.
namespace TextCatalogue {
inline QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

inline QStringList matches(const QString& text, const QString& pattern) {
    QStringList found;
    const QRegularExpression expression(pattern);
    for (auto it = expression.globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

// Every key looked up with qtTrId in the .cpp files of `folderPath`.
inline QStringList keysInSources(const QString& folderPath) {
    QStringList keys;
    const QDir folder(folderPath);
    for (const QString& name : folder.entryList({QStringLiteral("*.cpp")}))
        keys << matches(readAll(folder.filePath(name)), QStringLiteral("qtTrId\\(\"([^\"]+)\"\\)"));
    keys.removeDuplicates();
    return keys;
}

// The message ids of a .ts file.
inline QStringList idsIn(const QString& tsPath) {
    return matches(readAll(tsPath), QStringLiteral("<message id=\"([^\"]+)\""));
}
} // namespace TextCatalogue
