#pragma once

#include <QStringList>

namespace lensdock::cli {

// lensdock-cli: parses the command line, routes diagnostics, runs one command against one
// application context and returns the exit status. Needs a QCoreApplication.
class CliApp {
public:
    static int run(const QStringList& arguments);
};

} // namespace lensdock::cli
