#pragma once

#include "ui/DialogId.h"

namespace lensdock {

// What the main window forwards from its menus to the screen shown while a lens is connected.
class LensScreen {
public:
    virtual ~LensScreen() = default;
    // 0 focus adjustment, 1 focus limiter, 2 miscellaneous.
    virtual void showTab(int index) = 0;
    // True while the screen is idle and would take a command; the menus ask nothing otherwise.
    virtual bool acceptsCommands() const = 0;
    virtual void openLensAdjustFile() = 0;
    virtual void saveLensAdjustFile() = 0;
    // The user's answer to the factory-settings caution.
    virtual void restoreToFactorySettings(DialogResponse answer) = 0;
};

} // namespace lensdock
