#include "online/FileIO.h"

#include "base/Logger.h"

#include <filesystem>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <system_error>

namespace lensdock {

namespace {
const QString logTag = QStringLiteral("File");
}

FileIO::FileIO() : libraryFolder_(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) {}

FileIO::FileIO(QString libraryFolder) : libraryFolder_(std::move(libraryFolder)) {}

std::optional<QString> FileIO::baseDirectory() const {
    if (libraryFolder_.isEmpty()) {
        Logger::error(logTag, QStringLiteral("No data folder is known for this user"));
        return std::nullopt;
    }
    const QString path = libraryFolder_ + QLatin1Char('/') + varnetDir;
    if (!createFolder(path))
        return std::nullopt;
    return path;
}

std::optional<QString> FileIO::settingsDirectory() const {
    return subDirectory(settingsDir);
}

std::optional<QString> FileIO::folderIn(const QString& parent, const QString& name) {
    const QString path = parent + QLatin1Char('/') + name;
    if (!createFolder(path))
        return std::nullopt;
    return path;
}

std::optional<QString> FileIO::adapterDirectory() const {
    return subDirectory(adapterDir);
}

std::optional<QString> FileIO::lensDirectory() const {
    return subDirectory(lensDir);
}

std::optional<QString> FileIO::removeFile(const QString& path) const {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    QFile file(path);
    if (file.remove())
        return std::nullopt;
    return file.errorString();
}

std::optional<QString> FileIO::subDirectory(const QString& name) const {
    const std::optional<QString> base = baseDirectory();
    if (!base)
        return std::nullopt;
    const QString path = *base + QLatin1Char('/') + name;
    if (!createFolder(path))
        return std::nullopt;
    return path;
}

bool FileIO::createFolder(const QString& path) {
    std::error_code error;
    const std::filesystem::path folder = path.toStdU16String();
    std::filesystem::create_directories(folder, error);
    if (!error && std::filesystem::is_directory(folder, error))
        return true;
    if (!error)
        error = std::make_error_code(std::errc::not_a_directory);
    Logger::error(logTag, QString::fromStdString(error.message()) + QStringLiteral(": ") + path);
    return false;
}

} // namespace lensdock
