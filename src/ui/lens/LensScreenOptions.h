#pragma once

#include "firmware/UpdateJob.h"
#include "ui/lens/AdjustFileDialogs.h"
#include "ui/lens/SettingsLibraryDialog.h"

#include <chrono>
#include <optional>
#include <QString>

namespace lensdock {

// Waits, folders and dialogs of the lens screen; tests shorten, redirect and replace them.
struct LensScreenOptions {
    // Library folder of the local store; the user's data folder when not set.
    std::optional<QString> libraryFolder;
    // The library folder goes when the program ends (the demo's): the profiles window says so.
    bool libraryIsTemporary = false;
    // The progress panel stays up this long after the device or the host has answered.
    std::chrono::milliseconds progressCloseDelay{std::chrono::seconds(2)};
    // The open and save dialogs of adjust-data files; the platform's file dialogs when empty.
    AdjustFileDialogs fileDialogs;
    // The settings file that keeps the file dialogs' last folder; the program's own when not set.
    std::optional<QString> settingsFile;
    // Asks for a profile's name; an input dialog when empty.
    ProfileNameChooser askProfileName;
    // Waits of a lens update started from the lens screen.
    UpdateJobTimings update;
};

} // namespace lensdock
