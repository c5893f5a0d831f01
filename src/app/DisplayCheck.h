#pragma once

#include <string>

namespace lensdock {

// Qt aborts when it cannot load a display platform, with advice that does not help. Before a
// QApplication is made, this tells whether one can be had: a platform named by QT_QPA_PLATFORM or
// -platform, or an X or Wayland display to reach.
bool displayPlatformAvailable(int argc, char* argv[]);

// The one line to print instead, naming the ways on.
std::string noDisplayMessage(const std::string& program);

} // namespace lensdock
