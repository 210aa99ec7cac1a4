// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window_geometry.h"

#include <algorithm>

namespace sv {

int ClampWindowExtent(int stored, int minimum, int available) {
    const int upper = std::max(minimum, available);
    return std::clamp(stored, minimum, upper);
}

TWindowPlace ClampWindowPlace(TWindowPlace place, const TScreenArea& area) {
    const auto axis = [](int start, int extent, int areaStart, int areaExtent) {
        // 64-bit: a stored corner near the int limits must not overflow on the way.
        const long long last = static_cast<long long>(areaStart) + areaExtent - extent;
        if (last < areaStart)
            return areaStart;
        return static_cast<int>(std::clamp<long long>(start, areaStart, last));
    };
    place.left = axis(place.left, place.width, area.left, area.width);
    place.top = axis(place.top, place.height, area.top, area.height);
    return place;
}

int ClampColumnWidth(int stored, int availableWidth) {
    return std::clamp(stored, 0, std::max(availableWidth, 0));
}

} // namespace sv
