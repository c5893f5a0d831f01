#include "Diagnostics.h"

#include <atomic>
#include <cstdio>

namespace lensdock::cli {

namespace {
std::atomic<bool> g_verbose{false};

void writeLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
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
