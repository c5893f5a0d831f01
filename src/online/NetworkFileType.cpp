#include "online/NetworkFileType.h"

#include "online/ResourcePaths.h"

namespace lensdock {

NetworkFileType networkFileTypeOf(const QString& fileName) {
    if (fileName.contains(ResourcePaths::adapterModelsInfoURLPrefix))
        return NetworkFileType::adapterModelsInfo;
    if (fileName.contains(ResourcePaths::lensModelsInfoURLPrefix))
        return NetworkFileType::lensModelsInfo;
    if (fileName.contains(ResourcePaths::lensImageURLPrefix))
        return NetworkFileType::lensImage;
    if (fileName.contains(ResourcePaths::focusAdjustmentURLPrefix))
        return NetworkFileType::focusAdjustmentImage;
    return NetworkFileType::focusLimitImage;
}

} // namespace lensdock
