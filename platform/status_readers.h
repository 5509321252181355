#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "listing.h"

namespace moxtal {

// Reads the status of a listing's names while the folder is still being read: the names go out in
// chunks as they come, a few helper threads read their status, and the calling thread joins in once
// the names are all read (it alone reports progress). Each chunk keeps its own results, so the list
// and its order are the names' order whatever the threads do. A name added as counted is one entry
// of the progress, which is done once its status is read; the names a later mask gives again are
// not counted a second time. The work, when there is any, gets each chunk's files that belong in the
// list (a run) on the thread that read them.
class StatusReaders {
public:
    // For the names of the folder open as folderFd; progress and work must outlive the readers.
    StatusReaders(int folderFd, const ListingProgress& progress, const ListedRunWork& work = {});
    StatusReaders(const StatusReaders&) = delete;
    StatusReaders& operator=(const StatusReaders&) = delete;
    // A listing given up while the names are read (cancelled) leaves the helpers nothing to read.
    ~StatusReaders();

    void add(std::string_view name, bool counted);

    // How many counted names have their status read so far.
    std::size_t done() const { return m_done.load(); }

    // After the last name: reads the status of what is left with the helpers; false when the
    // progress cancelled it. seenBefore is how many entries were done without a status read.
    bool finish(std::size_t seenBefore);

    // The entries that belong in the list, in the names' order.
    std::vector<ListedFile> take();
    // The same as the runs the work got, in their order.
    std::vector<std::vector<ListedFile>> takeRuns();

private:
    // How the status reads are shared out: among how many threads, in chunks of how many names,
    // from how many names on (below that the threads cost more than they save).
    struct Spread {
        int threads;
        std::size_t chunk;
        std::size_t parallelFrom;
        bool statusFromLookup;  // the file system's answer to a name's lookup holds its status
    };
    static Spread spreadFor(int folderFd);

    struct Chunk {
        std::vector<ListedFile> files;  // once read, only those that belong in the list
        std::size_t counted = 0;  // how many of the files count in the progress
        std::size_t run = 0;  // its place among the chunks
    };

    void publish();
    // The next chunk nobody has taken; waiting for one while the names are still read.
    Chunk* nextChunk(bool wait);
    void startHelpers();
    void stopHelpers();
    void helper();
    // Fills in each entry's size and time, keeps those that belong in the list, and gives them to
    // the work.
    void read(Chunk& chunk, int folder) const;

    const int m_fd;
    const ListingProgress& m_progress;
    const ListedRunWork& m_work;
    const Spread m_spread;
    std::unique_ptr<Chunk> m_filling;
    std::size_t m_count = 0;
    std::size_t m_counted = 0;
    std::mutex m_lock;
    std::condition_variable m_ready;
    std::vector<std::unique_ptr<Chunk>> m_chunks;  // guarded by m_lock while helpers run
    std::size_t m_next = 0;
    bool m_closed = false;
    std::atomic<bool> m_cancelled {false};
    std::atomic<std::size_t> m_done {0};
    std::vector<std::thread> m_helpers;
};

// Which of names, entries of the folder open as folderFd, are folders, links followed (a link to a
// folder is one, a dangling link is none): for a folder whose entries come without their kind. The
// statuses are read as a listing's are, by as many threads as listingThreads gives (on a file
// server many, in small chunks, so that the round trips overlap), the calling thread among them;
// each answer stands in its name's place. progress hears how many names are done now and then, on
// the calling thread; false cancels, and then there is no answer.
std::optional<std::vector<char>> foldersAmong(int folderFd, const std::vector<std::string>& names,
                                              const ListingProgress& progress = {});

// For work on count items that each wait on the folder open as folderFd (a few status reads or
// folder reads of its entries): answer(i) for every i, called on any thread, the items shared out
// one at a time among as many threads as the folder's status reads get (on a file server many),
// the calling thread among them; each answer stands in its item's place. progress as above.
std::optional<std::vector<char>> answerEach(int folderFd, std::size_t count,
                                            const std::function<bool(std::size_t item)>& answer,
                                            const ListingProgress& progress = {});

}  // namespace moxtal
