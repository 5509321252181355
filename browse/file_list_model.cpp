#include "file_list_model.h"

#include <algorithm>
#include <numeric>

#include <QCollator>

namespace moxtal {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

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
        case NameColumn: return displayText(e.name);
        case SizeColumn: return QString::number(e.size);
        case DateColumn: return displayText(e.dateText);
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
        case NameColumn: return QStringLiteral(" Name");
        case SizeColumn: return QStringLiteral("Size");
        case DateColumn: return QStringLiteral("Date");
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
    std::vector<std::size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), std::size_t {0});
    auto sortWith = [&](auto less) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending ? less(b, a) : less(a, b);
        });
    };
    if (column == NameColumn) {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(m_entries.size());
        for (const FileEntry& e : m_entries)
            // Folded first: the C locale's collation does not ignore case by itself.
            keys.push_back(collator.sortKey(displayText(e.name).toCaseFolded()));
        sortWith([&](std::size_t a, std::size_t b) { return keys[a].compare(keys[b]) < 0; });
    } else if (column == SizeColumn) {
        sortWith([&](std::size_t a, std::size_t b) { return m_entries[a].size < m_entries[b].size; });
    } else if (column == DateColumn) {
        sortWith([&](std::size_t a, std::size_t b) { return m_entries[a].timeStamp < m_entries[b].timeStamp; });
    } else {
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRow(m_entries.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        newRow[order[i]] = static_cast<int>(i);
    std::vector<FileEntry> sorted;
    sorted.reserve(m_entries.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(m_entries[i]));
    m_entries = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.push_back(index(newRow[static_cast<std::size_t>(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace moxtal
