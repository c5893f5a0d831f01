#pragma once

#include "link/SerialPort.h"

#include <optional>
#include <QString>

namespace lensdock {

// Who keeps a serial device from being opened: another program's lock file (the convention the
// serial library follows), or the device's exclusive-use flag, which the kernel answers with EBUSY.
class PortHolder {
public:
    // Why `path` could not be opened. `permissionRefused`: the serial library reported a
    // permission error, which it also reports for a device locked by another program.
    static PortRefusal refusalOf(const QString& path, bool permissionRefused);

    // "NAME (PID N)" of the live program whose lock file names `path`, if any.
    static std::optional<QString> lockHolder(const QString& path);
    // The lock file name for `path`: "LCK.." and the device's name, "/" turned into "_".
    static QString lockFileName(const QString& path);
};

} // namespace lensdock
