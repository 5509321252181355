#include "screen_fit.h"

#include <algorithm>
#include <cstdint>

namespace moxtal {

namespace {

// The screen whose area holds some of the window's top edge, or nullptr. 64-bit sums: a damaged
// settings file may hold any 32-bit value.
const ScreenArea* screenOfTopEdge(const WindowBounds& b, const std::vector<ScreenArea>& screens)
{
    const std::int64_t left = b.left, right = std::int64_t {b.left} + std::max(b.width, 1), top = b.top;
    for (const ScreenArea& s : screens) {
        const std::int64_t sRight = std::int64_t {s.left} + s.width, sBottom = std::int64_t {s.top} + s.height;
        if (top >= s.top && top < sBottom && left < sRight && right > s.left)
            return &s;
    }
    return nullptr;
}

}  // namespace

WindowBounds fitOnScreens(WindowBounds bounds, const std::vector<ScreenArea>& screens)
{
    if (screens.empty())
        return bounds;
    const ScreenArea* holder = screenOfTopEdge(bounds, screens);
    const ScreenArea& screen = holder ? *holder : screens.front();
    bounds.width = std::min(bounds.width, screen.width);
    bounds.height = std::min(bounds.height, screen.height);
    if (!screenOfTopEdge(bounds, screens)) {
        const std::int64_t lastLeft = std::int64_t {screen.left} + screen.width - std::max(bounds.width, 0);
        const std::int64_t lastTop = std::int64_t {screen.top} + screen.height - std::max(bounds.height, 0);
        bounds.left = static_cast<int>(
            std::clamp<std::int64_t>(bounds.left, screen.left, std::max<std::int64_t>(lastLeft, screen.left)));
        bounds.top = static_cast<int>(
            std::clamp<std::int64_t>(bounds.top, screen.top, std::max<std::int64_t>(lastTop, screen.top)));
    }
    return bounds;
}

WindowBounds wholeOnScreen(WindowBounds outer, const ScreenArea& screen)
{
    auto into = [](int at, int size, int start, int length) {
        const std::int64_t last = std::int64_t {start} + length - std::max(size, 0);
        return static_cast<int>(std::clamp<std::int64_t>(at, start, std::max<std::int64_t>(last, start)));
    };
    outer.left = into(outer.left, outer.width, screen.left, screen.width);
    outer.top = into(outer.top, outer.height, screen.top, screen.height);
    return outer;
}

}  // namespace moxtal
