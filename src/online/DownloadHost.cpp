#include "online/DownloadHost.h"

#include <QCommandLineOption>
#include <QDir>
#include <QHostAddress>

namespace lensdock {

namespace {

const QString optionName = QStringLiteral("download-url");
const QString fileScheme = QStringLiteral("file");

#ifndef LENSDOCK_BUILT_IN_DOWNLOAD_URL
#define LENSDOCK_BUILT_IN_DOWNLOAD_URL "https://download.lensdock.example"
#endif

std::optional<DownloadHost> fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return std::nullopt;
}

// file://localhost/path names the same folder as file:///path (Qt would read it as a share).
QString localPathOf(const QUrl& url) {
    QUrl local = url;
    local.setHost(QString());
    return local.toLocalFile();
}

QString unacceptableFolderPartOf(const QUrl& url) {
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
        return QStringLiteral("a file URL names a folder on this computer (file:///path)");
    if (url.hasQuery() || url.hasFragment())
        return QStringLiteral("a query or fragment is not allowed");
    if (!QDir::isAbsolutePath(localPathOf(url)))
        return QStringLiteral("the folder must be an absolute path");
    return {};
}

QString unacceptablePartOf(const QUrl& url) {
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return QStringLiteral("the scheme must be http, https or file");
    if (url.host().isEmpty())
        return QStringLiteral("a host is required");
    if (!url.userInfo().isEmpty())
        return QStringLiteral("user information is not allowed");
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        return QStringLiteral("a path is not allowed");
    if (url.hasQuery() || url.hasFragment())
        return QStringLiteral("a query or fragment is not allowed");
    return {};
}

} // namespace

DownloadHost::DownloadHost() {
    if (const auto configured = fromUrl(builtInUrl())) {
        *this = *configured;
        return;
    }
    base_.setScheme(protocolName);
    base_.setHost(hostName);
}

QString DownloadHost::builtInUrl() {
    return QStringLiteral(LENSDOCK_BUILT_IN_DOWNLOAD_URL);
}

std::optional<DownloadHost> DownloadHost::fromFolderUrl(const QUrl& url, QString* error) {
    const QString problem = unacceptableFolderPartOf(url);
    if (!problem.isEmpty())
        return fail(error, QStringLiteral("Invalid download URL \"%1\": %2").arg(url.toString(), problem));
    QString folder = QDir::cleanPath(localPathOf(url));
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return DownloadHost(QUrl::fromLocalFile(folder), folder);
}

std::optional<DownloadHost> DownloadHost::fromUrl(const QString& url, QString* error) {
    // Folder paths may hold spaces and other characters a strict URL would refuse.
    const QUrl tolerant(url, QUrl::TolerantMode);
    if (tolerant.isValid() && tolerant.scheme() == fileScheme)
        return fromFolderUrl(tolerant, error);
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return fail(error, QStringLiteral("Invalid download URL \"%1\": %2").arg(url, parsed.errorString()));
    const QString problem = unacceptablePartOf(parsed);
    if (!problem.isEmpty())
        return fail(error, QStringLiteral("Invalid download URL \"%1\": %2").arg(url, problem));
    QUrl base;
    base.setScheme(parsed.scheme());
    base.setHost(parsed.host());
    base.setPort(parsed.port());
    return DownloadHost(base);
}

QCommandLineOption DownloadHost::commandLineOption() {
    return QCommandLineOption(optionName,
                              QStringLiteral("Download catalogues, pictures and firmware from URL "
                                             "(scheme, host and port, or file:///folder) instead of "
                                             "the configured host."),
                              QStringLiteral("URL"));
}

QString DownloadHost::toString() const {
    return base_.toString();
}

bool DownloadHost::isLiteralAddress() const {
    return !QHostAddress(base_.host()).isNull();
}

QUrl DownloadHost::address(const QString& relativePath) const {
    if (isFolder())
        return QUrl::fromLocalFile(QDir(folder_).filePath(relativePath));
    QUrl url = base_;
    url.setPath(QLatin1Char('/') + relativePath);
    return url;
}

} // namespace lensdock
