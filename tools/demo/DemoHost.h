#pragma once

#include "base/EventLoopThread.h"

#include <memory>
#include <QByteArray>
#include <QHash>
#include <QString>

class QHttpServer;

namespace lensdock {

// An HTTP server on 127.0.0.1 (an ephemeral port) answering each path in its table with the file
// stored there and everything else with 404. It runs on a thread of its own, so that it answers while
// the program's main thread waits for a download (the command-line tool does).
class DemoHost {
public:
    // `files`: path without the leading "/" -> content.
    explicit DemoHost(QHash<QString, QByteArray> files);
    ~DemoHost();
    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    // Starts listening; false, with the reason in `error`, when no port could be taken.
    bool start(QString* error);
    // "http://127.0.0.1:PORT"; empty before start().
    QString url() const;

private:
    const QHash<QString, QByteArray> files_;
    EventLoopThread thread_;
    std::unique_ptr<QHttpServer> server_; // created, used and destroyed on thread_
    quint16 port_ = 0;
};

} // namespace lensdock
