// Saves adjust-data files over one path without end, alternating two settings, and writes
// "saving N" to standard output before the N-th save; a test kills it in the middle. With
// "--backups LIBRARY" it makes backups of a lens in that library folder instead (pruning as it goes).
#include "adjust/AdjustDataFile.h"
#include "base/Logger.h"
#include "session/SettingsLibrary.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>

using namespace lensdock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool backups = args.size() == 3 && args[1] == QStringLiteral("--backups");
    if (args.size() != 2 && !backups) {
        std::fprintf(stderr, "usage: adjust-save-loop PATH | --backups LIBRARY\n");
        return 2;
    }
    Logger::setSink([](const QString&) {});
    LensInfo lens;
    lens.modelCode = QStringLiteral("A036");
    lens.serialCode = QStringLiteral("LOOP");
    lens.firmwareVersion = QStringLiteral("0102");
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    LensAdjustData second;
    second.focusZoomClose = {1, -2, 3, -4, 5, -6, 7, -8};
    second.vcMode = 3;
    const LensAdjustData settings[] = {LensAdjustData(), second};
    for (long n = 1;; ++n) {
        std::printf("saving %ld\n", n);
        std::fflush(stdout);
        if (backups) {
            if (!SettingsLibrary(FileIO(args[2])).backUp(settings[n % 2], lens, BackupReason::apply, nullptr))
                return 1;
            continue;
        }
        if (!AdjustDataFile::saveFile(settings[n % 2], args[1], QStringLiteral("A036"),
                                      QStringLiteral("0102"), lens)
                 .saved)
            return 1;
    }
}
