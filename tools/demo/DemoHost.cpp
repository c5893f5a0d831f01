#include "DemoHost.h"

#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

namespace lensdock {

DemoHost::DemoHost(QHash<QString, QByteArray> files) : files_(std::move(files)) {}

DemoHost::~DemoHost() {
    thread_.run([this] { server_.reset(); });
}

bool DemoHost::start(QString* error) {
    thread_.run([this] {
        server_ = std::make_unique<QHttpServer>();
        // Every request goes through the table; no route is registered.
        server_->setMissingHandler(
            [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                const auto file = files_.constFind(request.url().path().mid(1));
                if (file == files_.cend())
                    responder.write(QHttpServerResponder::StatusCode::NotFound);
                else
                    responder.write(*file, "application/octet-stream");
            });
        port_ = server_->listen(QHostAddress::LocalHost, 0);
    });
    if (port_ != 0)
        return true;
    *error = QStringLiteral("the demo download host could not listen on 127.0.0.1");
    return false;
}

QString DemoHost::url() const {
    return port_ == 0 ? QString() : QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

} // namespace lensdock
