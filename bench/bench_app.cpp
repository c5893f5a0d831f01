// The desktop program in demo mode, in one run: time from process start to the first painted window
// and to the connected lens screen, CPU use while idle and connected, and peak resident memory.
//   bench_app [--idle-seconds N] [--program PATH]
// Runs offscreen unless a display is set. The program reports its moments with --time-marks; the
// times here are taken on this side, from just before the process is started.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <unistd.h>

namespace {
constexpr int startBoundMs = 60000;

struct Marks {
    std::optional<qint64> windowShownMs;
    std::optional<qint64> lensScreenMs;
};

// Reads the program's standard error until the lens screen is marked (or the bound passes).
Marks waitForMarks(QProcess& program, const QElapsedTimer& clock) {
    Marks marks;
    QByteArray pending;
    while (!marks.lensScreenMs && clock.elapsed() < startBoundMs && program.state() == QProcess::Running) {
        program.waitForReadyRead(100);
        pending += program.readAllStandardError();
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("lensdock: mark window-shown"))
                marks.windowShownMs = clock.elapsed();
            else if (line.startsWith("lensdock: mark lens-screen"))
                marks.lensScreenMs = clock.elapsed();
        }
    }
    return marks;
}

// User plus system time of a process, in clock ticks (/proc/PID/stat fields 14 and 15).
std::optional<qint64> cpuTicks(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = file.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

std::optional<qint64> peakResidentKiB(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return std::nullopt;
}

std::optional<double> idleCpuPercent(qint64 pid, int seconds) {
    const auto before = cpuTicks(pid);
    QElapsedTimer clock;
    clock.start();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const auto after = cpuTicks(pid);
    if (!before || !after)
        return std::nullopt;
    const double cpuSeconds =
        static_cast<double>(*after - *before) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return 100.0 * cpuSeconds / (static_cast<double>(clock.elapsed()) / 1000.0);
}

void printFigure(const char* what, std::optional<double> value, const char* unit, const char* target) {
    if (value)
        std::printf("%-38s %8.2f %-3s (target %s)\n", what, *value, unit, target);
    else
        std::printf("%-38s %8s %-3s (target %s)\n", what, "n/a", "", target);
}

std::optional<double> asDouble(std::optional<qint64> value, double scale = 1.0) {
    return value ? std::optional<double>(static_cast<double>(*value) / scale) : std::nullopt;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({{QStringLiteral("idle-seconds"), QStringLiteral("Idle measurement (default 30)."),
                        QStringLiteral("N"), QStringLiteral("30")},
                       {QStringLiteral("program"), QStringLiteral("The lensdock program."),
                        QStringLiteral("PATH"), QStringLiteral(LENSDOCK_PROGRAM)}});
    parser.process(app);
    const int idleSeconds = std::max(1, parser.value(QStringLiteral("idle-seconds")).toInt());

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("DISPLAY")) &&
        !environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QElapsedTimer clock;
    clock.start();
    program.start(parser.value(QStringLiteral("program")),
                  {QStringLiteral("--demo"), QStringLiteral("--time-marks")});
    if (!program.waitForStarted(startBoundMs)) {
        std::fprintf(stderr, "bench_app: %s\n", qPrintable(program.errorString()));
        return 1;
    }
    const Marks marks = waitForMarks(program, clock);
    const qint64 pid = program.processId();
    // The lens screen is shown; the update offer waits for an answer: the program is idle.
    const auto idle = marks.lensScreenMs ? idleCpuPercent(pid, idleSeconds) : std::nullopt;
    const auto peak = peakResidentKiB(pid);
    program.terminate(); // the program quits in order on SIGTERM
    if (!program.waitForFinished(startBoundMs))
        program.kill();

    std::printf("lensdock --demo, one run\n");
    printFigure("start to first window", asDouble(marks.windowShownMs, 1000.0), "s", "< 0.5 s");
    printFigure("start to connected lens screen", asDouble(marks.lensScreenMs, 1000.0), "s", "< 2 s");
    const QByteArray idleLabel = QStringLiteral("idle CPU while connected (%1 s)").arg(idleSeconds).toUtf8();
    printFigure(idleLabel.constData(), idle, "%", "< 1 % of one core");
    printFigure("peak resident memory (VmHWM)", asDouble(peak, 1024.0), "MB", "< 120 MB");
    return marks.lensScreenMs ? 0 : 1;
}
