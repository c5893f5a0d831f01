#pragma once

#include <QString>
#include <QStringList>

namespace lensdock {

class DockEmulator;

// One line of the emulator's control language, as typed on its standard input.
namespace ControlCommand {
struct Outcome {
    QString output; // a line for standard output (the state dump), else empty
    QString error;  // why the line was refused, else empty
    bool quit = false;
};

Outcome apply(DockEmulator& emulator, const QString& line);
// The commands with a short description each, for --help.
QStringList help();
} // namespace ControlCommand

} // namespace lensdock
