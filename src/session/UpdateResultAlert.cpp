#include "session/UpdateResultAlert.h"

namespace lensdock {

DialogId alertForUpdateResult(FwErrorCode code, FwUpdateTarget target) {
    switch (code) {
    case FwErrorCode::resultOk:
        return DialogId::updateComplete;
    case FwErrorCode::errorNetwork:
        return DialogId::updateErrorNetwork;
    case FwErrorCode::errorDownload:
        return DialogId::updateErrorDownload;
    case FwErrorCode::errorUsbSerialFailed:
    case FwErrorCode::errorUsbSerialRemoved:
        return DialogId::updateErrorSend;
    case FwErrorCode::errorInvalidKey:
    case FwErrorCode::errorInvalidFile:
    case FwErrorCode::errorCrc:
        return DialogId::updateErrorDecode;
    case FwErrorCode::errorRemovedAfterSend:
        return target == FwUpdateTarget::adapter ? DialogId::updateErrorAdapterNotBack
                                                 : DialogId::updateErrorLensNotBack;
    case FwErrorCode::errorInput:
    case FwErrorCode::errorWaitResetFailed:
    case FwErrorCode::errorVersion:
        break;
    }
    return DialogId::updateError;
}

} // namespace lensdock
