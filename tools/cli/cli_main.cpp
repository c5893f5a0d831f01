// lensdock-cli: the lens dock engine for scripts, batch work and headless machines.
#include "CliApp.h"
#include "InterruptGuard.h"

#include <csignal>
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    const lensdock::cli::InterruptGuard interrupts; // before any other thread starts
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdock-cli"));
    std::signal(SIGPIPE, SIG_IGN);
    return lensdock::cli::CliApp::run(QCoreApplication::arguments());
}
