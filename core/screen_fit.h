#pragma once

#include <vector>

#include "settings_format.h"

namespace moxtal {

// A screen's available area (without panels), in desktop coordinates.
struct ScreenArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Bounds brought onto the screens, the first screen being the primary one: the size to at most the
// available area of the screen that holds the window's top edge (else the primary's), and a window
// whose top edge is on no screen moved onto that screen. Bounds in range come back exactly.
WindowBounds fitOnScreens(WindowBounds bounds, const std::vector<ScreenArea>& screens);

// A window (its outer bounds, the frame included) moved the least that puts it wholly inside the
// screen's area; one larger than the area keeps its size and its top-left corner goes to the area's.
WindowBounds wholeOnScreen(WindowBounds outer, const ScreenArea& screen);

}  // namespace moxtal
