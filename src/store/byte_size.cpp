// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/byte_size.h"

#include <cmath>
#include <cstdio>

namespace sv {
namespace {

// The value cut to `decimals` places, then written with exactly that many.
std::string Cut(float value, int decimals, const char* unit) {
    const float scale = decimals == 2 ? 100.0F : decimals == 1 ? 10.0F : 1.0F;
    const double cut = std::trunc(static_cast<double>(value * scale)) / static_cast<double>(scale);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s", decimals, cut, unit);
    return text;
}

std::string Scaled(float value, const char* unit) {
    if (value < 10.0F)
        return Cut(value, 2, unit);
    if (value < 100.0F)
        return Cut(value, 1, unit);
    return Cut(value, 0, unit);
}

} // namespace

std::string FormatByteSize(std::uint64_t bytes) {
    float value = static_cast<float>(bytes);
    if (value < 1024.0F)
        return std::to_string(bytes) + " バイト";
    value /= 1024.0F;
    if (value < 1000.0F)
        return Scaled(value, "KB");
    value /= 1024.0F;
    if (value < 1000.0F)
        return Scaled(value, "MB");
    value /= 1024.0F;
    return value < 10.0F ? Cut(value, 2, "GB") : Cut(value, 1, "GB");
}

} // namespace sv
