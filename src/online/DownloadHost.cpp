#include "online/DownloadHost.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QHostAddress>

namespace lensdock {

namespace {

const QString optionName = QStringLiteral("download-url");

std::optional<DownloadHost> fail(QString* error, const QString& reason) {
    if (error)
        *error = reason;
    return std::nullopt;
}

QString unacceptablePartOf(const QUrl& url) {
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return QStringLiteral("the scheme must be http or https");
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
    base_.setScheme(protocolName);
    base_.setHost(hostName);
}

std::optional<DownloadHost> DownloadHost::fromUrl(const QString& url, QString* error) {
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
                                             "(scheme, host and port) instead of the maker's host."),
                              QStringLiteral("URL"));
}

std::optional<DownloadHost> DownloadHost::fromCommandLine(const QCommandLineParser& parser, QString* error) {
    if (!parser.isSet(optionName))
        return DownloadHost();
    return fromUrl(parser.value(optionName), error);
}

bool DownloadHost::isLiteralAddress() const {
    return !QHostAddress(base_.host()).isNull();
}

QUrl DownloadHost::address(const QString& relativePath) const {
    QUrl url = base_;
    url.setPath(QLatin1Char('/') + relativePath);
    return url;
}

} // namespace lensdock
