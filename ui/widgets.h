#pragma once

#include <cstddef>
#include <vector>

class QAbstractItemView;
class QAbstractItemModel;
class QComboBox;
class QString;
class QTableView;
class QWidget;

namespace moxtal {

// The positions of a view's selected rows, top to bottom, each once.
std::vector<std::size_t> selectedRowPositions(const QAbstractItemView* view);

// A report-style list of rows over model: whole rows selected, no word wrap, no row numbers,
// rows 18 pixels high, headers left-aligned; Home and End go to the first and the last row, Tab
// moves on to the next control.
QTableView* makeRowTable(QWidget* parent, const char* name, QAbstractItemModel* model);

// An editable combo box holding text, whose typed text adds no item by itself.
QComboBox* makeEditableCombo(QWidget* parent, const char* name, const QString& text);

// Hints stay visible for 10 seconds on every control of the window.
void applyHintDuration(QWidget* window);

}  // namespace moxtal
