// lensdock-emulator: a virtual adapter and lens on a pseudo-terminal, steered from standard input.
#include "ControlCommand.h"
#include "DockEmulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <unistd.h>

using namespace lensdock;

namespace {
int g_wakePipe[2] = {-1, -1};
constexpr char wakeSignal = 's';
constexpr char wakeBareFinished = 'f';
std::mutex g_stdoutMutex;

void printLine(FILE* stream, const QString& line) {
    std::lock_guard lock(g_stdoutMutex);
    std::fputs(qPrintable(line + QLatin1Char('\n')), stream);
    std::fflush(stream);
}

void onSignal(int) {
    const char byte = wakeSignal;
    [[maybe_unused]] const ssize_t n = ::write(g_wakePipe[1], &byte, 1);
}

QString helpText() {
    QString text = QStringLiteral(
        "\nPrints \"ready PATH\" each time a pty is ready behind the link (at start and after every re-"
        "enumeration).\nThe adapter re-enumerates (pty closes, link vanishes, a new pty appears after "
        "the delay) after its self-reset command [00 FF] and after the EOT of an adapter firmware "
        "record.\n\nControl lines on standard input:\n");
    for (const QString& line : ControlCommand::help())
        text += QStringLiteral("  ") + line + QLatin1Char('\n');
    return text;
}

void addOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Symlink to create; it points at the current pty slave."),
         QStringLiteral("PATH")},
        {QStringLiteral("profile"),
         QStringLiteral(
             "Adapter and lens: a JSON file ({\"builtin\": NAME, \"adapter\": {...}, \"lens\": {...}}) "
             "or a built-in name: %1. Default zoom.")
             .arg(DockProfile::builtInNames().join(QStringLiteral(", "))),
         QStringLiteral("FILE.json|NAME")},
        {QStringLiteral("no-lens"), QStringLiteral("Start with no lens mounted.")},
        {QStringLiteral("baud"),
         QStringLiteral("Pace both directions at N baud, 8N1 (wire time). Default unpaced."),
         QStringLiteral("N")},
        {QStringLiteral("trace"), QStringLiteral("Record every unit on the wire, in hex, with a timestamp."),
         QStringLiteral("FILE")},
        {QStringLiteral("xmodem-receive"),
         QStringLiteral("Bare XMODEM-1K receiver: send C, store what a plain sender (sx -k) sends, print "
                        "\"received N FILE\" and exit."),
         QStringLiteral("FILE")},
        {QStringLiteral("reenumeration-delay"),
         QStringLiteral("Milliseconds the adapter stays away after a reset. Default 2000."),
         QStringLiteral("MS")},
        {QStringLiteral("split-delay"),
         QStringLiteral("Milliseconds between the chunks of a split reply. Default 20."),
         QStringLiteral("MS")},
    });
}

bool loadProfile(const QString& value, DockProfile& profile, QString& error) {
    if (const auto builtIn = DockProfile::builtIn(value)) {
        profile = *builtIn;
        return true;
    }
    QFile file(value);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read profile %1: %2").arg(value, file.errorString());
        return false;
    }
    const auto parsed = DockProfile::fromJson(file.readAll(), &error);
    if (parsed)
        profile = *parsed;
    return parsed.has_value();
}

bool readNumber(const QCommandLineParser& parser, const char* name, int min, int& target, QString& error) {
    if (!parser.isSet(QLatin1String(name)))
        return true;
    bool ok = false;
    const int value = parser.value(QLatin1String(name)).toInt(&ok);
    if (!ok || value < min) {
        error = QStringLiteral("--%1 needs a whole number of at least %2").arg(QLatin1String(name)).arg(min);
        return false;
    }
    target = value;
    return true;
}

bool readOptions(const QCommandLineParser& parser, DockEmulatorOptions& options, QString& error) {
    options.linkPath = parser.value(QStringLiteral("link"));
    if (options.linkPath.isEmpty()) {
        error = QStringLiteral("--link PATH is required (see --help)");
        return false;
    }
    if (parser.isSet(QStringLiteral("profile")) &&
        !loadProfile(parser.value(QStringLiteral("profile")), options.profile, error))
        return false;
    options.lensMounted = !parser.isSet(QStringLiteral("no-lens"));
    options.tracePath = parser.value(QStringLiteral("trace"));
    options.xmodemReceiveFile = parser.value(QStringLiteral("xmodem-receive"));
    int delay = int(options.reenumerationDelay.count());
    int split = int(options.splitChunkDelay.count());
    if (!readNumber(parser, "baud", 1, options.baud, error) ||
        !readNumber(parser, "reenumeration-delay", 0, delay, error) ||
        !readNumber(parser, "split-delay", 0, split, error))
        return false;
    options.reenumerationDelay = std::chrono::milliseconds(delay);
    options.splitChunkDelay = std::chrono::milliseconds(split);
    return true;
}

// Handles complete lines from standard input; false when the emulator should end.
bool handleInput(DockEmulator& emulator, QByteArray& pending, bool& inputOpen) {
    char chunk[1024];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        inputOpen = n < 0 && (errno == EINTR || errno == EAGAIN);
        return true;
    }
    pending.append(chunk, n);
    qsizetype end;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending.left(end));
        pending.remove(0, end + 1);
        const ControlCommand::Outcome outcome = ControlCommand::apply(emulator, line);
        if (!outcome.error.isEmpty())
            printLine(stderr, QStringLiteral("lensdock-emulator: ") + outcome.error);
        if (!outcome.output.isEmpty())
            printLine(stdout, outcome.output);
        if (outcome.quit)
            return false;
    }
    return true;
}

// Waits for control lines, a signal or the end of a bare transfer. Without input, only the last two.
void serve(DockEmulator& emulator, bool bareMode) {
    QByteArray pending;
    bool inputOpen = true;
    while (true) {
        pollfd fds[2] = {{g_wakePipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, inputOpen ? 2 : 1, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            char reason = 0;
            if (::read(g_wakePipe[0], &reason, 1) == 1 &&
                (reason == wakeSignal || (bareMode && reason == wakeBareFinished)))
                return;
        }
        if (inputOpen && (fds[1].revents & (POLLIN | POLLHUP)) && !handleInput(emulator, pending, inputOpen))
            return;
    }
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdock-emulator"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual lens dock (adapter and lens) on a pseudo-terminal.") + helpText());
    parser.addHelpOption();
    addOptions(parser);
    parser.process(app);

    DockEmulatorOptions options;
    QString error;
    if (!readOptions(parser, options, error)) {
        printLine(stderr, QStringLiteral("lensdock-emulator: ") + error);
        return 2;
    }
    if (pipe2(g_wakePipe, O_CLOEXEC) != 0)
        return 1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    DockEmulator emulator(options);
    emulator.setReadyHandler([](const QString& path) { printLine(stdout, QStringLiteral("ready ") + path); });
    emulator.setProblemHandler(
        [](const QString& message) { printLine(stderr, QStringLiteral("lensdock-emulator: ") + message); });
    emulator.setBareFinishedHandler([&options](qsizetype bytes) {
        printLine(stdout, QStringLiteral("received %1 %2").arg(bytes).arg(options.xmodemReceiveFile));
        const char byte = wakeBareFinished;
        [[maybe_unused]] const ssize_t n = ::write(g_wakePipe[1], &byte, 1);
    });
    if (!emulator.start(&error)) {
        printLine(stderr, QStringLiteral("lensdock-emulator: ") + error);
        return 1;
    }
    serve(emulator, !options.xmodemReceiveFile.isEmpty());
    emulator.stop();
    return 0;
}
