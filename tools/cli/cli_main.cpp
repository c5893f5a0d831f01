// lensdock-cli: the lens dock engine for scripts, batch work and headless machines.
#include "CliApp.h"

#include <csignal>
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdock-cli"));
    std::signal(SIGPIPE, SIG_IGN);
    return lensdock::cli::CliApp::run(QCoreApplication::arguments());
}
