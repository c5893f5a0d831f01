#pragma once

#include <optional>
#include <QString>
#include <QUrl>

class QCommandLineOption;
class QCommandLineParser;

namespace lensdock {

// Scheme, host and port of every download address. The default is the maker's host over HTTPS;
// `--download-url URL` (GUI and command-line tool alike) replaces all three for tests, demos and
// mirrors. The path of every address comes from `ResourcePaths`.
class DownloadHost {
public:
    static inline const QString protocolName = QStringLiteral("https");
    static inline const QString hostName = QStringLiteral("download.lensdock.example");

    // The maker's host.
    DownloadHost();

    // Accepts an http or https URL with a host and optionally a port, and nothing else (no user,
    // path other than "/", query or fragment); otherwise nothing, with the reason in `error`.
    static std::optional<DownloadHost> fromUrl(const QString& url, QString* error = nullptr);

    static QCommandLineOption commandLineOption();
    // The host named by `--download-url`, the maker's host when the option is absent, or nothing
    // (with the reason) when its value is not acceptable.
    static std::optional<DownloadHost> fromCommandLine(const QCommandLineParser& parser,
                                                       QString* error = nullptr);

    QString scheme() const { return base_.scheme(); }
    QString host() const { return base_.host(); }
    int port() const { return base_.port(); }
    // True when the host is written as an IP address rather than a name.
    bool isLiteralAddress() const;

    // Scheme "://" host [":" port] "/" relativePath.
    QUrl address(const QString& relativePath) const;

    friend bool operator==(const DownloadHost&, const DownloadHost&) = default;

private:
    explicit DownloadHost(QUrl base) : base_(std::move(base)) {}

    QUrl base_;
};

} // namespace lensdock
