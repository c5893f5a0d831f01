#pragma once

#include <QString>
#include <QUrl>

namespace lensdock {

// Why a download failed. Transport errors keep Qt's code under `platformDomain`; the download
// service adds its own domains for bad replies and refused requests.
struct NetworkError {
    QString domain;
    int code = 0;
    QString description;
    QUrl failingUrl;

    static inline const QString platformDomain = QStringLiteral("QNetworkReply");
    static inline const QString emptyDataDomain = QStringLiteral("DATA SIZE ERROR 0 Byte");
    static inline const QString tooLargeDomain = QStringLiteral("DATA SIZE ERROR too large");
    static inline const QString refusedNameDomain = QStringLiteral("INVALID RESOURCE NAME");
    static inline const QString noResponseDomain = QStringLiteral("NO RESPONSE");

    static QString httpDomain(int status) { return QStringLiteral("HTTP ERROR %1").arg(status); }

    bool isTimeout() const;
};

} // namespace lensdock
