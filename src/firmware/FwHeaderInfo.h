#pragma once

namespace lensdock {

// Layout of a deciphered firmware record header; multi-byte values are little-endian.
struct FwHeaderInfo {
    int headerLength = 1024;
    int offsetDataSize = 64;
    int offsetVersion = 68;
    int offsetDataCrc = 70;
    int offsetTargetDevice = 72;
    int offsetTargetArea = 73;
};

} // namespace lensdock
