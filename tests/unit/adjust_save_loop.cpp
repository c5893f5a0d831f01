// Saves adjust-data files over one path without end, alternating two settings, and writes "saving N"
// to standard output before the N-th save; a test kills it in the middle.
#include "adjust/AdjustDataFile.h"
#include "base/Logger.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>

using namespace lensdock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fprintf(stderr, "usage: adjust-save-loop PATH\n");
        return 2;
    }
    Logger::setSink([](const QString&) {});
    LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    LensAdjustData second;
    second.focusZoomClose = {1, -2, 3, -4, 5, -6, 7, -8};
    second.vcMode = 3;
    const LensAdjustData settings[] = {LensAdjustData(), second};
    for (long n = 1;; ++n) {
        std::printf("saving %ld\n", n);
        std::fflush(stdout);
        if (!AdjustDataFile::saveFile(settings[n % 2], app.arguments()[1], QStringLiteral("A036"),
                                      QStringLiteral("0102"), lens)
                 .saved)
            return 1;
    }
}
