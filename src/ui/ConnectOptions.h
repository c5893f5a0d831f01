#pragma once

#include "firmware/UpdateJob.h"

#include <chrono>
#include <optional>
#include <QString>

namespace lensdock {

// Waits and folders of the connect screen; tests shorten and redirect them.
struct ConnectOptions {
    // Library folder of the local store; the user's data folder when not set.
    std::optional<QString> libraryFolder;
    // After the adapter error at launch: how often, and how long at most, the closing port is
    // checked before the program ends anyway.
    std::chrono::milliseconds portCloseCheckInterval{10};
    std::chrono::milliseconds portClosedBound{std::chrono::seconds(2)};
    // Waits of an adapter update started from the connect screen.
    UpdateJobTimings update;
};

} // namespace lensdock
