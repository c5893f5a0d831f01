#pragma once

#include <cstdint>

namespace lensdock {

// Selects one alert of the catalogue; the raw value is the row.
enum class DialogId : std::uint8_t {
    customizeCaution = 0,
    initializeCaution,
    setAdjustDataComplete,
    setDefaultDataComplete,
    updateAdapterConfirm,
    updateAdapterCaution,
    updateLensConfirm,
    updateLensCaution,
    updateLensLatest,
    updateComplete,
    infoUserInformation,
    adapterConnectError,
    lensDisconnectedError,
    networkConnectError,
    overCurrentError,
    lensConnectError,
    getModelInfoError,
    getAdjustError,
    setAdjustError,
    setDefaultError,
    saveAdjustErrorOs,
    loadAdjustErrorOs,
    loadAdjustErrorFormat,
    loadAdjustErrorModel,
    loadAdjustErrorValue,
    updateError,
    updateErrorNetwork,
    updateErrorDownload,
    updateErrorDecode,
    updateErrorSend,
    openLicenseError,
    openManualError,
    adapterInUseError,
    backupError,
    restoreSettingsConfirm,
    profileSaveError,
    updateErrorAdapterNotBack,
    updateErrorLensNotBack,
    loadAdjustErrorMissing,
    loadAdjustErrorDenied,
    saveAdjustErrorNoFolder,
    saveAdjustErrorDenied,
    saveAdjustErrorWrite,
    adapterNoAccessError,
    discardChangesConfirm,
    restoreEditsConfirm,
    restoreEditsAfterDockConfirm,
    updateLensCautionWithEdits, // as updateLensCaution, saying that unapplied values are lost
    openOverEditsConfirm,
    openFileSameAsLens,
};

constexpr int dialogIdCount = 50;

// The user's answer: `no` only for the first of two buttons.
enum class DialogResponse : std::uint8_t { yes = 0, no = 1 };

// Selects the text of the progress panel.
enum class DialogViewId : std::uint8_t { setAdjustData, setDefaultData, checkUpdate };

} // namespace lensdock
