#pragma once

#include <QString>

namespace lensdock::cli {

// The exit status of lensdock-cli; the values are part of the tool's interface (see --help).
enum class ExitCode : int {
    ok = 0,
    usage = 2,      // bad option, unknown command, missing or surplus argument
    noAdapter = 3,  // no adapter found, or it was unplugged
    noLens = 4,     // no lens mounted in time, or it was removed
    device = 5,     // the adapter or the lens answered wrongly or not at all, over-current
    verify = 6,     // the read-back after a write differs from what was written
    file = 7,       // a file could not be read or written, is malformed or is for another lens
    network = 8,    // the download host is unreachable or a download failed or was unusable
    update = 9,     // decoding, transfer or the version check of an update failed
    cancelled = 10, // the user declined the confirmation
};

// Why a command did not succeed: the exit status and one line for standard error.
struct Failure {
    ExitCode code = ExitCode::device;
    QString message;
};

} // namespace lensdock::cli
