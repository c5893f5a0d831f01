#pragma once

#include "base/Guarded.h"

#include <QImage>

namespace lensdock {

// The three pictures of the connected lens, filled by the connect screen (on any thread) and shown
// by the lens screens. A null image means "none yet".
struct LensPictures {
    Guarded<QImage> lensImage;
    Guarded<QImage> focusAdjustmentImage;
    Guarded<QImage> focusLimitImage;

    void clear() {
        lensImage.set(QImage());
        focusAdjustmentImage.set(QImage());
        focusLimitImage.set(QImage());
    }
};

} // namespace lensdock
