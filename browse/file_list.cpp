#include "file_list.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "core/wildcard.h"
#include "platform/collation.h"
#include "platform/file_icons.h"
#include "platform/listing.h"

namespace moxtal {

void FileList::SetupFileList()
{
    m_filterText = "*.*";
    m_masks = {"*.*"};
    m_sortToggles = {false, false, false};
    m_order = {};
    m_model.images().clear();
}

void FileList::ListFolder(const std::string& folder, bool force)
{
    if (folder == m_listedFolder && !force)
        return;
    m_listedFolder = folder;
    // Watched from before the names are read, so that a change made while they are read is
    // heard. Only what a listing would show matters: no folders, no hidden names, a mask's names.
    m_watch.watch(folder, [masks = m_masks](std::string_view name, bool isFolder) {
        return !isFolder && !name.empty() && name[0] != '.' &&
               std::any_of(masks.begin(), masks.end(), [name](const std::string& m) { return wildcardMatch(m, name); });
    });
    // Every listing sorts by name, as the locale orders names with their case.
    m_order = {FileListModel::NameColumn, false, true};
    // The old rows go first, so that a large folder is never held twice.
    m_model.setEntries({});
    ImageList& images = m_model.images();
    images.clear();
    m_listedNames.reset();
    auto names = std::make_shared<FolderNames>();
    std::vector<FileEntry> entries;
    {
        const ListingProgress progress = m_makeProgress ? m_makeProgress() : ListingProgress();
        entries = listFolder(folder, m_masks, nullptr, &m_listedIdentity, names.get(), progress);
    }
    m_listedNames = std::move(names);
    images.assignImages(entries);
    m_model.setEntries(std::move(entries));
}

void FileList::SetFilter(const std::string& text)
{
    if (text != m_filterText) {
        m_filterText = text;
        m_masks = splitFilterMasks(text);
    }
    ListFolder(m_listedFolder, true);
}

void FileList::SortByColumn(int tag, const Wait& wait)
{
    if (tag < 1 || tag > 3)
        return;
    const auto column = static_cast<FileListModel::Column>(tag - 1);
    bool& toggle = m_sortToggles[static_cast<std::size_t>(tag - 1)];
    std::vector<std::size_t> order;
    const auto sort = [&] { order = m_model.columnOrder(column, !toggle); };
    if (!wait)
        sort();
    else if (!wait(sort))
        return;
    toggle = !toggle;
    m_order = {tag - 1, toggle, false};
    m_model.reorder(order);
}

void FileList::moveEntry(int from, int to)
{
    const int count = m_model.rowCount();
    if (from == to || from < 0 || to < 0 || from >= count || to >= count)
        return;
    m_order = {};
    m_model.moveEntry(from, to);
}

void FileList::renameEntry(int row, const std::string& name)
{
    if (m_order.column == FileListModel::NameColumn) {
        // The new name keeps the name order while it still sorts between its neighbours.
        std::vector<std::string_view> names;
        if (row > 0)
            names.emplace_back(m_model.entry(row - 1).name);
        names.emplace_back(name);
        if (row + 1 < m_model.rowCount())
            names.emplace_back(m_model.entry(row + 1).name);
        const std::vector<std::size_t> sorted =
            collationOrder(names, m_order.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive, m_order.descending);
        std::vector<std::size_t> kept(names.size());
        std::iota(kept.begin(), kept.end(), std::size_t {0});
        if (sorted != kept)
            m_order = {};
    }
    m_model.setName(row, name);
}

}  // namespace moxtal
