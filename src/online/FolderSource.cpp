#include "online/FolderSource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lensdock {

namespace {

// Non-empty, like the error page a web server sends, so that both end in the same report.
DataTaskOutcome statusOnly(const QUrl& url, int status, const QByteArray& page) {
    return {page, HttpResponse{url, status}, std::nullopt};
}

DataTaskOutcome tooLarge(const QUrl& url, qint64 maxBytes) {
    return {std::nullopt, std::nullopt,
            NetworkError{NetworkError::tooLargeDomain, FolderSource::statusOk,
                         QStringLiteral("The reply is larger than %1 bytes").arg(maxBytes), url}};
}

} // namespace

bool FolderSource::isReachable() const {
    const QFileInfo folder(folder_);
    return folder.isDir() && folder.isReadable() && folder.isExecutable();
}

bool FolderSource::liesInside(const QString& canonicalPath) const {
    const QString root = QFileInfo(folder_).canonicalFilePath();
    if (root.isEmpty())
        return false;
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    return canonicalPath.startsWith(prefix);
}

DataTaskOutcome FolderSource::read(const QString& relativePath, qint64 maxBytes) const {
    const QString path = QDir(folder_).filePath(relativePath);
    const QUrl url = QUrl::fromLocalFile(path);
    const QFileInfo file(path);
    // Resolves every symlink on the way, so nothing outside the folder is served.
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty() || !liesInside(canonical) || !QFileInfo(canonical).isFile())
        return statusOnly(url, statusNotFound, QByteArrayLiteral("Not Found"));
    QFile content(canonical);
    if (!content.open(QIODevice::ReadOnly))
        return statusOnly(url, statusForbidden, QByteArrayLiteral("Forbidden"));
    if (content.size() > maxBytes)
        return tooLarge(url, maxBytes);
    // Read one byte beyond the bound: the file may grow while it is read.
    const QByteArray data = content.read(maxBytes + 1);
    if (data.size() > maxBytes)
        return tooLarge(url, maxBytes);
    return {data, HttpResponse{url, statusOk}, std::nullopt};
}

} // namespace lensdock
