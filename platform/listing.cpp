#include "listing.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <cstdlib>
#include <cstdint>
#include <ctime>
#include <numeric>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <QDate>
#include <QLocale>
#include <QTime>

#include "collation.h"
#include "core/rename_job.h"
#include "core/wildcard.h"
#include "posix_handles.h"

namespace moxtal {

std::int64_t LocalFileTime::stamp() const
{
    return ((((static_cast<std::int64_t>(year) * 13 + month) * 32 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

LocalFileTime LocalFileTime::fromStamp(std::int64_t stamp)
{
    LocalFileTime t;
    t.second = static_cast<int>(stamp % 60);
    stamp /= 60;
    t.minute = static_cast<int>(stamp % 60);
    stamp /= 60;
    t.hour = static_cast<int>(stamp % 24);
    stamp /= 24;
    t.day = static_cast<int>(stamp % 32);
    stamp /= 32;
    t.month = static_cast<int>(stamp % 13);
    t.year = static_cast<int>(stamp / 13);
    return t;
}

namespace {

// The calendar date of a count of days since 1970-01-01 (proleptic Gregorian).
void civilFromDays(long long days, int& year, int& month, int& day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

// The local broken-down time of t. The C library is asked for the offset from UTC once per
// quarter hour: since 1980 every time zone changes its offset only at a quarter hour, and a
// folder's files mostly share a few of them, so a listing does not pay localtime_r per file.
bool localTime(std::time_t t, std::tm& out)
{
    struct Cache {
        long long bucket = 0;
        long offset = 0;
        bool valid = false;
    };
    static thread_local Cache cache;
    const long long bucket = (t >= 0 ? t : t - 899) / 900;
    if (!cache.valid || cache.bucket != bucket) {
        std::tm local {};
        if (!::localtime_r(&t, &local))
            return false;
        cache = {bucket, local.tm_gmtoff, true};
        out = local;
        return true;
    }
    const long long local = static_cast<long long>(t) + cache.offset;
    const long long days = (local >= 0 ? local : local - 86399) / 86400;
    const long long secondOfDay = local - days * 86400;
    int year = 0, month = 0, day = 0;
    civilFromDays(days, year, month, day);
    out = std::tm {};
    out.tm_year = year - 1900;
    out.tm_mon = month - 1;
    out.tm_mday = day;
    out.tm_hour = static_cast<int>(secondOfDay / 3600);
    out.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    out.tm_sec = static_cast<int>(secondOfDay % 60);
    return true;
}

}  // namespace

LocalFileTime toLocalFileTime(std::time_t time)
{
    LocalFileTime result;
    std::tm local {};
    if (!localTime(time, local))
        return result;
    const int year = local.tm_year + 1900;
    if (year < 1980)
        return result;
    if (year > 2107)
        return LocalFileTime {2107, 12, 31, 23, 59, 58};
    result.year = year;
    result.month = local.tm_mon + 1;
    result.day = local.tm_mday;
    result.hour = local.tm_hour;
    result.minute = local.tm_min;
    result.second = std::min(local.tm_sec, 59) / 2 * 2;
    return result;
}

namespace {

// The date and time patterns of the system locale, taken once.
struct DateFormats {
    bool cLocale = true;
    QLocale locale;
    QString date;
    QString time;

    explicit DateFormats(const QLocale& of) : locale(of)
    {
        cLocale = locale.language() == QLocale::C;
        if (cLocale)
            return;
        date = locale.dateFormat(QLocale::ShortFormat);
        time = locale.timeFormat(QLocale::LongFormat);
        // The time zone field ("t", with the blank before it) has no place in a file's date.
        time.remove(QLatin1String(" t"));
        time.remove(QLatin1Char('t'));
        time = time.trimmed();
    }
};

const DateFormats& dateFormats()
{
    static const DateFormats formats(QLocale::system());
    return formats;
}

std::string formatDateText(const LocalFileTime& t, const DateFormats& formats);

void appendTwoDigits(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

std::string formatDateText(const LocalFileTime& t)
{
    return formatDateText(t, dateFormats());
}

std::string formatDateText(const LocalFileTime& t, const QLocale& locale)
{
    return formatDateText(t, DateFormats(locale));
}

namespace {

std::string formatDateText(const LocalFileTime& t, const DateFormats& formats)
{
    const bool midnight = t.hour == 0 && t.minute == 0 && t.second == 0;
    if (formats.cLocale) {
        std::string out;
        out.reserve(19);
        out += std::to_string(t.year);
        out += '/';
        appendTwoDigits(out, t.month);
        out += '/';
        appendTwoDigits(out, t.day);
        if (!midnight) {
            out += ' ';
            appendTwoDigits(out, t.hour);
            out += ':';
            appendTwoDigits(out, t.minute);
            out += ':';
            appendTwoDigits(out, t.second);
        }
        return out;
    }
    QString text = formats.locale.toString(QDate(t.year, t.month, t.day), formats.date);
    if (!midnight)
        text += QLatin1Char(' ') + formats.locale.toString(QTime(t.hour, t.minute, t.second), formats.time);
    return text.toStdString();
}

}  // namespace

std::string dateTextOf(std::int64_t stamp)
{
    return formatDateText(LocalFileTime::fromStamp(stamp));
}

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

namespace {

int g_listingThreads = 0;  // 0: chosen by the folder's file system and the machine's cores

constexpr int kMostListingThreads = 8;
// Below this many names the threads cost more than they save.
constexpr std::size_t kParallelFrom = 2048;
constexpr std::size_t kChunk = 512;
// On a file server each status read is a round trip: the threads wait rather than compute, so
// more of them pay than the machine has cores, and small chunks keep them all busy.
constexpr int kMostWaitingThreads = 16;
constexpr std::size_t kWaitingChunk = 32;

// Whether the folder is on a file system whose reads wait on a server (or a user-space daemon).
bool waitsOnServer(int fd)
{
    struct statfs info { };
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<std::uint32_t>(info.f_type)) {
    case 0x6969u:      // NFS
    case 0xFF534D42u:  // CIFS
    case 0xFE534D42u:  // SMB2/3
    case 0x517Bu:      // SMB
    case 0x65735546u:  // FUSE: sshfs, rclone, gvfs, ...
    case 0x00C36400u:  // Ceph
    case 0x01021997u:  // 9P
    case 0x6B414653u:  // AFS
        return true;
    default:
        return false;
    }
}

// How a listing's status reads are shared out: among how many threads, in chunks of how many
// names, from how many names on (below that the threads cost more than they save).
struct Spread {
    int threads = 1;
    std::size_t chunk = kChunk;
    std::size_t parallelFrom = kParallelFrom;
};

Spread spreadFor(bool waiting)
{
    Spread spread;
    if (waiting)
        spread = {kMostWaitingThreads, kWaitingChunk, 2 * kWaitingChunk};
    int threads = g_listingThreads;
    // The benchmark compares with one thread through the environment.
    if (threads <= 0) {
        static const int fromEnvironment = [] {
            const char* text = std::getenv("MOXTAL_LIST_THREADS");
            return text ? std::atoi(text) : 0;
        }();
        threads = std::min(fromEnvironment, 64);
    }
    if (threads <= 0 && !waiting) {
        const unsigned cores = std::thread::hardware_concurrency();
        threads = static_cast<int>(std::min<unsigned>(cores == 0 ? 1 : cores, kMostListingThreads));
    }
    if (threads > 0)
        spread.threads = threads;
    return spread;
}

// Reads the status of a listing's names while the folder is still being read: the names go out in
// chunks as they come, a few helper threads read their status, and the calling thread joins in once
// the names are all read (it alone reports progress). Each chunk keeps its own results, so the list
// and its order are the names' order whatever the threads do. A name added as counted is one entry
// of the progress, which is done once its status is read; the names a later mask gives again are
// not counted a second time.
class AttributeReader {
public:
    AttributeReader(int fd, const ListingProgress& progress)
        : m_fd(fd), m_progress(progress), m_spread(spreadFor(waitsOnServer(fd)))
    {
    }
    AttributeReader(const AttributeReader&) = delete;
    AttributeReader& operator=(const AttributeReader&) = delete;
    // A listing given up while the names are read (cancelled) leaves the helpers nothing to read.
    ~AttributeReader()
    {
        m_cancelled = true;
        stopHelpers();
    }

    void add(std::string_view name, bool counted)
    {
        if (!m_filling) {
            m_filling = std::make_unique<Chunk>();
            m_filling->files.reserve(m_spread.chunk);
        }
        m_filling->files.push_back({std::string(name), 0, 0});
        if (counted) {
            ++m_filling->counted;
            ++m_counted;
        }
        if (m_filling->files.size() == m_spread.chunk)
            publish();
        if (++m_count == m_spread.parallelFrom)
            startHelpers();
    }

    // How many counted names have their status read so far.
    std::size_t done() const { return m_done.load(); }

    // After the last name: reads the status of what is left with the helpers; false when the
    // progress cancelled it. seenBefore is how many entries were done without a status read.
    bool finish(std::size_t seenBefore)
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

    // The entries that belong in the list, in the names' order.
    std::vector<ListedFile> take()
    {
        std::size_t kept = 0;
        for (const std::unique_ptr<Chunk>& chunk : m_chunks)
            kept += static_cast<std::size_t>(std::count(chunk->keep.begin(), chunk->keep.end(), 1));
        std::vector<ListedFile> files;
        files.reserve(kept);
        for (const std::unique_ptr<Chunk>& chunk : m_chunks) {
            for (std::size_t i = 0; i < chunk->files.size(); ++i) {
                if (chunk->keep[i])
                    files.push_back(std::move(chunk->files[i]));
            }
        }
        m_chunks.clear();
        return files;
    }

private:
    struct Chunk {
        std::vector<ListedFile> files;
        std::vector<char> keep;  // whether each entry belongs in the list
        std::size_t counted = 0;  // how many of the files count in the progress
    };

    void publish()
    {
        if (!m_filling || m_filling->files.empty())
            return;
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            m_chunks.push_back(std::move(m_filling));
        }
        m_ready.notify_one();
    }

    // The next chunk nobody has taken; waiting for one while the names are still read.
    Chunk* nextChunk(bool wait)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        if (wait)
            m_ready.wait(lock, [&] { return m_next < m_chunks.size() || m_closed || m_cancelled; });
        if (m_cancelled || m_next >= m_chunks.size())
            return nullptr;
        return m_chunks[m_next++].get();
    }

    void startHelpers()
    {
        try {
            for (int t = 1; t < m_spread.threads; ++t)
                m_helpers.emplace_back([this] { helper(); });
        } catch (const std::system_error&) {
            // No more threads to be had: the ones there are do the work.
        }
    }

    void stopHelpers()
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

    void helper()
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

    // Fills in each entry's size and time and whether it belongs in the list.
    static void read(Chunk& chunk, int folder)
    {
        chunk.keep.assign(chunk.files.size(), 0);
        for (std::size_t i = 0; i < chunk.files.size(); ++i) {
            ListedFile& file = chunk.files[i];
            struct stat st { };
            if (::fstatat(folder, file.name.c_str(), &st, 0) != 0)
                continue;  // unreadable status or a dangling link
            EntryAttributes attributes;
            attributes.directory = S_ISDIR(st.st_mode);
            attributes.readOnly = (st.st_mode & S_IWUSR) == 0;
            attributes.system = !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
            attributes.size = attributes.directory ? 0 : static_cast<std::int64_t>(st.st_size);
            if (!isListable(attributes))
                continue;
            file.size = attributes.size;
            file.timeStamp = toLocalFileTime(st.st_mtim.tv_sec).stamp();
            chunk.keep[i] = 1;
        }
    }

    const int m_fd;
    const ListingProgress& m_progress;
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

}  // namespace

void setListingThreads(int threads)
{
    g_listingThreads = threads;
}

std::vector<ListedFile> listFolderAt(int folderFd, const std::vector<std::string>& masks, bool* readable,
                                     FolderNames* names, const ListingProgress& progress)
{
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
    // The names go to the status readers as they are read.
    AttributeReader reader(fd, progress);
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
        const bool takeNames = names && first;
        const bool counting = first;
        first = false;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            const bool ownEntry = name != "." && name != "..";
            if (takeNames && ownEntry)
                names->names.emplace_back(name);
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
    if (names && !namesTaken)
        names->names = entryNamesAt(fd).value_or(std::vector<std::string> {});
    // Then the status of the names not read yet.
    if (!reader.finish(seen))
        return cancel();
    std::vector<ListedFile> files = reader.take();
    sortByName(files);
    return files;
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

std::vector<std::size_t> columnOrder(const std::vector<ListedFile>& files, SortColumn column, bool descending)
{
    if (column == SortColumn::Name) {
        std::vector<std::string_view> names;
        names.reserve(files.size());
        for (const ListedFile& f : files)
            names.emplace_back(f.name);
        return collationOrder(names, Qt::CaseInsensitive, descending);
    }
    const auto key = [&](std::size_t i) { return column == SortColumn::Size ? files[i].size : files[i].timeStamp; };
    std::vector<std::size_t> order(files.size());
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return descending ? key(b) < key(a) : key(a) < key(b); });
    return order;
}

void sortByName(std::vector<ListedFile>& files)
{
    sortByName(files, QLocale::system());
}

void sortByName(std::vector<ListedFile>& files, const QLocale& locale)
{
    // The C locale orders ASCII names by their bytes: sorted in place, with no keys or copies
    // (two entries with equal names are the same file listed by two masks).
    const auto ascii = [](const ListedFile& f) {
        return std::all_of(f.name.begin(), f.name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    if (locale.language() == QLocale::C && std::all_of(files.begin(), files.end(), ascii)) {
        std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.name < b.name; });
        return;
    }
    std::vector<std::string_view> names;
    names.reserve(files.size());
    for (const ListedFile& file : files)
        names.emplace_back(file.name);
    applyOrder(files, collationOrder(names, Qt::CaseSensitive, false, locale));
}

}  // namespace moxtal
