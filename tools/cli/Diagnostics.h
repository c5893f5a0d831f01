#pragma once

#include "base/Logger.h"

#include <QtGlobal>

namespace lensdock::cli {

// Keeps standard output for results: while it lives, the engine's diagnostic lines and Qt's own
// messages go to standard error when verbose, and nowhere otherwise.
class Diagnostics {
public:
    explicit Diagnostics(bool verbose);
    ~Diagnostics();
    Diagnostics(const Diagnostics&) = delete;
    Diagnostics& operator=(const Diagnostics&) = delete;

private:
    Logger::Sink previousSink_;
    QtMessageHandler previousHandler_ = nullptr;
};

} // namespace lensdock::cli
