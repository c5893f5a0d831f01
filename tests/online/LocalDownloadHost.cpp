#include "LocalDownloadHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
constexpr int startBoundMs = 20000;
constexpr int stopBoundMs = 5000;
const QString certDir = QStringLiteral(LENSDOCK_TEST_CERT_DIR);
} // namespace

LocalDownloadHost::LocalDownloadHost(Tls tls) : tls_(tls) {}

LocalDownloadHost::~LocalDownloadHost() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(stopBoundMs);
    }
}

bool LocalDownloadHost::start(QString* error) {
    QStringList arguments{QStringLiteral(LENSDOCK_DOWNLOAD_HOST_SCRIPT), QStringLiteral("--root"),
                          root_.path()};
    if (tls_ != Tls::none) {
        const QString name = tls_ == Tls::trusted ? QStringLiteral("server") : QStringLiteral("untrusted");
        arguments << QStringLiteral("--cert") << certDir + QLatin1Char('/') + name + QStringLiteral(".pem")
                  << QStringLiteral("--key") << certDir + QLatin1Char('/') + name + QStringLiteral(".key");
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(LENSDOCK_PYTHON), arguments);
    while (!process_.canReadLine() && process_.waitForReadyRead(startBoundMs)) {
    }
    port_ = QString::fromLatin1(process_.readLine()).trimmed().toInt();
    if (port_ > 0)
        return true;
    *error = QStringLiteral("download host did not start: %1").arg(process_.errorString());
    return false;
}

void LocalDownloadHost::put(const QString& relativePath, const QByteArray& content) {
    const QString path = root_.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString LocalDownloadHost::url() const {
    const QString scheme = tls_ == Tls::none ? QStringLiteral("http") : QStringLiteral("https");
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port_);
}

lensdock::DownloadHost LocalDownloadHost::downloadHost() const {
    return *lensdock::DownloadHost::fromUrl(url());
}

QString LocalDownloadHost::caCertificatePath() {
    return certDir + QStringLiteral("/ca.pem");
}
