// The adjust-data file loader and the open-into-editor merge on arbitrary file contents.
#include "adjust/AdjustDataFile.h"
#include "base/Logger.h"

#include <cstdint>
#include <cstdlib>
#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (lensdock::Logger::setSink([](const QString&) {}), true);
    (void)quiet;
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.vlad"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    lensdock::LensInfo lens;
    lens.supportsFocusZoom = lens.supportsFullTimeManual = lens.supportsFocusLimit = lens.supportsVcMode =
        true;
    lensdock::LensAdjustData current;
    current.focusZoomClose[0] = 7;
    const lensdock::LensAdjustData before = current;
    const auto outcome =
        lensdock::AdjustDataFile::openIntoEditor(path, lens, lensdock::LensAdjustData(), current);
    if (outcome.result != lensdock::AdjustFileOpenResult::success) {
        if (!(current == before))
            std::abort(); // a failed open must leave the editor alone
        return 0;
    }
    if (!current.checkAdjustData(lens, true))
        std::abort(); // an opened file is corrected into range
    return 0;
}
