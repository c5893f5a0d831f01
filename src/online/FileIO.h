#pragma once

#include <optional>
#include <QString>

namespace lensdock {

// The local folders that keep downloaded files: base = the user's data folder + "/Varnet", with the
// sub-folders "adapter" and "lens". Folders are created on demand; a folder that cannot be created
// gives no path and one "File" log line. Cheap to create; make one wherever needed.
class FileIO {
public:
    static inline const QString adapterDir = QStringLiteral("adapter");
    static inline const QString lensDir = QStringLiteral("lens");
    static inline const QString settingsDir = QStringLiteral("settings");

    // The user's generic data folder (QStandardPaths) as the library folder.
    FileIO();
    // Another library folder, for tests and portable set-ups.
    explicit FileIO(QString libraryFolder);

    QString varnetDir = QStringLiteral("Varnet");

    std::optional<QString> baseDirectory() const;
    std::optional<QString> adapterDirectory() const;
    std::optional<QString> lensDirectory() const;
    // The lenses' settings backups and profiles, one sub-folder per lens.
    std::optional<QString> settingsDirectory() const;
    // `name` inside `parent`, created when missing.
    static std::optional<QString> folderIn(const QString& parent, const QString& name);

    // Deletes the file at `path` if there is one; the reason when that fails, nothing otherwise.
    std::optional<QString> removeFile(const QString& path) const;

private:
    std::optional<QString> subDirectory(const QString& name) const;
    static bool createFolder(const QString& path);

    QString libraryFolder_;
};

} // namespace lensdock
