#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "file_list_model.h"
#include "platform/folder_watch.h"
#include "platform/listing.h"
#include "platform/posix_handles.h"

namespace moxtal {

// The order the rows are in, which the list's heading shows: a column's, or none once a row was
// moved by hand.
struct RowOrder {
    int column = -1;  // FileListModel::Column, or -1
    bool descending = false;
    // A name order compares letter case as a listing sorts, or ignores it as " Name" sorts.
    bool caseSensitive = false;
};

// The file list's state and operations: the listed folder, the filter's masks, the sort toggles,
// the order of the rows, and the watch that tells when the listed folder changed on disk.
class FileList {
public:
    FileListModel& model() { return m_model; }
    const FileListModel& model() const { return m_model; }
    const std::string& listedFolder() const { return m_listedFolder; }
    const std::vector<std::string>& masks() const { return m_masks; }
    // Which folder the rows were listed from (none when it could not be read).
    const std::optional<FolderIdentity>& listedIdentity() const { return m_listedIdentity; }
    // Every name of the listed folder as it was listed, shared with the confirmation dialog.
    std::shared_ptr<const FolderNames> listedNames() const { return m_listedNames; }

    // What a listing reports its progress to: made anew for each listing (a window shows a
    // progress dialog when it takes long).
    void setProgress(std::function<ListingProgress()> make) { m_makeProgress = std::move(make); }

    void SetupFileList();
    // Lists folder's files; skipped when folder is the listed one and force is false.
    void ListFolder(const std::string& folder, bool force);
    // Takes a new filter text (cut into masks when it changed) and relists in every case.
    void SetFilter(const std::string& text);
    void RefreshFileList() { ListFolder(m_listedFolder, true); }
    // Runs work, which only reads the rows, and tells whether it ran to its end (a window shows
    // its progress and lets the user cancel it).
    using Wait = std::function<bool(const std::function<void()>& work)>;
    // Sorts by the column with tag 1 (Name), 2 (Size) or 3 (Date), flipping its toggle. The order
    // is worked out through wait, when given: a sort cancelled there changes nothing, its toggle
    // included.
    void SortByColumn(int tag, const Wait& wait = {});
    // Moves a row by hand: the rows are in no column's order then.
    void moveEntry(int from, int to);
    // Gives a row a file's new name in place; a name order that the new name breaks is lost.
    void renameEntry(int row, const std::string& name);
    const RowOrder& order() const { return m_order; }

    // The listed folder's entries changed on disk since it was listed (names that the filter
    // lists, or such files' size, time or permissions); a listing starts the watch afresh.
    FolderWatch& folderWatch() { return m_watch; }
    bool changedOnDisk() const { return m_watch.hasChanged(); }

private:
    FileListModel m_model;
    std::string m_listedFolder;
    std::optional<FolderIdentity> m_listedIdentity;
    std::shared_ptr<const FolderNames> m_listedNames;
    std::function<ListingProgress()> m_makeProgress;
    std::string m_filterText = "*.*";
    std::vector<std::string> m_masks {"*.*"};
    std::array<bool, 3> m_sortToggles {false, false, false};
    RowOrder m_order;
    FolderWatch m_watch;
};

}  // namespace moxtal
