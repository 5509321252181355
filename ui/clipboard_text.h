#pragma once

#include <string>

class QMimeData;

namespace moxtal {

// The clipboard's text as bytes; exact false when the platform handed it over decoded (bytes that
// are not UTF-8 then read as U+FFFD). ownedHere: the clipboard holds this process's own data.
struct ClipboardText {
    std::string bytes;
    bool exact = true;
};
ClipboardText clipboardText(const QMimeData* data, bool ownedHere);
// Puts text on the clipboard as exactly these bytes.
void setClipboardTextBytes(const std::string& text);
// Whether the clipboard holds text, asked of its owner once per change notice: an owner that never
// answers must not stall every idle moment of the windows.
bool clipboardHoldsText();
// How many times clipboardHoldsText has asked the owner so far (tests).
int clipboardOwnerQueries();

}  // namespace moxtal
