#pragma once

#include <optional>
#include <QString>
#include <QUrl>

class QCommandLineOption;

namespace lensdock {

// Scheme, host and port of every download address, or a local folder laid out like the host (a
// file:// URL: an update kit or a mirror on a disk). The default is the host chosen when the program
// was built; `DownloadHostSetting` decides which host a run uses. The path of every address comes
// from `ResourcePaths`.
class DownloadHost {
public:
    static inline const QString protocolName = QStringLiteral("https");
    static inline const QString hostName = QStringLiteral("download.lensdock.example");

    // The host chosen at build time; the maker's host when that choice is unusable.
    DownloadHost();

    // Accepts an http or https URL with a host and optionally a port, and nothing else (no user,
    // path other than "/", query or fragment), or a file URL of an absolute folder path (no host
    // other than "localhost", no query or fragment); otherwise nothing, with the reason in `error`.
    static std::optional<DownloadHost> fromUrl(const QString& url, QString* error = nullptr);
    static QString builtInUrl();

    static QCommandLineOption commandLineOption();

    QString scheme() const { return base_.scheme(); }
    // True for a file:// host; `folder()` is then its absolute path without a trailing separator.
    bool isFolder() const { return !folder_.isEmpty(); }
    QString folder() const { return folder_; }
    // The URL as a user would write it.
    QString toString() const;
    QString host() const { return base_.host(); }
    int port() const { return base_.port(); }
    // True when the host is written as an IP address rather than a name.
    bool isLiteralAddress() const;

    // Scheme "://" host [":" port] "/" relativePath.
    QUrl address(const QString& relativePath) const;

    friend bool operator==(const DownloadHost&, const DownloadHost&) = default;

private:
    explicit DownloadHost(QUrl base, QString folder = QString())
        : base_(std::move(base)), folder_(std::move(folder)) {}
    static std::optional<DownloadHost> fromFolderUrl(const QUrl& url, QString* error);

    QUrl base_;
    QString folder_;
};

} // namespace lensdock
