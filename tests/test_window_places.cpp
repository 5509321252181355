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

class WindowPlacesTest : public WindowTest { };

TEST_F(WindowPlacesTest, SequenceControlsSitInsideTheirFrame)
{
    struct Case {
        const char* style;
        int fontPixels;
    };
    const Case cases[] = {{"Fusion", 12}, {"Fusion", 20}, {"Windows", 12}};
    for (const Case& c : cases) {
        const std::string name = std::string(c.style) + " " + std::to_string(c.fontPixels) + "px";
        std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(c.style)));
        ASSERT_NE(style, nullptr) << name;
        auto form = makeWindow();
        auto* frame = control<QGroupBox>(form.get(), "SequenceNo");
        // The frame takes the style and font (its title and border change): its controls move.
        frame->setStyle(style.get());
        frame->setFont(interfaceFont(kProportionalFont, c.fontPixels));
        form->show();
        auto* check = control<QCheckBox>(frame, "CheckBoxCont");
        auto* start = control<QLineEdit>(frame, "seqstart");
        auto* stepLabel = control<QLabel>(frame, "Label3");
        auto* step = control<QLineEdit>(frame, "seqStep");
        const QRect inside = frame->contentsRect();
        for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            EXPECT_TRUE(inside.contains(control->geometry())) << name << ": " << control->objectName().toStdString();
        EXPECT_TRUE(control<QWidget>(form.get(), "topPanel")->rect().contains(frame->geometry())) << name;
        // The design's order, distances and sizes.
        EXPECT_LT(check->geometry().right(), start->x()) << name;
        EXPECT_LT(stepLabel->geometry().right(), step->x()) << name;
        EXPECT_EQ(step->pos() - start->pos(), QPoint(0, 24)) << name;
        // "Step" keeps its designed left edge where its text leaves room before its box.
        EXPECT_EQ(stepLabel->y() - start->y(), 32) << name;
        EXPECT_LE(stepLabel->x() - start->x(), -32) << name;
        EXPECT_LE(stepLabel->geometry().right() + 4, step->x()) << name;
        EXPECT_EQ(start->size(), QSize(57, 20)) << name;
        EXPECT_EQ(step->size(), QSize(57, 20)) << name;
        EXPECT_EQ(check->height(), 17) << name;
        EXPECT_GE(frame->width(), 160) << name;
        EXPECT_GE(frame->height(), 57) << name;
        frame->setStyle(nullptr);
    }
}

TEST_F(WindowPlacesTest, WindowsOpenWhollyOnTheScreen)
{
    auto form = makeWindow();
    form->show();
    const QRect screen = form->screen()->availableGeometry();
    Windows windows = form->windows();

    // A window never placed opens centred over the main window.
    form->move(screen.center() - form->rect().center());
    triggerAction(form.get(), "ShowLogWindow1");
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
        {"log window, never placed", windows.LogWindow, [&] { triggerAction(another.get(), "ShowLogWindow1"); }},
        {"clipboard watcher, left hanging off", windows.ClipWindow,
         [&] {
             windows.ClipWindow->move(offScreen);
             triggerAction(another.get(), "ClipboardReplace1");
         }},
        {"confirmation dialog, left hanging off", windows.RenameReport,
         whenOpen(windows.RenameReport,
                  [&] {
                      windows.RenameReport->move(offScreen);
                      clickButton(another.get(), "ButtonDoit");
                  })},
        {"history editor, left hanging off", windows.History,
         whenOpen(windows.History,
                  [&] {
                      windows.History->move(offScreen);
                      triggerAction(another.get(), "History1");
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
