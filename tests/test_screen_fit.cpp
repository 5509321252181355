#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "core/screen_fit.h"

using namespace moxtal;

namespace {

TEST(ScreenFit, WindowsComeBackOntoAScreen)
{
    const std::vector<ScreenArea> screens {{0, 0, 1920, 1050}, {1920, -200, 1280, 1024}};
    struct Case {
        const char* name;
        WindowBounds stored, fitted;
    };
    const Case cases[] = {
        {"in range", {249, 385, 510, 416}, {249, 385, 510, 416}},
        {"on the second screen, above the first", {-150, 2000, 600, 400}, {-150, 2000, 600, 400}},
        {"partly off to the left", {3, -7, 640, 480}, {3, -7, 640, 480}},
        {"damaged: far off", {-2147483647 - 1, 2147483647, 510, 416}, {0, 1410, 510, 416}},
        {"below every screen", {5000, 100, 510, 416}, {634, 100, 510, 416}},
        {"larger than the screen", {0, 0, 2147483647, 2147483647}, {0, 0, 1920, 1050}},
        {"too wide on the second screen", {0, 1920, 3000, 500}, {0, 1920, 1280, 500}},
        {"shrunk off the screen's edge", {10, -5000, 6000, 400}, {10, 0, 1920, 400}},
    };
    for (const Case& c : cases) {
        const WindowBounds got = fitOnScreens(c.stored, screens);
        EXPECT_EQ(std::tie(got.top, got.left, got.width, got.height),
                  std::tie(c.fitted.top, c.fitted.left, c.fitted.width, c.fitted.height))
            << c.name;
    }
    EXPECT_EQ(fitOnScreens({-9, -9, 9, 9}, {}).top, -9);  // no screen known: as stored
}

TEST(ScreenFit, AWindowOpensWhollyOnItsScreen)
{
    const ScreenArea screen {0, 24, 1366, 744};  // 1366x768 with a panel along the top
    struct Case {
        const char* name;
        WindowBounds outer, fitted;
    };
    const Case cases[] = {
        {"inside", {100, 200, 440, 410}, {100, 200, 440, 410}},
        {"partly below", {500, 463, 440, 410}, {358, 463, 440, 410}},
        {"partly right", {100, 1200, 440, 410}, {100, 926, 440, 410}},
        {"above and left", {0, -30, 440, 410}, {24, 0, 440, 410}},
        {"taller than the area", {300, 10, 440, 900}, {24, 10, 440, 900}},
        {"damaged: far off", {2147483647, -2147483647 - 1, 440, 410}, {358, 0, 440, 410}},
    };
    for (const Case& c : cases) {
        const WindowBounds got = wholeOnScreen(c.outer, screen);
        EXPECT_EQ(std::tie(got.top, got.left, got.width, got.height),
                  std::tie(c.fitted.top, c.fitted.left, c.fitted.width, c.fitted.height))
            << c.name;
    }
}

}  // namespace
