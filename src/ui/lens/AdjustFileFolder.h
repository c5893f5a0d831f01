#pragma once

#include <optional>
#include <QDate>
#include <QString>

namespace lensdock {

// Where the adjust-data file dialogs start: the folder of the file last opened or saved (kept in
// the program's settings file, so it also holds for the next run), else the user's documents.
class AdjustFileFolder {
public:
    // `settingsFile` replaces the program's own settings file (tests keep theirs apart).
    explicit AdjustFileFolder(std::optional<QString> settingsFile = std::nullopt);

    QString start() const;
    // Remembers the folder of `filePath`, the file the user chose.
    void remember(const QString& filePath) const;

    // The name a save dialog proposes: the lens's model code and the date, as in
    // "A036 2026-12-08.vlad", with characters that some file systems refuse replaced by "_".
    static QString proposedName(const QString& modelCode, const QDate& date);

private:
    std::optional<QString> settingsFile_;
};

} // namespace lensdock
