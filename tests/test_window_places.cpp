#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>

#include "clipboard/clipwin.h"
#include "dialogs/historywin.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "ui/fonts.h"
#include "ui/seams.h"

using namespace moxtal;

namespace {

class WindowPlacesTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setTestMode(true);
        MessageBox::takeRecorded();
        forgetSettings();
    }
    void TearDown() override { EXPECT_EQ(pendingDialogHandlers(), 0) << "a dialog the test waited for never opened"; }
};

TEST_F(WindowPlacesTest, WindowsOpenWhollyOnTheScreen)
{
    auto form = makeWindow();
    form->show();
    const QRect screen = form->screen()->availableGeometry();
    Windows windows = form->windows();

    // A window never placed opens centred over the main window.
    form->move(screen.center() - form->rect().center());
    form->ShowLogWindow1Click();
    EXPECT_LE((windows.LogWindow->geometry().center() - form->geometry().center()).manhattanLength(), 1);
    windows.LogWindow->close();

    // With the main window by the screen's bottom right corner, a window centred over it, or left
    // where it would hang off the screen, is brought wholly onto it.
    auto another = makeWindow();
    another->show();
    another->move(screen.bottomRight() - QPoint(another->width() / 2, another->height() / 3));
    windows = another->windows();
    const QPoint offScreen = screen.bottomRight() - QPoint(100, 50);
    struct Case {
        const char* name;
        QWidget* window;
        std::function<void()> open;
    };
    QRect shownAt;
    auto whenOpen = [&](QWidget* window, std::function<void()> open) {
        return [&shownAt, window, open] {
            whenShown(window, [&shownAt, window] {
                shownAt = window->frameGeometry();
                window->close();
            });
            open();
        };
    };
    const Case cases[] = {
        {"log window, never placed", windows.LogWindow, [&] { another->ShowLogWindow1Click(); }},
        {"clipboard watcher, left hanging off", windows.ClipWindow,
         [&] {
             windows.ClipWindow->move(offScreen);
             another->ClipboardReplace1->trigger();
         }},
        {"confirmation dialog, left hanging off", windows.RenameReport,
         whenOpen(windows.RenameReport,
                  [&] {
                      windows.RenameReport->move(offScreen);
                      another->ButtonDoit->click();
                  })},
        {"history editor, left hanging off", windows.History,
         whenOpen(windows.History,
                  [&] {
                      windows.History->move(offScreen);
                      another->History1Click();
                  })},
    };
    for (const Case& c : cases) {
        shownAt = {};
        c.open();
        if (c.window->isVisible()) {
            shownAt = c.window->frameGeometry();
            c.window->close();
        }
        EXPECT_FALSE(shownAt.isEmpty()) << c.name;
        EXPECT_TRUE(screen.contains(shownAt)) << c.name << ": " << shownAt.x() << "," << shownAt.y();
    }
}

}  // namespace
