#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QObject>
#include <QString>
#include <stdexcept>

#include "app/mainwin.h"
#include "app/windows.h"

class TempFolder;

namespace moxtal {
class TRenameReport;
}

// The folder where every window of the widget tests keeps main.cfg and pattern.cfg.
const TempFolder& testSettingsFolder();
// Removes both settings files, so a test starts as on a first run.
void forgetSettings();

// The main window and its four windows over the real file system, keeping its settings in the
// test settings folder.
std::unique_ptr<moxtal::TForm1> makeWindow(std::vector<std::string> arguments = {});

std::vector<std::string> listedNames(moxtal::TForm1& form);

// The control of a window by its design name (its object name); a missing control or one of
// another type ends the test with the name in the message, never a null pointer.
template <class T> T* control(const QObject* window, const char* name)
{
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no control named ") + name + " of the expected type");
    return found;
}

// Types text into the box called name (a line edit, or a combo box's edit part) in place of what it
// holds, key by key as a user does: Ctrl+A, Backspace, then the text.
void typeInto(const QObject* window, const char* name, const QString& text);
// Clicks the button (a disabled one ignores the click), or triggers the action, called name.
void clickButton(const QObject* window, const char* name);
void triggerAction(const QObject* window, const char* name);
// The object name of the menu that action opens (closing it again), or "" when none opens; and of
// the menu that a request in the middle of control opens, from the keyboard or a right click.
QString menuOpenedBy(const std::function<void()>& action);
QString contextMenuOf(QWidget* control, QContextMenuEvent::Reason reason = QContextMenuEvent::Keyboard);

// A click with the mouse on a row of the main window's file list (Ctrl+click on the selected row
// unselects it), and on the heading of one of its columns.
void clickFile(moxtal::TForm1& form, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void clickColumn(moxtal::TForm1& form, int column);
// The selected row of the main window's file list, or -1.
int selectedFile(moxtal::TForm1& form);

// Runs handler on a modal dialog as soon as it is shown (its own event loop runs then); context is
// the dialog (or the window asking), so a handler never outlives it.
void whenShown(QObject* context, std::function<void()> handler);
// How many handlers given to whenShown have not run, counted afresh: a check in a handler that
// never ran checks nothing, so every test of the windows asserts afterwards that this is 0.
int pendingDialogHandlers();

// Runs handler on the confirmation dialog as soon as it is shown, then closes it.
void whenDialogShows(moxtal::TForm1& form, std::function<void(moxtal::TRenameReport&)> handler);

// The one fixture of the window tests: message boxes answered by the test, no settings from an
// earlier test, and afterwards a check that every dialog the test waited for did open.
class WindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
