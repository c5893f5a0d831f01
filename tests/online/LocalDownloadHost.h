#pragma once

#include "online/DownloadHost.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real HTTP(S) server process on 127.0.0.1 serving the files put into its own temporary folder
// (see download_host.py for the names that behave specially). Stopped when it goes.
class LocalDownloadHost {
public:
    enum class Tls { none, trusted, untrusted };

    explicit LocalDownloadHost(Tls tls = Tls::none);
    ~LocalDownloadHost();
    LocalDownloadHost(const LocalDownloadHost&) = delete;
    LocalDownloadHost& operator=(const LocalDownloadHost&) = delete;

    // Starts the server; false (with the reason in `error`) when it did not come up.
    bool start(QString* error);
    void put(const QString& relativePath, const QByteArray& content);
    QString url() const;
    lensdock::DownloadHost downloadHost() const;
    QString rootPath() const { return root_.path(); }

    // The test CA that signs the "trusted" server's certificate.
    static QString caCertificatePath();

private:
    Tls tls_;
    QTemporaryDir root_;
    QProcess process_;
    int port_ = 0;
};
