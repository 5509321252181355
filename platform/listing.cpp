#include "listing.h"

#include <cstdint>
#include <ctime>
#include <string_view>
#include <sys/stat.h>
#include <utility>

#include "core/rename_job.h"
#include "core/wildcard.h"
#include "file_times.h"
#include "posix_handles.h"
#include "sort_orders.h"
#include "status_readers.h"

namespace moxtal {

std::vector<std::string> jobDateTexts(const std::vector<ListedFile>& files, const std::string& replacement)
{
    std::vector<std::string> dates;
    if (!replacementUsesDate(replacement))
        return dates;
    dates.reserve(files.size());
    for (const ListedFile& file : files)
        dates.push_back(dateTextOf(file.timeStamp));
    return dates;
}

bool isListable(const EntryAttributes& a)
{
    return !a.directory && !a.readOnly && !a.hidden && !a.system && a.size != 0;
}

std::vector<ListedFile> listFolder(const std::string& folder, const std::vector<std::string>& masks, bool* readable,
                                   std::optional<FolderIdentity>* identity, FolderNames* names,
                                   const ListingProgress& progress)
{
    UniqueFd fd;
    if (!folder.empty() && folder[0] == '/')
        fd = openFolderFd(folder);
    if (identity)
        *identity = identityOf(fd.get());
    if (!fd) {
        if (readable)
            *readable = false;
        return {};
    }
    return listFolderAt(fd.get(), masks, readable, names, progress);
}

namespace {

// Far longer than a tick of any file system's clock.
constexpr std::int64_t kSettledNs = 200'000'000;

}  // namespace

std::optional<std::int64_t> folderModified(int folderFd)
{
    struct stat st { };
    if (folderFd < 0 || ::fstat(folderFd, &st) != 0)
        return std::nullopt;
    return std::int64_t {st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
}

std::vector<ListedFile> listFolderAt(int folderFd, const std::vector<std::string>& masks, bool* readable,
                                     FolderNames* names, const ListingProgress& progress)
{
    std::vector<ListedFile> files = listFolderUnsortedAt(folderFd, masks, {readable, names, nullptr, progress, {}});
    sortByName(files);
    return files;
}

std::vector<std::string_view> NameBlock::views() const
{
    std::vector<std::string_view> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i)
        out.push_back((*this)[i]);
    return out;
}

std::vector<ListedFile> listFolderUnsortedAt(int folderFd, const std::vector<std::string>& masks,
                                             const ListingExtras& extras)
{
    bool* const readable = extras.readable;
    FolderNames* const names = extras.names;
    NameBlock* const block = extras.nameBlock;
    const ListingProgress& progress = extras.progress;
    const DirHandle dir = openFolder(folderFd);
    if (readable)
        *readable = static_cast<bool>(dir);
    if (!dir)
        return {};
    const int fd = dir.fd();
    // Taken before the names are read: a change while they are read makes them stale, never the
    // other way round.
    if (names) {
        names->modified = folderModified(fd).value_or(0);
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const std::int64_t nowNs = std::int64_t {now.tv_sec} * 1000000000 + now.tv_nsec;
        names->settled = names->modified != 0 && nowNs - names->modified > kSettledNs;
        names->names.clear();
    }
    if (block)
        block->clear();
    // The names go to the status readers as they are read.
    StatusReaders reader(fd, progress, extras.work);
    const auto cancel = [&] {
        if (readable)
            *readable = false;
        return std::vector<ListedFile> {};
    };
    // First the names, in folder order, one pass per mask (a file matching two masks is listed
    // twice); hidden names never reach the list, so their status is not read. The progress counts
    // each entry of the folder once ("." and ".." aside), all in the first pass: done at once when
    // its status is not read then, else once it is.
    bool first = true;
    bool namesTaken = false;
    std::size_t namesRead = 0;  // in every pass: how often the progress hears
    std::size_t seen = 0;  // entries of the first pass done without a status read
    for (const std::string& mask : masks) {
        if (mask.empty())
            continue;
        if (!first)
            ::rewinddir(dir.get());
        const bool takeNames = (names || block) && first;
        const bool counting = first;
        first = false;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            const bool ownEntry = name != "." && name != "..";
            if (takeNames && ownEntry) {
                if (names)
                    names->names.emplace_back(name);
                if (block)
                    block->add(name);
            }
            if ((++namesRead & 4095) == 0 && progress && !progress(seen + reader.done()))
                return cancel();
            const bool hidden = !name.empty() && name[0] == '.';
            const bool listed = !hidden && wildcardMatch(mask, name);
            if (listed)
                reader.add(name, counting);
            else if (counting && ownEntry)
                ++seen;
        }
        namesTaken = namesTaken || takeNames;
    }
    if ((names || block) && !namesTaken) {
        std::vector<std::string> all = entryNamesAt(fd).value_or(std::vector<std::string> {});
        if (block) {
            for (const std::string& name : all)
                block->add(name);
        }
        if (names)
            names->names = std::move(all);
    }
    // Then the status of the names not read yet.
    if (!reader.finish(seen))
        return cancel();
    if (extras.runs) {
        *extras.runs = reader.takeRuns();
        return {};
    }
    return reader.take();
}

std::optional<std::vector<std::string>> entryNamesAt(int folderFd)
{
    const DirHandle dir = openFolder(folderFd);
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

}  // namespace moxtal
