#include "CliApp.h"

#include "base/Logger.h"
#include "CommandHelp.h"
#include "Commands.h"
#include "DemoSession.h"
#include "Diagnostics.h"
#include "InterruptGuard.h"
#include "online/DownloadHostSetting.h"

#include <cstdio>

namespace lensdock::cli {

namespace {
using Runner = std::optional<Failure> (*)(CommandEnv&);

Runner runnerFor(const QString& command) {
    if (command == QStringLiteral("info"))
        return runInfo;
    if (command == QStringLiteral("read"))
        return runRead;
    if (command == QStringLiteral("apply"))
        return runApply;
    if (command == QStringLiteral("factory-reset"))
        return runFactoryReset;
    if (command == QStringLiteral("check-update"))
        return runCheckUpdate;
    if (command == QStringLiteral("backups"))
        return runBackups;
    if (command == QStringLiteral("restore"))
        return runRestore;
    if (command == QStringLiteral("profile"))
        return runProfile;
    if (command == QStringLiteral("kit"))
        return runKit;
    return runUpdate;
}

std::optional<Failure> runWith(const CliOptions& options, CommandOutput& out) {
    Logger::trace(QStringLiteral("Network"),
                  QStringLiteral("Download host %1 (from the %2)")
                      .arg(options.app.downloadHost.toString(),
                           DownloadHostSetting::sourceName(options.app.downloadHostSource)));
    const Confirmation confirmation(options.yes);
    AppContext context(options.app);
    // Gone before the context, whose connection thread reports to the flows until they leave it.
    DeviceFlows device(context, confirmation, DeviceFlows::timingFor(options.app, options.lensWait),
                       options.store());
    CommandEnv env{options, context, device, out, confirmation};
    // A signal ends the command's waits; the thread releases the lens and ends meanwhile.
    const InterruptGuard::OnInterrupt release(
        [&context] { context.connectionThread().requestState(ApplicationState::terminating); });
    std::optional<Failure> failure = runnerFor(options.command)(env);
    device.terminate();
    return failure;
}

// The command against the devices the options name, or against the demo's.
std::optional<Failure> runWithDevices(const CliOptions& options, CommandOutput& out) {
    if (!options.demo)
        return runWith(options, out);
    DemoSession demo; // outlives the context, whose thread uses its port
    QString error;
    if (!demo.start(&error))
        return Failure{ExitCode::noAdapter, QStringLiteral("the demo could not start: %1").arg(error)};
    CliOptions demoOptions = options;
    demoOptions.app = demo.appOptions(options.app);
    demoOptions.libraryFolder = demo.libraryFolder();
    auto failure = runWith(demoOptions, out);
    // The demo's folder goes with it: a path printed above does not outlive this run.
    const QStringList keeping{QStringLiteral("apply"), QStringLiteral("factory-reset"),
                              QStringLiteral("restore"), QStringLiteral("profile"),
                              QStringLiteral("backups")};
    if (!failure && keeping.contains(options.command)) {
        out.lines({QStringLiteral("The demo keeps profiles and backups in %1 only until it ends.")
                       .arg(demo.libraryFolder())});
        out.set(QStringLiteral("demoFolderRemoved"), true);
    }
    return failure;
}

void printHelp(const CliOptions& options) {
    const QString text =
        options.command.isEmpty() ? CommandHelp::generalHelp() : CommandHelp::commandHelp(options.command);
    CommandOutput::write(stdout, text);
}

void printVersion() {
    CommandOutput::write(stdout, QStringLiteral("lensdock-cli " LENSDOCK_VERSION "\n"));
}
} // namespace

int CliApp::run(const QStringList& arguments) {
    Failure usage;
    const auto options = parseCommandLine(arguments, &usage);
    if (!options) {
        CommandOutput::printError(stderr, usage.message);
        return int(usage.code);
    }
    if (options->help) {
        printHelp(*options);
        return int(ExitCode::ok);
    }
    if (options->version) {
        printVersion();
        return int(ExitCode::ok);
    }
    const Diagnostics diagnostics(options->verbose);
    CommandOutput out(options->json, options->command);
    std::optional<Failure> failure = options->command == QStringLiteral("decode") ? runDecode(*options, out)
                                     : options->command == QStringLiteral("calibrate")
                                         ? runCalibrate(*options, out)
                                         : runWithDevices(*options, out);
    if (const int signal = InterruptGuard::interrupted())
        failure = Failure{ExitCode(128 + signal), QStringLiteral("interrupted")};
    out.finish(failure);
    return int(failure ? failure->code : ExitCode::ok);
}

} // namespace lensdock::cli
