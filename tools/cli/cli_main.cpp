// lensdock-cli: the lens dock engine for scripts, batch work and headless machines.
#include "CliApp.h"
#include "InterruptGuard.h"

#include <csignal>
#include <cstring>
#include <memory>
#include <QGuiApplication>

namespace {
// Drawing the focus target sets text, which needs a GUI application; off screen, so that it runs
// on a machine without a display like every other command.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "calibrate") == 0) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            return std::make_unique<QGuiApplication>(argc, argv);
        }
    return std::make_unique<QCoreApplication>(argc, argv);
}
} // namespace

int main(int argc, char* argv[]) {
    const lensdock::cli::InterruptGuard interrupts; // before any other thread starts
    const auto app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdock-cli"));
    std::signal(SIGPIPE, SIG_IGN);
    return lensdock::cli::CliApp::run(QCoreApplication::arguments());
}
