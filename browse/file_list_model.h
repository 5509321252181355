#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "platform/file_icons.h"
#include "platform/listing.h"
#include "platform/name_text.h"

namespace moxtal {

// One row of the file list: a listed file with its icon; its date text is dateTextOf(timeStamp).
using FileEntry = ListedFile;

// The file list's rows: a model over a vector of entries, with the images of the listing.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, SizeColumn, DateColumn, ColumnCount };

    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<FileEntry>& entries() const { return m_entries; }
    const FileEntry& entry(int row) const { return m_entries.at(static_cast<std::size_t>(row)); }
    ImageList& images() { return m_images; }
    const ImageList& images() const { return m_images; }

    void setEntries(std::vector<FileEntry> entries);
    void setName(int row, const std::string& name);
    // Moves the row at from to position to (both valid positions).
    void moveEntry(int from, int to);
    // Reorders the rows by a column's key; descending compares the two rows the other way round.
    void sortByColumn(Column column, bool descending);
    // The same in two halves: the order, which only reads the rows (another thread may work it
    // out while the view paints them), then the rows put in that order.
    std::vector<std::size_t> columnOrder(Column column, bool descending) const;
    void reorder(const std::vector<std::size_t>& order);

private:
    std::vector<FileEntry> m_entries;
    ImageList m_images;
};

}  // namespace moxtal
