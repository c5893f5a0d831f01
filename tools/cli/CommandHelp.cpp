#include "CommandHelp.h"

#include "calibration/TargetLayout.h"
#include "CliOptions.h"
#include "Commands.h"
#include "online/ResourcePaths.h"

namespace lensdock::cli {

namespace {
// What a command accepts besides the global options.
struct ArgumentRule {
    int minArguments;
    int maxArguments;
    bool output;
    bool dryRun;
    bool key;
};

struct CommandText {
    const char* name;
    const char* synopsis;
    ArgumentRule rule;
    const char* summary;
    const char* details;
};

// clang-format off
const CommandText commands[] = {
    {"info", "info", {0, 0, false, false, false},
     "Show the dock and the lens: versions, mount, capabilities and ranges.",
     "Connects the lens, reads its identity and releases it again. Works offline; when the download\n"
     "host is reachable the lens catalogue adds the lens's name.\n"},
    {"read", "read [--output FILE.vlad]", {0, 0, true, false, false},
     "Show the lens's current settings; optionally save them as an adjust-data file.",
     "  --output FILE   save the settings as an adjust-data file (\".vlad\" is appended when missing),\n"
     "                  replacing FILE as a whole, exactly as the desktop program saves it.\n"},
    {"apply", "apply FILE.vlad [--dry-run]", {1, 1, false, true, false},
     "Write the settings of an adjust-data file to the lens and verify them.",
     "The file must have the extension \".vlad\" and be saved from a lens of the same model. Settings\n"
     "the file leaves empty take the lens's factory values; out-of-range values are corrected. The\n"
     "differences between the lens and the file are printed, then (after confirmation unless --yes)\n"
     "the settings are written, read back and compared.\n"
     "  --dry-run       print the differences and stop; nothing is written.\n"},
    {"factory-reset", "factory-reset", {0, 0, false, false, false},
     "Restore the lens's factory settings and verify them.",
     "Asks for confirmation unless --yes.\n"},
    {"check-update", "check-update [dock|lens]", {0, 1, false, false, false},
     "Compare the dock's and the lens's firmware with the download host's catalogues.",
     "Needs the download host. Only the first two digits of a version count; a dock reporting\n"
     "\"ff\" has no valid firmware and always needs an update. With \"dock\" no lens is needed.\n"
     "\"adapter\" is accepted for \"dock\"; in --json output the dock's key stays \"adapter\".\n"},
    {"update", "update dock|lens", {1, 1, false, false, false},
     "Download, decode and install the latest firmware into the dock or the lens.",
     "Needs the download host. Asks for confirmation unless --yes. Shows a progress bar on a terminal\n"
     "and plain progress lines otherwise. Do not unplug the dock or remove the lens meanwhile.\n"
     "A lens update leaves the lens with its factory settings; the settings it held are backed up\n"
     "first (see backups). \"adapter\" is accepted for \"dock\".\n"
     "  --keep-settings  after a lens update, write the backed-up settings back and verify them.\n"},
    {"backups", "backups", {0, 0, false, false, false},
     "List the backups of the mounted lens's settings, newest first.",
     "A backup of what the lens holds is saved before every write and every lens firmware update;\n"
     "the newest 50 per lens are kept.\n"},
    {"restore", "restore BACKUP", {1, 1, false, true, false},
     "Write a backup (its path, or its file name from \"backups\") back to the lens and verify it.",
     "Like apply, with the same confirmation and --dry-run.\n"},
    {"profile", "profile list|save NAME|apply NAME|delete NAME", {1, 2, false, true, false},
     "Named settings of the mounted lens, e.g. one per camera body.",
     "  list            the lens's profiles\n"
     "  save NAME       save the settings the lens holds now as the profile NAME (replacing it)\n"
     "  apply NAME      write the profile to the lens, like apply (confirmation, --dry-run)\n"
     "  delete NAME     delete the profile\n"},
    {"kit", "kit DIR [--for MODEL]... [--mount MOUNT]", {1, 1, false, false, false},
     "Download into DIR everything an update of this dock and lens needs, for a computer offline.",
     "Asks the dock for its mount and the mounted lens for its model, then downloads into DIR, in the\n"
     "download host's own layout, both catalogues, the lens's pictures and the latest dock and lens\n"
     "firmware (not a file the connected device already runs). Every firmware file is checked to\n"
     "decipher with its catalogue's key before it is kept.\n"
     "Prints each file written and the total size. On the other computer:\n"
     "  lensdock-cli --download-url file:///path/to/DIR update lens   (or update dock)\n"
     "  lensdock --download-url file:///path/to/DIR\n"
     "  --for MODEL     a lens model code (as \"info\" shows it) to put into the kit instead of the\n"
     "                  mounted lens; repeat it for more lenses. No lens needs to be mounted.\n"
     "  --mount MOUNT   the mount of the --for lenses: Canon, Nikon or SONY (default: the dock's).\n"},
    {"calibrate", "calibrate target [--paper A4|A3|Letter] --output FILE.pdf [--png FILE [--dpi N]] [--json FILE]\n"
     "  lensdock-cli [OPTIONS] calibrate measure SHOT...", {1, 100000, true, false, false},
     "Print the focus target, or measure front and back focus from photos of it.",
     "No dock is needed. \"target\" draws the target on landscape paper (A4 unless --paper) as a PDF,\n"
     "and with --png also as a PNG at --dpi (default 300, 72 to 1200); --json FILE writes its geometry\n"
     "in millimetres. Print it at 100 %, stand it at about 45° to the camera, its left side nearer,\n"
     "focus on the left edge of the black patch from 25 to 50 times the focal length, and shoot.\n"
     "\"measure\" reads JPEG, PNG, TIFF and raw files (DNG and others LibRaw knows) and prints, for\n"
     "each shot, where along the target focus is best, the focus error along the camera axis with its\n"
     "5-95 % interval, and the verdict (front focus, back focus, or in focus: within a tenth of the\n"
     "depth of field), or why the shot was refused. Shots are measured on all cores. The exit status is\n"
     "7 when any shot was refused. --json gives per shot: file, focalLength_mm, body,\n"
     "peakAlongTarget_mm, focusError_mm (negative: front focus), interval_mm, verdict, reason.\n"},
    {"decode", "decode FILE.vfwf --key HEX --output FILE.dec", {1, 1, true, false, true},
     "Decode an enciphered firmware file offline, for diagnosis.",
     "  --key HEX       the decode key from the catalogue.\n"
     "  --output FILE   the decoded firmware; written only when decoding succeeds.\n"},
};
// clang-format on

const char* const globalOptions =
    "Options:\n"
    "  --port PATH          use the serial device PATH instead of searching for the dock\n"
    "  --download-url URL   download host (https://host[:port], e.g. a mirror) or a folder laid\n"
    "                       out like it (file:///path, e.g. an update kit). Without it: the\n"
    "                       settings file's downloadUrl, then $LENSDOCK_DOWNLOAD_URL, then the\n"
    "                       built-in host; --verbose shows which one is used\n"
    "  --demo               an emulated dock with a lens and a local download host, inside\n"
    "                       the program: try every command without hardware or network\n"
    "  --wait SECONDS       how long to wait for a lens to be mounted (default 30)\n"
    "  --json               print one JSON object on standard output instead of text\n"
    "  --yes                do not ask for confirmation\n"
    "  --verbose            show the engine's diagnostic lines on standard error\n"
    "  -h, --help           this help; \"lensdock-cli help COMMAND\" for a command's help\n"
    "  --version            print the version and end\n";

const char* const exitCodes = "Exit status:\n"
                              "  0   success\n"
                              "  2   usage error (bad option, unknown command, wrong arguments)\n"
                              "  3   no dock found, or the dock was unplugged\n"
                              "  4   no lens mounted in time, or the lens was removed\n"
                              "  5   device error (no or wrong answer, over-current, lens refused)\n"
                              "  6   verification failed: the lens does not hold what was written\n"
                              "  7   file error (unreadable, malformed, not writable, other lens model)\n"
                              "  8   network error (download host unreachable, download failed)\n"
                              "  9   update error (decoding, transfer or version check failed)\n"
                              "  10  cancelled at the confirmation\n"
                              "  130 interrupted (Ctrl-C; 128+N for signal N); the lens is released first\n"
                              "Every error is one line on standard error. Results alone go to standard "
                              "output.\n";

const CommandText* find(const QString& name) {
    for (const CommandText& command : commands)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

std::optional<QString> checkOptions(const CliOptions& options, const ArgumentRule& rule) {
    if (!rule.output && !options.output.isEmpty())
        return QStringLiteral("%1 takes no --output").arg(options.command);
    if (!rule.dryRun && options.dryRun)
        return QStringLiteral("%1 takes no --dry-run").arg(options.command);
    if (!rule.key && !options.key.isEmpty())
        return QStringLiteral("%1 takes no --key").arg(options.command);
    return std::nullopt;
}

std::optional<QString> checkProfileUsage(const CliOptions& options) {
    const QString action = options.arguments.value(0);
    const bool named = action == QStringLiteral("save") || action == QStringLiteral("apply") ||
                       action == QStringLiteral("delete");
    if (action != QStringLiteral("list") && !named)
        return QStringLiteral("profile: unknown action \"%1\" (list, save, apply or delete)").arg(action);
    if (named != (options.arguments.size() == 2))
        return named ? QStringLiteral("profile %1 needs a NAME").arg(action)
                     : QStringLiteral("profile list takes no NAME");
    if (options.dryRun && action != QStringLiteral("apply"))
        return QStringLiteral("profile %1 takes no --dry-run").arg(action);
    return std::nullopt;
}

std::optional<QString> checkKitOptions(const CliOptions& options) {
    if (options.command != QStringLiteral("kit"))
        return options.kitModels.isEmpty() && options.kitMount.isEmpty()
                   ? std::nullopt
                   : std::optional<QString>(QStringLiteral("--for and --mount go with kit only"));
    if (!options.kitMount.isEmpty() && options.kitModels.isEmpty())
        return QStringLiteral("kit: --mount goes with --for MODEL");
    if (!options.kitMount.isEmpty() && !kitMountInfo(options.kitMount))
        return QStringLiteral("kit: unknown mount \"%1\" (Canon, Nikon or SONY)").arg(options.kitMount);
    for (const QString& model : options.kitModels) {
        if (!ResourcePaths::isSafeModelCode(model) || model.size() > ResourcePaths::maxNameLength)
            return QStringLiteral("kit: \"%1\" is not a lens model code")
                .arg(ResourcePaths::printable(model));
    }
    return std::nullopt;
}

std::optional<QString> checkCalibrateUsage(const CliOptions& options) {
    const bool target = options.command == QStringLiteral("calibrate") &&
                        options.arguments.value(0) == QStringLiteral("target");
    if (!target && (!options.paper.isEmpty() || !options.pngPath.isEmpty() || options.dpi ||
                    !options.targetJson.isEmpty()))
        return QStringLiteral("--paper, --png, --dpi and --json FILE go with calibrate target only");
    if (options.command != QStringLiteral("calibrate"))
        return std::nullopt;
    const QString action = options.arguments.value(0);
    if (action != QStringLiteral("target") && action != QStringLiteral("measure"))
        return QStringLiteral("calibrate: unknown action \"%1\" (target or measure)").arg(action);
    if (target && options.arguments.size() > 1)
        return QStringLiteral("calibrate target: unexpected argument \"%1\"").arg(options.arguments.last());
    if (target && options.output.isEmpty())
        return QStringLiteral("calibrate target needs --output FILE.pdf");
    if (target && !options.paper.isEmpty() && !TargetLayout::paperNamed(options.paper))
        return QStringLiteral("calibrate target: unknown paper \"%1\" (A4, A3 or Letter)").arg(options.paper);
    if (options.dpi && options.pngPath.isEmpty())
        return QStringLiteral("calibrate target: --dpi goes with --png");
    if (!target && options.arguments.size() < 2)
        return QStringLiteral("calibrate measure needs at least one SHOT");
    if (!target && !options.output.isEmpty())
        return QStringLiteral("calibrate measure takes no --output");
    return std::nullopt;
}

std::optional<QString> checkTarget(const CliOptions& options) {
    if (const auto problem = checkCalibrateUsage(options))
        return problem;
    if (options.command == QStringLiteral("profile"))
        return checkProfileUsage(options);
    const bool needsTarget =
        options.command == QStringLiteral("update") || options.command == QStringLiteral("check-update");
    if (!needsTarget || options.arguments.isEmpty())
        return std::nullopt;
    const QString& target = options.arguments.first();
    if (CommandHelp::namesDock(target) || target == QStringLiteral("lens"))
        return std::nullopt;
    return QStringLiteral("%1: unknown target \"%2\" (dock or lens)").arg(options.command, target);
}
} // namespace

bool CommandHelp::namesDock(const QString& target) {
    return target == QStringLiteral("dock") || target == QStringLiteral("adapter");
}

bool CommandHelp::isCommand(const QString& name) {
    return find(name) != nullptr;
}

QString CommandHelp::generalHelp() {
    QString text = QStringLiteral("Usage: lensdock-cli [OPTIONS] COMMAND [ARGUMENTS]\n\n"
                                  "Talks to the lens dock and the mounted lens.\n\n");
    text += QLatin1String(globalOptions);
    text += QStringLiteral("\nCommands:\n");
    for (const CommandText& command : commands)
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(QLatin1String(command.synopsis), QLatin1String(command.summary));
    text += QLatin1Char('\n') + QLatin1String(exitCodes);
    return text;
}

QString CommandHelp::commandHelp(const QString& name) {
    const CommandText* command = find(name);
    if (!command)
        return generalHelp();
    return QStringLiteral("Usage: lensdock-cli [OPTIONS] %1\n\n%2\n\n%3\n%4\n%5")
        .arg(QLatin1String(command->synopsis), QLatin1String(command->summary),
             QLatin1String(command->details), QLatin1String(globalOptions), QLatin1String(exitCodes));
}

std::optional<QString> CommandHelp::checkUsage(const CliOptions& options) {
    if (options.command.isEmpty())
        return QStringLiteral("no command given (see lensdock-cli --help)");
    const CommandText* command = find(options.command);
    if (!command)
        return QStringLiteral("unknown command \"%1\" (see lensdock-cli --help)").arg(options.command);
    const ArgumentRule& rule = command->rule;
    const auto count = options.arguments.size();
    if (count < rule.minArguments)
        return QStringLiteral("%1: missing argument (see lensdock-cli help %1)").arg(options.command);
    if (count > rule.maxArguments)
        return QStringLiteral("%1: unexpected argument \"%2\"")
            .arg(options.command, options.arguments.last());
    if (const auto problem = checkOptions(options, rule))
        return problem;
    if (options.keepSettings &&
        (options.command != QStringLiteral("update") || options.arguments.value(0) != QStringLiteral("lens")))
        return QStringLiteral("--keep-settings goes with update lens only");
    if (options.command == QStringLiteral("decode") && (options.key.isEmpty() || options.output.isEmpty()))
        return QStringLiteral("decode needs --key HEX and --output FILE");
    if (const auto problem = checkKitOptions(options))
        return problem;
    return checkTarget(options);
}

} // namespace lensdock::cli
