#include "status_readers.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <system_error>

#include "file_times.h"
#include "large_pages.h"
#include "listing_threads.h"
#include "posix_handles.h"

namespace moxtal {

namespace {

// Below this many names the threads cost more than they save.
constexpr std::size_t kParallelFrom = 2048;
constexpr std::size_t kChunk = 512;
// On a file server the threads mostly wait (listingThreads gives more of them): small chunks keep
// them all busy.
constexpr std::size_t kWaitingChunk = 32;

// How the folder's file system answers: whether its reads wait on a server (or a user-space
// daemon), and whether that is FUSE.
struct FileSystemAnswers {
    bool waits = false;
    bool fuse = false;
};
FileSystemAnswers answersOf(int fd)
{
    struct statfs info { };
    if (::fstatfs(fd, &info) != 0)
        return {};
    switch (static_cast<std::uint32_t>(info.f_type)) {
    case 0x65735546u:  // FUSE: sshfs, rclone, gvfs, ...
        return {true, true};
    case 0x6969u:  // NFS
    case 0xFF534D42u:  // CIFS
    case 0xFE534D42u:  // SMB2/3
    case 0x517Bu:  // SMB
    case 0x00C36400u:  // Ceph
    case 0x01021997u:  // 9P
    case 0x6B414653u:  // AFS
        return {true, false};
    default:
        return {};
    }
}

// The status of name in folder: mode, size and modification time; false when it cannot be read.
// FUSE answers the name's lookup with its attributes, which the status may take as they are (a
// second round trip to the server would ask for them again, at once).
bool readStatus(int folder, const char* name, bool fromLookup, mode_t& mode, std::int64_t& size, std::time_t& time)
{
    if (fromLookup) {
        struct statx st { };
        if (::statx(folder, name, AT_STATX_DONT_SYNC, STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME, &st) != 0)
            return false;
        mode = st.stx_mode;
        size = static_cast<std::int64_t>(st.stx_size);
        time = st.stx_mtime.tv_sec;
        return true;
    }
    struct stat st { };
    if (::fstatat(folder, name, &st, 0) != 0)
        return false;
    mode = st.st_mode;
    size = static_cast<std::int64_t>(st.st_size);
    time = st.st_mtim.tv_sec;
    return true;
}

}  // namespace

StatusReaders::Spread StatusReaders::spreadFor(int folderFd)
{
    const FileSystemAnswers answers = answersOf(folderFd);
    const int threads = listingThreads(answers.waits);
    if (answers.waits)
        return {threads, kWaitingChunk, 2 * kWaitingChunk, answers.fuse};
    return {threads, kChunk, kParallelFrom, false};
}

StatusReaders::StatusReaders(int folderFd, const ListingProgress& progress, const ListedRunWork& work)
    : m_fd(folderFd), m_progress(progress), m_work(work), m_spread(spreadFor(folderFd))
{ }

StatusReaders::~StatusReaders()
{
    m_cancelled = true;
    stopHelpers();
}

void StatusReaders::add(std::string_view name, bool counted)
{
    if (!m_filling) {
        m_filling = std::make_unique<Chunk>();
        m_filling->files.reserve(m_spread.chunk);
    }
    m_filling->files.push_back({std::string(name), 0, 0, -1});
    if (counted) {
        ++m_filling->counted;
        ++m_counted;
    }
    if (m_filling->files.size() == m_spread.chunk)
        publish();
    if (++m_count == m_spread.parallelFrom)
        startHelpers();
}

bool StatusReaders::finish(std::size_t seenBefore)
{
    publish();
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_closed = true;
    }
    m_ready.notify_all();
    while (Chunk* chunk = nextChunk(false)) {
        read(*chunk, m_fd);
        const std::size_t done = m_done.fetch_add(chunk->counted) + chunk->counted;
        if (m_progress && !m_progress(seenBefore + done)) {
            m_cancelled = true;
            break;
        }
    }
    stopHelpers();
    // Once more at the end, whatever share of the chunks the calling thread happened to get.
    return !m_cancelled && (!m_progress || m_progress(seenBefore + m_counted));
}

std::vector<ListedFile> StatusReaders::take()
{
    std::size_t kept = 0;
    for (const std::unique_ptr<Chunk>& chunk : m_chunks)
        kept += chunk->files.size();
    std::vector<ListedFile> files;
    reserveInLargePages(files, kept);
    for (const std::unique_ptr<Chunk>& chunk : m_chunks)
        std::move(chunk->files.begin(), chunk->files.end(), std::back_inserter(files));
    m_chunks.clear();
    return files;
}

std::vector<std::vector<ListedFile>> StatusReaders::takeRuns()
{
    std::vector<std::vector<ListedFile>> runs;
    runs.reserve(m_chunks.size());
    for (const std::unique_ptr<Chunk>& chunk : m_chunks)
        runs.push_back(std::move(chunk->files));
    m_chunks.clear();
    return runs;
}

void StatusReaders::publish()
{
    if (!m_filling || m_filling->files.empty())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_filling->run = m_chunks.size();
        m_chunks.push_back(std::move(m_filling));
    }
    m_ready.notify_one();
}

StatusReaders::Chunk* StatusReaders::nextChunk(bool wait)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (wait)
        m_ready.wait(lock, [&] { return m_next < m_chunks.size() || m_closed || m_cancelled; });
    if (m_cancelled || m_next >= m_chunks.size())
        return nullptr;
    return m_chunks[m_next++].get();
}

void StatusReaders::startHelpers()
{
    try {
        for (int t = 1; t < m_spread.threads; ++t)
            m_helpers.emplace_back([this] { helper(); });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones there are do the work.
    }
}

void StatusReaders::stopHelpers()
{
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_closed = true;
    }
    m_ready.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
    m_helpers.clear();
}

void StatusReaders::helper()
{
    // A descriptor of its own for the same folder: threads that share one open folder contend
    // for its reference count on every call.
    const UniqueFd own(::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int folder = own ? own.get() : m_fd;
    while (Chunk* chunk = nextChunk(true)) {
        read(*chunk, folder);
        m_done.fetch_add(chunk->counted);
    }
}

void StatusReaders::read(Chunk& chunk, int folder) const
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < chunk.files.size(); ++i) {
        ListedFile& file = chunk.files[i];
        mode_t mode = 0;
        std::int64_t size = 0;
        std::time_t time = 0;
        if (!readStatus(folder, file.name.c_str(), m_spread.statusFromLookup, mode, size, time))
            continue;  // unreadable status or a dangling link
        EntryAttributes attributes;
        attributes.directory = S_ISDIR(mode);
        attributes.readOnly = (mode & S_IWUSR) == 0;
        attributes.system = !S_ISREG(mode) && !S_ISDIR(mode);
        attributes.size = attributes.directory ? 0 : size;
        if (!isListable(attributes))
            continue;
        file.size = attributes.size;
        file.timeStamp = toLocalFileTime(time).stamp();
        if (kept != i)
            chunk.files[kept] = std::move(file);
        ++kept;
    }
    chunk.files.erase(chunk.files.begin() + static_cast<std::ptrdiff_t>(kept), chunk.files.end());
    if (m_work)
        m_work(chunk.run, chunk.files);
}

namespace {

// Work on count items shared out in chunks: each thread takes the next chunk until none is left or
// the work is cancelled; done counts the items done.
class SharedChunks {
public:
    using Work = std::function<void(int folderFd, std::size_t item)>;

    SharedChunks(std::size_t count, std::size_t chunk, const Work& work)
        : m_count(count), m_chunk(chunk), m_chunks((count + chunk - 1) / chunk), m_work(work)
    { }

    std::size_t chunks() const { return m_chunks; }
    std::size_t done() const { return m_done.load(); }
    void cancel() { m_cancelled = true; }

    // Does one chunk; false when none is left.
    bool runChunk(int folderFd)
    {
        const std::size_t c = m_cancelled ? m_chunks : m_next.fetch_add(1);
        if (c >= m_chunks)
            return false;
        const std::size_t end = std::min(m_count, (c + 1) * m_chunk);
        for (std::size_t i = c * m_chunk; i < end; ++i)
            m_work(folderFd, i);
        m_done.fetch_add(end - c * m_chunk);
        return true;
    }

private:
    const std::size_t m_count;
    const std::size_t m_chunk;
    const std::size_t m_chunks;
    const Work& m_work;
    std::atomic<std::size_t> m_next {0};
    std::atomic<std::size_t> m_done {0};
    std::atomic<bool> m_cancelled {false};
};

// Joins the helpers however the calling thread leaves, cancelling what they have not begun.
class Helpers {
public:
    explicit Helpers(SharedChunks& chunks) : m_chunks(chunks) { }
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;
    ~Helpers()
    {
        if (std::uncaught_exceptions() > 0)
            m_chunks.cancel();
        for (std::thread& helper : m_threads)
            helper.join();
    }
    void start(int count, int folderFd)
    {
        try {
            for (int t = 0; t < count; ++t) {
                m_threads.emplace_back([this, folderFd] {
                    // A descriptor of its own, as a listing's helper has.
                    const UniqueFd own(::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                    while (m_chunks.runChunk(own ? own.get() : folderFd)) { }
                });
            }
        } catch (const std::system_error&) {
            // No more threads to be had: the ones there are do the work.
        }
    }

private:
    SharedChunks& m_chunks;
    std::vector<std::thread> m_threads;
};

// Does work(fd, i) for each i < count in chunks of chunk, shared out from parallelFrom items on
// among as many threads as the status reads of the folder get, the calling thread among them; it
// alone tells progress how many are done. False when the progress cancelled the work.
bool shareOut(int folderFd, bool waiting, std::size_t count, std::size_t chunk, std::size_t parallelFrom,
              const SharedChunks::Work& work, const ListingProgress& progress)
{
    SharedChunks chunks(count, chunk, work);
    bool cancelled = false;
    {
        Helpers helpers(chunks);
        if (count >= parallelFrom) {
            const std::size_t threads = std::min<std::size_t>(listingThreads(waiting), chunks.chunks());
            helpers.start(static_cast<int>(threads) - 1, folderFd);
        }
        while (!cancelled && chunks.runChunk(folderFd)) {
            if (progress && !progress(chunks.done())) {
                chunks.cancel();
                cancelled = true;
            }
        }
    }
    return !cancelled && (!progress || progress(count));
}

// Below this many folders one thread probes them faster than several, on a local disk.
constexpr std::size_t kLocalProbesParallelFrom = 256;

}  // namespace

std::optional<std::vector<char>> foldersAmong(int folderFd, const std::vector<std::string>& names,
                                              const ListingProgress& progress)
{
    const bool waiting = answersOf(folderFd).waits;
    // Each written by one thread, read once they are all joined.
    std::vector<char> folders(names.size(), 0);
    const SharedChunks::Work isFolder = [&](int fd, std::size_t i) {
        struct stat st { };
        folders[i] = ::fstatat(fd, names[i].c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode);
    };
    if (!shareOut(folderFd, waiting, names.size(), waiting ? kWaitingChunk : kChunk,
                  waiting ? 2 * kWaitingChunk : kParallelFrom, isFolder, progress))
        return std::nullopt;
    return folders;
}

std::optional<std::vector<char>> answerEach(int folderFd, std::size_t count,
                                            const std::function<bool(std::size_t item)>& answer,
                                            const ListingProgress& progress)
{
    const bool waiting = answersOf(folderFd).waits;
    std::vector<char> answers(count, 0);
    const SharedChunks::Work ask = [&](int, std::size_t i) { answers[i] = answer(i); };
    if (!shareOut(folderFd, waiting, count, 1, waiting ? 2 : kLocalProbesParallelFrom, ask, progress))
        return std::nullopt;
    return answers;
}

}  // namespace moxtal
