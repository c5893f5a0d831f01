#include "Confirmation.h"

#include "CommandOutput.h"

#include <array>
#include <unistd.h>

namespace lensdock::cli {

Confirmation::Confirmation(bool assumeYes, std::FILE* in, std::FILE* err)
    : assumeYes_(assumeYes), in_(in), err_(err) {}

bool Confirmation::ask(const QString& question) const {
    if (assumeYes_)
        return true;
    CommandOutput::write(err_, question + QStringLiteral(" [y/N] "));
    std::array<char, 64> buffer{};
    const bool answered = std::fgets(buffer.data(), int(buffer.size()), in_) != nullptr;
    // Piped answers are not echoed: end the prompt's line so the next message starts on its own.
    if (!isatty(fileno(in_)))
        CommandOutput::write(err_, QStringLiteral("\n"));
    if (!answered)
        return false;
    const QString answer = QString::fromLocal8Bit(buffer.data()).trimmed().toLower();
    return answer == QStringLiteral("y") || answer == QStringLiteral("yes");
}

} // namespace lensdock::cli
