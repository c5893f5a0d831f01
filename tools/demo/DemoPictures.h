#pragma once

#include <QByteArray>

namespace lensdock {

// The demo host's pictures as PNG files: the lens and its two feature pictures, drawn in code with
// shapes only (no text), so that a program without a display can make them too.
namespace DemoPictures {
QByteArray lens();
QByteArray focusAdjustment();
QByteArray focusLimit();
} // namespace DemoPictures

} // namespace lensdock
