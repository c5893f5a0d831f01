#include "DemoSession.h"

#include "DemoDownloads.h"
#include "DemoHost.h"

#include <QDir>

namespace lensdock {

DemoSession::Options::Options() {
    dock.profile = DockProfile::zoomLens();
    // Paced like a real adapter's link, so that a firmware transfer shows its progress.
    dock.baud = 115200;
}

DemoSession::DemoSession(Options options)
    : options_(std::move(options)), folder_(QDir::tempPath() + QStringLiteral("/lensdock-demo-XXXXXX")) {}

DemoSession::~DemoSession() {
    host_.reset();
    if (dock_)
        dock_->stop();
}

bool DemoSession::start(QString* error) {
    if (!folder_.isValid()) {
        *error = QStringLiteral("no temporary folder for the demo: %1").arg(folder_.errorString());
        return false;
    }
    const auto files = DemoDownloads::files(options_.dock.profile, options_.firmwareBytes, error);
    if (!files)
        return false;
    host_ = std::make_unique<DemoHost>(*files);
    if (!host_->start(error))
        return false;
    DockEmulatorOptions dockOptions = options_.dock;
    dockOptions.linkPath = folder_.filePath(QStringLiteral("dock"));
    dock_ = std::make_unique<DockEmulator>(dockOptions);
    dock_->setProblemHandler([](const QString& message) { qWarning("demo dock: %s", qPrintable(message)); });
    return dock_->start(error);
}

AppOptions DemoSession::appOptions(AppOptions options) const {
    options.portOverride = dock_->linkPath();
    options.downloadHost = *DownloadHost::fromUrl(host_->url());
    options.downloadHostSource = DownloadHostSource::demo;
    return options;
}

QString DemoSession::libraryFolder() const {
    return folder_.filePath(QStringLiteral("library"));
}

QCommandLineOption DemoSession::commandLineOption() {
    return QCommandLineOption(QStringLiteral("demo"),
                              QStringLiteral("Demo: an emulated dock with a lens and a local download host "
                                             "inside the program; no hardware or network needed."));
}

} // namespace lensdock
