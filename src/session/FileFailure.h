#pragma once

#include "session/DialogId.h"

#include <QString>

namespace lensdock {

// Why a settings file could not be opened or saved, in terms the user can act on. Told from the file
// system after the operation failed: the system's own error codes do not separate these cases.
class FileFailure {
public:
    // Missing, not readable, or else a failure the system describes.
    static DialogId ofOpen(const QString& path);
    // Folder missing, folder or file not writable, or else the write itself failed (disk full, a
    // folder of that name in the way, the disk gone).
    static DialogId ofSave(const QString& path);
    // The text that names the file in the alert: its full path as the system writes it, then the
    // system's description where the alert's own reason is only general.
    static QString extraText(DialogId kind, const QString& path, const QString& systemError = QString());
};

} // namespace lensdock
