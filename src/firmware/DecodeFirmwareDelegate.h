#pragma once

#include "firmware/FwErrorCode.h"

namespace lensdock {

// Receiver of a decode run's reports, called on the decoder's thread in this order: progress any
// number of times, the record count (only when at least one record was deciphered), the result once.
class DecodeFirmwareDelegate {
public:
    virtual ~DecodeFirmwareDelegate() = default;
    // Bytes of the enciphered file consumed so far divided by the file's length.
    virtual void decodeProgress(double fraction) = 0;
    virtual void decodeFinished(int count) = 0;
    virtual void decodeCompleted(FwErrorCode result) = 0;
};

} // namespace lensdock
