#pragma once

#include "CliOptions.h"
#include "CommandOutput.h"
#include "Confirmation.h"
#include "DeviceFlows.h"
#include "ExitCode.h"
#include "session/SettingsLibrary.h"

#include <optional>

namespace lensdock::cli {

// What a command works with. The devices are not yet connected: each command connects them as far
// as it needs and may end early to release the lens before slower work (downloads, files).
struct CommandEnv {
    const CliOptions& options;
    AppContext& context;
    DeviceFlows& device;
    CommandOutput& out;
    const Confirmation& confirmation;
};

// The commands; each returns its failure or nothing on success.
std::optional<Failure> runInfo(CommandEnv& env);         // InfoCommand.cpp
std::optional<Failure> runRead(CommandEnv& env);         // ReadCommand.cpp
std::optional<Failure> runApply(CommandEnv& env);        // WriteCommands.cpp
std::optional<Failure> runFactoryReset(CommandEnv& env); // WriteCommands.cpp
std::optional<Failure> runCheckUpdate(CommandEnv& env);  // UpdateCommands.cpp
std::optional<Failure> runUpdate(CommandEnv& env);       // UpdateCommands.cpp
std::optional<Failure> runBackups(CommandEnv& env);      // LibraryCommands.cpp
std::optional<Failure> runRestore(CommandEnv& env);      // LibraryCommands.cpp
std::optional<Failure> runProfile(CommandEnv& env);      // LibraryCommands.cpp
std::optional<Failure> runKit(CommandEnv& env);          // KitCommand.cpp
// The mount --mount names (Canon, Nikon, SONY, their suffixes E0, N0, S0 or 1 to 3), or nothing.
std::optional<int> kitMountInfo(const QString& name); // KitCommand.cpp
// Connects the lens and reads its settings, as every command that writes them needs.
std::optional<Failure> connectForWrite(CommandEnv& env); // WriteCommands.cpp
// Writes the settings file `path` like apply; `reason` names the backup made first.
std::optional<Failure> applyFile(CommandEnv& env, const QString& path,
                                 BackupReason reason);                           // WriteCommands.cpp
std::optional<Failure> runDecode(const CliOptions& options, CommandOutput& out); // DecodeCommand.cpp
// Draws the focus target or measures shots of it; no device is needed.
std::optional<Failure> runCalibrate(const CliOptions& options, CommandOutput& out); // CalibrateCommand.cpp

} // namespace lensdock::cli
