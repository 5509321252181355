#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QFont>
#include <QObject>
#include <QString>
#include <QStringList>

#include "core/settings_format.h"

class QAbstractItemView;
class QComboBox;
class QMimeData;
class QWidget;

namespace moxtal {

// The interface fonts, kept under their design names and mapped to their metric twins.
inline const QString kProportionalFont = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFixedFont = QStringLiteral("ＭＳ ゴシック");
void installFontSubstitutions();
QFont interfaceFont(const QString& family, int pixelSize = 12);

// The positions of a view's selected rows, top to bottom, each once.
std::vector<std::size_t> selectedRowPositions(const QAbstractItemView* view);

// The items of a box's list, first first.
std::vector<std::string> comboItems(const QComboBox* box);

// Gives the box these items, keeping the text it shows; no item is current, so Down from the
// text goes to the first item.
void setComboItems(QComboBox* box, const std::vector<std::string>& items);

// Appends items to the box's list, keeping its text (setComboItems).
void appendComboItems(QComboBox* box, const std::vector<std::string>& items);

// Moves the box's text to the top of its item list by the shared history rule (letter case
// ignored the Unicode way); the text itself stays.
void promoteComboHistory(QComboBox* box);

// The clipboard's text as the bytes its owner offers, without a trip through QString that would
// turn bytes that are not UTF-8 into U+FFFD; empty when it holds no text.
std::string clipboardTextBytes(const QMimeData* data);
// Puts text on the clipboard as exactly these bytes.
void setClipboardTextBytes(const std::string& text);
// Whether the clipboard holds text, asked of its owner once per change notice: an owner that never
// answers must not stall every idle moment of the windows.
bool clipboardHoldsText();

// Applies the bounds values of a window that were read (top is the field of its top), brought onto
// a screen; the window's own size limits then apply. Bounds are the client area's, as the user sees
// the window placed and sized, so that a restore puts it back exactly and start/close cycles never
// move it under a window manager.
void applyWindowBounds(QWidget* window, const WindowBounds& bounds, const MainCfgRead& read, MainCfgField top);
// A window's bounds as applyWindowBounds takes them. A window that has never been placed is where it
// would first appear: centred over the main window.
WindowBounds windowBounds(const QWidget* window, const QWidget* mainWindow);

// Hints stay visible for 10 seconds on every control of the window.
void applyHintDuration(QWidget* window);

// Runs every registered update handler; called whenever the application falls idle.
void registerIdleUpdate(QObject* owner, std::function<void()> update);
void runIdleUpdates();

// Runs an event handler and shows the message of an error it raises in the application's error
// display, so that no error unwinds through the toolkit's own frames.
void runHandler(QWidget* window, const std::function<void()>& handler);

// Connects signal to a handler of window through runHandler.
template <typename Sender, typename Signal, typename Window>
void connectHandler(Sender* sender, Signal signal, Window* window, void (Window::*handler)())
{
    QObject::connect(sender, signal, window,
                     [window, handler] { runHandler(window, [window, handler] { (window->*handler)(); }); });
}

// The one seam for message boxes: in test mode messages are recorded, not shown.
namespace MessageBox {
void show(QWidget* parent, const QString& text);
void setTestMode(bool recordOnly);
// In test mode, runs action as if while a box were open (after it is recorded).
void setWhileOpen(std::function<void()> action);
QStringList takeRecorded();
}  // namespace MessageBox

// The one seam for file dialogs: a test answers in advance; in test mode nothing is shown.
namespace FileDialog {
// The save dialog: filter, default suffix added to a name typed without one, confirmation before
// replacing a file, selected as the name it starts with. Nothing when the user cancels.
std::optional<QString> askSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                       const QString& selected);
void setNextAnswer(std::optional<QString> answer);
}  // namespace FileDialog

// The one seam for the one-line text prompt: buttons "OK" (the default) and "キャンセル".
namespace InputPrompt {
// The edited text, or nothing when the prompt was cancelled or closed.
std::optional<QString> ask(QWidget* parent, const QString& caption, const QString& label, int maxLength);
void setNextAnswer(std::optional<QString> answer);
}  // namespace InputPrompt

}  // namespace moxtal
