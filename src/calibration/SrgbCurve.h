#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace lensdock::srgb {

// The sRGB transfer curve, both ways, on values from 0 to 1.
inline double toLinear(double encoded) {
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

inline double fromLinear(double linear) {
    const double v = linear > 0 ? std::min(linear, 1.0) : 0.0; // NaN too becomes black
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

// Decoding tables, built once and never changed afterwards, so shared safely between threads.
inline const std::array<float, 256>& linear8() {
    static const auto table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[i] = float(toLinear(i / 255.0));
        return t;
    }();
    return table;
}

inline const std::vector<float>& linear16() {
    static const auto table = [] {
        std::vector<float> t(65536);
        for (int i = 0; i < 65536; ++i)
            t[i] = float(toLinear(i / 65535.0));
        return t;
    }();
    return table;
}

} // namespace lensdock::srgb
