#include "window_bounds.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/screen_fit.h"

namespace moxtal {

namespace {

std::vector<ScreenArea> screenAreas()
{
    std::vector<ScreenArea> areas;
    QList<QScreen*> screens = QGuiApplication::screens();
    // The primary screen first: a window that is on no screen goes there.
    std::stable_partition(screens.begin(), screens.end(),
                          [](const QScreen* s) { return s == QGuiApplication::primaryScreen(); });
    for (const QScreen* screen : screens) {
        const QRect a = screen->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    return areas;
}

MainCfgField nextField(MainCfgField field, int by)
{
    return static_cast<MainCfgField>(static_cast<int>(field) + by);
}

}  // namespace

void applyWindowBounds(QWidget* window, const WindowBounds& bounds, const MainCfgRead& read, MainCfgField top)
{
    if (!read.has(top))
        return;
    const QRect now = window->geometry();
    WindowBounds b {bounds.top, now.x(), now.width(), now.height()};
    if (read.has(nextField(top, 1)))
        b.left = bounds.left;
    if (read.has(nextField(top, 2)))
        b.width = bounds.width;
    if (read.has(nextField(top, 3)))
        b.height = bounds.height;
    b = fitOnScreens(b, screenAreas());
    window->setGeometry(b.left, b.top, b.width, b.height);
}

WindowBounds windowBounds(const QWidget* window, const QWidget* mainWindow)
{
    QRect at = window->geometry();
    if (!window->testAttribute(Qt::WA_WState_Created) && !window->testAttribute(Qt::WA_Moved))
        at.moveCenter(mainWindow->geometry().center());
    return {at.y(), at.x(), at.width(), at.height()};
}

}  // namespace moxtal
