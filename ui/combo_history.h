#pragma once

#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace moxtal {

// Texts and items are byte strings, shown through the lossless mapping of displayText: a text that
// is not UTF-8 keeps every byte the user does not edit.

// The box's text as bytes, and the text set from bytes.
std::string comboText(const QComboBox* box);
void setComboText(QComboBox* box, const std::string& bytes);
// The same for a one-line edit box.
std::string editText(const QLineEdit* edit);
void setEditText(QLineEdit* edit, const std::string& bytes);

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

}  // namespace moxtal
