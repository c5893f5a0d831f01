#pragma once

#include <optional>
#include <QString>
#include <QStringList>

namespace lensdock::cli {

struct CliOptions;

// The tool's help texts and the per-command rules for arguments and options.
class CommandHelp {
public:
    static bool isCommand(const QString& name);

    // The whole help: synopsis, global options, commands, exit codes.
    static QString generalHelp();
    // One command's help; the general help for an unknown name.
    static QString commandHelp(const QString& name);

    // Why `options` is not a valid call of its command, or nothing when it is.
    static std::optional<QString> checkUsage(const CliOptions& options);

    // Whether an update target names the dock; "adapter" is its older name and still accepted.
    static bool namesDock(const QString& target);
};

} // namespace lensdock::cli
