#include "Commands.h"

namespace lensdock::cli {

std::optional<Failure> runDecode(const CliOptions&, CommandOutput&) {
    return Failure{ExitCode::update, QStringLiteral("decode is not available yet in this build")};
}

} // namespace lensdock::cli
