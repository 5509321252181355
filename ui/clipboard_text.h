#pragma once

#include <string>

class QMimeData;

namespace moxtal {

// The clipboard's text as the bytes its owner offers, without a trip through QString that would
// turn bytes that are not UTF-8 into U+FFFD; empty when it holds no text.
std::string clipboardTextBytes(const QMimeData* data);
// Puts text on the clipboard as exactly these bytes.
void setClipboardTextBytes(const std::string& text);
// Whether the clipboard holds text, asked of its owner once per change notice: an owner that never
// answers must not stall every idle moment of the windows.
bool clipboardHoldsText();

}  // namespace moxtal
