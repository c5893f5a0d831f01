#include "Diagnostics.h"

#include "CommandOutput.h"

#include <atomic>
#include <cstdio>

namespace lensdock::cli {

namespace {
std::atomic<bool> g_verbose{false};

void writeLine(const QString& line) {
    CommandOutput::write(stderr, line + QLatin1Char('\n'));
}

void qtMessage(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (g_verbose)
        writeLine(QStringLiteral("Qt: ") + message);
}
} // namespace

Diagnostics::Diagnostics(bool verbose) {
    g_verbose = verbose;
    previousSink_ = Logger::setSink([verbose](const QString& line) {
        if (verbose)
            writeLine(line);
    });
    previousHandler_ = qInstallMessageHandler(qtMessage);
}

Diagnostics::~Diagnostics() {
    qInstallMessageHandler(previousHandler_);
    Logger::setSink(std::move(previousSink_));
}

} // namespace lensdock::cli
