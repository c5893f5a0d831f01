#pragma once

#include <QByteArray>

namespace lensdock::jpeg {

// Where the JPEG starting at `start` ends (just past its EOI marker), following its segments and
// scans; -1 when it is cut short or its structure is broken. Trailing data after EOI is allowed.
qsizetype endOf(const QByteArray& data, qsizetype start = 0);

// The EXIF APP1 payload (beginning "Exif\0\0") of a JPEG, or empty.
QByteArray exifPayload(const QByteArray& jpeg);

// The JPEG with an APP1 segment holding `payload` placed right after SOI; empty if it cannot fit.
QByteArray withApp1(const QByteArray& jpeg, const QByteArray& payload);

// The largest whole JPEG stream embedded anywhere in `data` (a raw file's preview), or empty.
QByteArray largestEmbedded(const QByteArray& data);

} // namespace lensdock::jpeg
