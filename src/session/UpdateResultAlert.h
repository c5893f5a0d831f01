#pragma once

#include "firmware/FwErrorCode.h"
#include "session/DialogId.h"

namespace lensdock {

// The alert that reports the end of a firmware update, for the adapter and the lens alike.
DialogId alertForUpdateResult(FwErrorCode code);

} // namespace lensdock
