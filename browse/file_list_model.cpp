#include "file_list_model.h"

#include <algorithm>
#include <numeric>

#include "platform/collation.h"
#include "platform/file_times.h"
#include "platform/listing.h"
#include "platform/sort_orders.h"

namespace moxtal {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent)
{ }

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FileEntry& e = entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NameColumn:
            return displayText(e.name);
        case SizeColumn:
            return QString::number(e.size);
        case DateColumn:
            return displayText(dateTextOf(e.timeStamp));
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return m_images.icon(e.image);
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case NameColumn:
            return QStringLiteral(" Name");
        case SizeColumn:
            return QStringLiteral("Size");
        case DateColumn:
            return QStringLiteral("Date");
        }
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((section == SizeColumn ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

void FileListModel::setEntries(std::vector<FileEntry> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void FileListModel::setName(int row, const std::string& name)
{
    m_entries.at(static_cast<std::size_t>(row)).name = name;
    emit dataChanged(index(row, NameColumn), index(row, NameColumn));
}

void FileListModel::moveEntry(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= rowCount() || to >= rowCount())
        return;
    // Qt's destination is the row the moved one is placed before.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    const auto first = m_entries.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    endMoveRows();
}

void FileListModel::sortByColumn(Column column, bool descending)
{
    if (column == NameColumn || column == SizeColumn || column == DateColumn)
        reorder(columnOrder(column, descending));
}

std::vector<std::size_t> FileListModel::columnOrder(Column column, bool descending) const
{
    const SortColumn key = column == NameColumn   ? SortColumn::Name
                           : column == SizeColumn ? SortColumn::Size
                                                  : SortColumn::Date;
    return moxtal::columnOrder(m_entries, key, descending);
}

void FileListModel::reorder(const std::vector<std::size_t>& order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRow(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        newRow[order[i]] = static_cast<int>(i);
    applyOrder(m_entries, order);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.push_back(index(newRow[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace moxtal
