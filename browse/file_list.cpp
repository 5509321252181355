#include "file_list.h"

#include "core/wildcard.h"
#include "platform/file_icons.h"
#include "platform/listing.h"

namespace moxtal {

void FileList::SetupFileList()
{
    m_filterText = "*.*";
    m_masks = {"*.*"};
    m_sortToggles = {false, false, false};
    m_model.images().clear();
}

void FileList::ListFolder(const std::string& folder, bool force)
{
    if (folder == m_listedFolder && !force)
        return;
    m_listedFolder = folder;
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
    for (FileEntry& entry : entries)
        entry.image = images.imageFor(entry.name);
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

void FileList::SortByColumn(int tag)
{
    if (tag < 1 || tag > 3)
        return;
    bool& toggle = m_sortToggles[static_cast<std::size_t>(tag - 1)];
    toggle = !toggle;
    m_model.sortByColumn(static_cast<FileListModel::Column>(tag - 1), toggle);
}

}  // namespace moxtal
