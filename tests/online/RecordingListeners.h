#pragma once

#include "online/NetworkInterfaceDelegate.h"
#include "online/NetworkInterfaceNotificationDelegate.h"
#include "ResultLatch.h"

#include <QCryptographicHash>

// Listeners that record the calls arriving on the network thread; tests wait for them on their own.
struct FileDownloadCall {
    lensdock::NetworkFileType type;
    std::optional<QByteArray> data;
    std::optional<lensdock::NetworkError> error;
};

class RecordingNotificationListener : public lensdock::NetworkInterfaceNotificationDelegate,
                                      public ResultLatch<FileDownloadCall> {
public:
    void fileDownloadCompleted(lensdock::NetworkFileType type, const std::optional<QByteArray>& data,
                               const std::optional<lensdock::NetworkError>& error) override {
        add({type, data, error});
    }
};

// Firmware listener calls as text, in the order they came: "progress 0.25", "finished <digest of the
// data>", then "completed" or "completed <error domain> <code>".
class RecordingFirmwareListener : public lensdock::NetworkInterfaceDelegate, public ResultLatch<QString> {
public:
    static QString finishedWith(const QByteArray& data) {
        return "finished " + QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex();
    }
    void downloadProgress(double fraction) override { add("progress " + QString::number(fraction)); }
    void downloadFinished(const QByteArray& data) override { add(finishedWith(data)); }
    void downloadCompleted(const std::optional<lensdock::NetworkError>& error) override {
        add(error ? QStringLiteral("completed %1 %2").arg(error->domain).arg(error->code) : "completed");
    }
    QStringList waitForCompletion() {
        return waitUntil([](const QStringList& calls) { return !calls.filter("completed").isEmpty(); });
    }
};
