#include "DisplayCheck.h"

#include <cstdlib>
#include <cstring>

namespace lensdock {

namespace {
bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}
} // namespace

bool displayPlatformAvailable(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return true;
    }
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::string noDisplayMessage(const std::string& program) {
    return program +
           ": no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); use the "
           "command-line tool instead (e.g. lensdock-cli --demo info), or show the window "
           "offscreen or on a virtual display (QT_QPA_PLATFORM=offscreen " +
           program + " --demo, or xvfb-run " + program + " --demo)";
}

} // namespace lensdock
