#pragma once

#include <QByteArray>

// Identity replies of a well-formed adapter (firmware 01.00, mount 1) and of a zoom lens "A036" that
// supports every setting (firmware 01.02, 8 zoom positions, 3 distances, 2 switch positions, 10
// divisions, focus range -30..30, factory limiter steps 0..9 and 0..7).
inline QByteArray sampleAdapterIdentity() {
    QByteArray d(63, '\0');
    d[35] = 0x01;
    d[47] = 1;
    d[48] = 0x01;
    d[49] = 0x01;
    return d;
}

inline QByteArray sampleLensIdentity() {
    QByteArray d(85, '\0');
    d.replace(3, 4, "A036");
    d[35] = 0x01;
    d[36] = 0x02;
    d[51] = 0x0F;
    d[53] = 8;
    d[54] = 3;
    d[55] = 0x02;
    d[56] = 10;
    d[63] = 30;
    d[64] = char(-30);
    d[65] = 9; // first near: 9 - 9 = 0
    d[66] = 0; // first far: 9
    d[67] = 9;
    d[68] = 2; // second far: 9 - 2 = 7
    return d;
}
