#pragma once

#include <cstdint>
#include <QString>

namespace lensdock {

// Kind of a catalogue or picture download, told apart by the file name alone.
enum class NetworkFileType : std::uint8_t {
    adapterModelsInfo = 0,
    lensModelsInfo = 1,
    lensImage = 2,
    focusAdjustmentImage = 3,
    focusLimitImage = 4,
};

// First matching name prefix decides; a name matching none is a focus limit picture.
NetworkFileType networkFileTypeOf(const QString& fileName);

} // namespace lensdock
