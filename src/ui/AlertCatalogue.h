#pragma once

#include "session/DialogId.h"

#include <vector>

namespace lensdock {

// One row of the alert catalogue: text ids (for qtTrId), buttons in the order they are added, and
// whether the alert is critical. `reasonKey` may be null.
struct AlertRow {
    const char* titleKey = nullptr;
    const char* messageKey = nullptr;
    const char* reasonKey = nullptr;
    std::vector<const char*> buttonKeys;
    // Errors are critical; news that all went well is information; questions are cautions.
    enum class Kind { caution, information, error } kind = Kind::caution;
    // A question whose "yes" cannot be undone offers "no" as the default button.
    bool safeDefault = false;
};

// The row of `kind`. Every DialogId has one.
const AlertRow& alertRow(DialogId kind);

} // namespace lensdock
