#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace moxtal {

// The one seam for message boxes: in test mode messages are recorded, not shown.
namespace MessageBox {
void show(QWidget* parent, const QString& text);
void setTestMode(bool recordOnly);
bool testMode();
// In test mode, runs action as if while a box were open (after it is recorded).
void setWhileOpen(std::function<void()> action);
QStringList takeRecorded();
}  // namespace MessageBox

// The one seam for file dialogs: a test answers in advance; in test mode nothing is shown.
namespace FileDialog {
// The save dialog: filter, default suffix added to a name typed without one, confirmation before
// replacing a file, selected as the name it starts with. A chosen name that still holds "*" or "?"
// is no choice (a desktop's own dialog takes "*.csv" for a file name, not for a filter): the
// dialog asks again, in the folder of that name. Nothing when the user cancels.
std::optional<QString> askSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                       const QString& selected);
void setNextAnswer(std::optional<QString> answer);
// In test mode, the names the save dialogs started with since the last call, oldest first.
QStringList takeOffered();
}  // namespace FileDialog

// The one seam for the one-line text prompt: buttons "OK" (the default) and "キャンセル".
namespace InputPrompt {
// The edited text, or nothing when the prompt was cancelled or closed.
std::optional<QString> ask(QWidget* parent, const QString& caption, const QString& label, int maxLength);
void setNextAnswer(std::optional<QString> answer);
}  // namespace InputPrompt

}  // namespace moxtal
