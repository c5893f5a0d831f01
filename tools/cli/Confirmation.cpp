#include "Confirmation.h"

#include <array>
#include <unistd.h>

namespace lensdock::cli {

Confirmation::Confirmation(bool assumeYes, std::FILE* in, std::FILE* err)
    : assumeYes_(assumeYes), in_(in), err_(err) {}

bool Confirmation::ask(const QString& question) const {
    if (assumeYes_)
        return true;
    const QByteArray prompt = (question + QStringLiteral(" [y/N] ")).toUtf8();
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), err_);
    std::fflush(err_);
    std::array<char, 64> buffer{};
    const bool answered = std::fgets(buffer.data(), int(buffer.size()), in_) != nullptr;
    // Piped answers are not echoed: end the prompt's line so the next message starts on its own.
    if (!isatty(fileno(in_))) {
        std::fputc('\n', err_);
        std::fflush(err_);
    }
    if (!answered)
        return false;
    const QString answer = QString::fromLocal8Bit(buffer.data()).trimmed().toLower();
    return answer == QStringLiteral("y") || answer == QStringLiteral("yes");
}

} // namespace lensdock::cli
