#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/listed_folder.h"
#include "posix_handles.h"

namespace moxtal {

// One file of a listing (and one row of the file list, which adds its icon).
struct ListedFile {
    std::string name;
    std::int64_t size = 0;
    std::int64_t timeStamp = 0;  // LocalFileTime::stamp() (file_times.h); dateTextOf gives its date text
    int image = -1;  // the file list's icon index
};

// The date texts a job over files needs: one per file when replacement uses \d or \D, else none
// (they are made only then).
std::vector<std::string> jobDateTexts(const std::vector<ListedFile>& files, const std::string& replacement);

// Whether a directory entry belongs in the file list: not a folder, not read-only (owner's write
// bit clear), not hidden (leading "."), not system (neither regular file nor folder), not empty.
struct EntryAttributes {
    bool directory = false;
    bool readOnly = false;
    bool hidden = false;
    bool system = false;
    std::int64_t size = 0;
};
bool isListable(const EntryAttributes& attributes);

// The folder's modification time in nanoseconds, or nothing.
std::optional<std::int64_t> folderModified(int folderFd);

// Lists the files of folder that match one of the masks, one pass per mask in order (a file
// matching two masks is listed twice), then sorts them by name with the case-sensitive locale
// comparison. A folder that does not exist or cannot be read, and a path that does not begin with
// "/" (the computer node's "computer:"), give an empty listing; readable, when given, tells that
// case apart from a folder without matching files; identity, when given, receives which folder
// was listed, so that a rename can make sure it renames in that one.
// Hears how many entries of the folder a listing has done so far, now and then, on the calling
// thread: each entry counts once ("." and ".." never), at the end all of them, whatever the masks.
// False cancels the listing, which then gives nothing, as for a folder that cannot be read.
using ListingProgress = std::function<bool(std::size_t entriesSeen)>;
std::vector<ListedFile> listFolder(const std::string& folder, const std::vector<std::string>& masks,
                                   bool* readable = nullptr, std::optional<FolderIdentity>* identity = nullptr,
                                   FolderNames* names = nullptr, const ListingProgress& progress = {});
// The same for the folder open as folderFd (it stays open); names, when given, receives every
// name the folder holds. The entries' status is read by a few threads at once (as many as
// listingThreads gives: listing_threads.h); the result is the same as one thread's.
std::vector<ListedFile> listFolderAt(int folderFd, const std::vector<std::string>& masks, bool* readable = nullptr,
                                     FolderNames* names = nullptr, const ListingProgress& progress = {});

// Every name a folder held ("." and ".." aside) when it was listed, in one block of bytes rather
// than a string each: cheaper to gather for a caller that only looks them up a while.
class NameBlock {
public:
    void add(std::string_view name)
    {
        m_bytes += name;
        m_ends.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    }
    void clear()
    {
        m_bytes.clear();
        m_ends.clear();
    }
    std::size_t size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[i] - begin);
    }
    // Views of every name, valid while the block is unchanged.
    std::vector<std::string_view> views() const;

private:
    std::string m_bytes;
    std::vector<std::uint32_t> m_ends;
};

// Work on a listing's files in its threads, as their status comes back (a match, a collation key:
// whatever needs no order): each run of files that belong in the list goes to it once, in the
// names' order, on the thread that read their status, several runs at a time. The runs are
// numbered from 0 in the order of the list the listing gives, where they follow one another (a run
// may be empty). It must not throw.
using ListedRunWork = std::function<void(std::size_t run, const std::vector<ListedFile>& files)>;

// What a listing hands out beside its files, and the work it does on them; each only when set.
struct ListingExtras {
    bool* readable = nullptr;  // as listFolderAt's
    FolderNames* names = nullptr;  // as listFolderAt's
    NameBlock* nameBlock = nullptr;  // every name the folder holds, in one block
    ListingProgress progress;
    ListedRunWork work;
    // When given, receives the files as the runs the work got, one after the other in the list's
    // order, and the listing gives no list of its own (no second copy of a large list).
    std::vector<std::vector<ListedFile>>* runs = nullptr;
};

// listFolderAt without the sort: the files in the order the folder gives their names, mask after
// mask, for a caller that orders them itself (sortByName gives listFolderAt's order).
std::vector<ListedFile> listFolderUnsortedAt(int folderFd, const std::vector<std::string>& masks,
                                             const ListingExtras& extras);

// Every name the folder open as folderFd holds ("." and ".." aside), of whatever kind: what a
// rename in it must not land on. Nothing when it cannot be read.
std::optional<std::vector<std::string>> entryNamesAt(int folderFd);

}  // namespace moxtal
