#include "window_bounds.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

// The frame the window manager puts around the window: its own where it has been shown, else that of
// the window it belongs to (decorated alike).
QMargins frameMarginsOf(const QWidget* window, const QWidget* owner)
{
    for (const QWidget* w : {window, owner}) {
        if (w && w->windowHandle()) {
            const QMargins frame = w->windowHandle()->frameMargins();
            if (!frame.isNull())
                return frame;
        }
    }
    return {};
}

void bringWhollyOnScreen(QWidget* window)
{
    const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    QRect client = window->geometry();
    if (owner && !window->testAttribute(Qt::WA_Moved))
        client.moveCenter(owner->geometry().center());
    const QRect outer = client.marginsAdded(frameMarginsOf(window, owner));
    const QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect a = screen->availableGeometry();
    const WindowBounds fitted =
        wholeOnScreen({outer.y(), outer.x(), outer.width(), outer.height()}, {a.x(), a.y(), a.width(), a.height()});
    // Placed by its inner area, which is what Qt keeps where the window manager's frame is not
    // known yet; the frame then goes around it.
    client.translate(fitted.left - outer.x(), fitted.top - outer.y());
    if (client != window->geometry() || !window->testAttribute(Qt::WA_Moved))
        window->setGeometry(client);
}

// Brings its window onto the screen as it is shown, before the window system maps it.
class OpenOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched == parent())
            bringWhollyOnScreen(static_cast<QWidget*>(watched));
        return false;
    }
};

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

void openWhollyOnScreen(QWidget* window)
{
    window->installEventFilter(new OpenOnScreen(window));
}

}  // namespace moxtal
