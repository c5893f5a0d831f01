#pragma once

#include <QByteArray>
#include <QString>

// Bytes written as hexadecimal text, "0F 01 01", for expected values that read like a protocol trace.
inline QByteArray hexBytes(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
