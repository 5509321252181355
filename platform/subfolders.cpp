#include "subfolders.h"

#include <algorithm>
#include <dirent.h>
#include <optional>
#include <string_view>
#include <vector>

#include "paths.h"
#include "posix_handles.h"
#include "status_readers.h"

namespace moxtal {

namespace {

// Entries whose kind is to be read before a batch's statuses are read: at first few, then twice as
// many each time, up to the most.
constexpr std::size_t kFirstBatch = 32;
constexpr std::size_t kLargestBatch = 16384;
constexpr std::size_t kProgressEvery = 4096;  // entries read between two reports

// The folders read but not visited yet, in the folder's order: those whose kind is known, and
// those whose status must tell it first.
class Batch {
public:
    bool empty() const { return m_order.empty(); }
    std::size_t unknown() const { return m_unknown.size(); }

    void addFolder(std::string_view name)
    {
        m_order.push_back({false, m_known.size()});
        m_known.emplace_back(name);
    }
    void addUnknown(std::string_view name)
    {
        m_order.push_back({true, m_unknown.size()});
        m_unknown.emplace_back(name);
    }

    // Reads the statuses of the unknown entries, then visits the folders in order. False when the
    // progress stopped the reads; stopped tells when visit did.
    bool visitAll(int folderFd, const std::function<bool(const std::string&)>& visit, const ListingProgress& progress,
                  bool& stopped)
    {
        std::optional<std::vector<char>> folders;
        if (!m_unknown.empty()) {
            folders = foldersAmong(folderFd, m_unknown, progress);
            if (!folders)
                return false;
        }
        for (const Place& place : m_order) {
            if (place.unknown && !(*folders)[place.index])
                continue;
            if (!visit(place.unknown ? m_unknown[place.index] : m_known[place.index])) {
                stopped = true;
                break;
            }
        }
        m_order.clear();
        m_known.clear();
        m_unknown.clear();
        return true;
    }

private:
    struct Place {
        bool unknown;
        std::size_t index;
    };
    std::vector<Place> m_order;
    std::vector<std::string> m_known;
    std::vector<std::string> m_unknown;
};

}  // namespace

bool forEachSubfolder(const std::string& path, const std::function<bool(const std::string& name)>& visit,
                      const ListingProgress& progress)
{
    const DirHandle dir = openFolder(path);
    if (!dir)
        return false;
    Batch batch;
    std::size_t read = 0;  // entries read
    std::size_t batchSize = kFirstBatch;
    bool stopped = false;
    // Every entry counts as done once it is known whether it is a folder.
    const auto visitBatch = [&] {
        const std::size_t decided = read - batch.unknown();
        const ListingProgress batchProgress = [&](std::size_t done) { return progress(decided + done); };
        return batch.visitAll(dir.fd(), visit, progress ? batchProgress : ListingProgress(), stopped);
    };
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (++read % kProgressEvery == 0 && progress && !progress(read - batch.unknown()))
            return false;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            batch.addUnknown(name);
        } else if (entry->d_type != DT_DIR) {
            continue;
        } else if (batch.empty()) {
            if (!visit(std::string(name)))
                return true;
            continue;
        } else {
            batch.addFolder(name);
        }
        if (batch.unknown() >= batchSize) {
            if (!visitBatch())
                return false;
            if (stopped)
                return true;
            batchSize = std::min(2 * batchSize, kLargestBatch);
        }
    }
    if (!batch.empty() && !visitBatch())
        return false;
    return stopped || !progress || progress(read);
}

std::optional<std::vector<char>> withSubfolders(const std::string& path, const std::vector<std::string>& names,
                                                const ListingProgress& progress)
{
    const UniqueFd folder = openFolderFd(path);
    if (!folder)
        return std::nullopt;
    const auto hasSubfolder = [&](std::size_t i) {
        bool found = false;
        forEachSubfolder(joinPath(path, names[i]), [&](const std::string&) {
            found = true;
            return false;
        });
        return found;
    };
    return answerEach(folder.get(), names.size(), hasSubfolder, progress);
}

}  // namespace moxtal
