#pragma once

#include "DockProfile.h"

#include <chrono>
#include <QString>

namespace lensdock {

struct DockEmulatorOptions {
    QString linkPath; // symlink the host opens; points at the current pty
    DockProfile profile = DockProfile::zoomLens();
    bool lensMounted = true;
    int baud = 0;              // paces both directions, 8N1; 0 = unpaced
    QString tracePath;         // every unit on the wire, in hex; empty = no trace
    QString xmodemReceiveFile; // non-empty: a bare XMODEM-1K receiver storing here
    // How long the adapter stays away from USB after a reset before its new pty appears.
    std::chrono::milliseconds reenumerationDelay{2000};
    // Before a reset the adapter lets the host read its last answer, at most this long.
    std::chrono::milliseconds resetLinger{1000};
    // A partial unit that gets no more bytes for this long is thrown away (a block is NAKed).
    std::chrono::milliseconds staleInputTimeout{1000};
    // Pause between the chunks of a split reply.
    std::chrono::milliseconds splitChunkDelay{20};
    // The bare receiver repeats its "C" this often until the first block arrives.
    std::chrono::milliseconds readyToReceiveInterval{1000};
};

} // namespace lensdock
