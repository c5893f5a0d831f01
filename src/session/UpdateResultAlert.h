#pragma once

#include "firmware/FwErrorCode.h"
#include "firmware/FwUpdateTarget.h"
#include "session/DialogId.h"

namespace lensdock {

// The alert that reports the end of a firmware update of `target`.
DialogId alertForUpdateResult(FwErrorCode code, FwUpdateTarget target);

} // namespace lensdock
