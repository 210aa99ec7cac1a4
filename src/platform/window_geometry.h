// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace sv {

struct TScreenArea final {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct TWindowPlace final {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A remembered size taken back at the start: never below the window's minimum, never beyond the
// screen's available area (a hand-edited 2147483647 would otherwise make a window buffer of
// gigabytes, and a huge one puts the buttons out of reach). The minimum wins over a smaller screen.
int ClampWindowExtent(int stored, int minimum, int available);

// The remembered frame corner moved just enough for the whole frame to lie on the area, where the
// frame fits; a frame larger than the area starts at its corner.
TWindowPlace ClampWindowPlace(TWindowPlace place, const TScreenArea& area);

// A remembered column width within 0 and the area's width.
int ClampColumnWidth(int stored, int availableWidth);

} // namespace sv
