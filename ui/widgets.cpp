#include "widgets.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <QWidget>

namespace moxtal {

std::vector<std::size_t> selectedRowPositions(const QAbstractItemView* view)
{
    std::vector<std::size_t> positions;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        positions.push_back(static_cast<std::size_t>(index.row()));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

namespace {

// A table whose rows are its items: Home and End go to the first and the last row, as in any list
// of files, instead of the first and the last cell of the row.
class RowTable : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action == MoveHome || action == MoveEnd)
            modifiers |= Qt::ControlModifier;
        return QTableView::moveCursor(action, modifiers);
    }
};

}  // namespace

QTableView* makeRowTable(QWidget* parent, const char* name, QAbstractItemModel* model)
{
    auto* view = new RowTable(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setWordWrap(false);
    // Tab leaves the list for the next control, as in every other control of a window; the arrow
    // keys move through the cells.
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(18);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return view;
}

QComboBox* makeEditableCombo(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // A box holds only what the user typed or chose: an inline completion from the history would
    // run into "Do!" as text nobody typed. The history stays a click or an arrow key away.
    box->setCompleter(nullptr);
    box->setEditText(text);
    return box;
}

void applyHintDuration(QWidget* window)
{
    window->setToolTipDuration(10000);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->setToolTipDuration(10000);
}

}  // namespace moxtal
