#pragma once

#include <cstdio>
#include <QString>

namespace lensdock::cli {

// Asks a yes/no question on standard error and reads the answer from standard input. Only "y" and
// "yes" (any case) agree; an empty line, anything else or the end of input declines.
class Confirmation {
public:
    Confirmation(bool assumeYes, std::FILE* in = stdin, std::FILE* err = stderr);

    bool ask(const QString& question) const;

private:
    const bool assumeYes_;
    std::FILE* const in_;
    std::FILE* const err_;
};

} // namespace lensdock::cli
