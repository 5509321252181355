#include "journal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "paths.h"
#include "posix_handles.h"

namespace moxtal {

namespace {

constexpr std::string_view kPassPrefix = "pass-";
constexpr std::string_view kPassSuffix = ".csv";
// "pass-" "20261210T093012Z" "-" "001" ".csv"
constexpr std::size_t kPassNameLength = 5 + 16 + 1 + 3 + 4;
constexpr unsigned kMostPassesInASecond = 999;

// Creates folder and its missing parents as private folders (the journal names every renamed file).
bool makePrivateFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    if (!isDirectory(folder)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

std::string withReason(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

}  // namespace

std::string chooseJournalFolder(const char* xdgStateHome, const char* home)
{
    if (xdgStateHome && xdgStateHome[0] == '/')
        return joinPath(xdgStateHome, "moxtal/");
    if (home && home[0] == '/')
        return joinPath(home, ".local/state/moxtal/");
    return {};
}

std::string journalFolder()
{
    return chooseJournalFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::string passFileName(std::time_t utc, unsigned counter)
{
    struct tm t { };
    ::gmtime_r(&utc, &t);
    char name[64];
    std::snprintf(name, sizeof name, "pass-%04d%02d%02dT%02d%02d%02dZ-%03u.csv", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, counter);
    return name;
}

bool isPassFileName(std::string_view name)
{
    if (name.size() != kPassNameLength || name.substr(0, kPassPrefix.size()) != kPassPrefix ||
        name.substr(name.size() - kPassSuffix.size()) != kPassSuffix)
        return false;
    // After the prefix: 8 digits, "T", 6 digits, "Z-", 3 digits.
    const std::string_view shape = "ddddddddTddddddZ-ddd";
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = name[kPassPrefix.size() + i];
        if (shape[i] == 'd' ? (c < '0' || c > '9') : c != shape[i])
            return false;
    }
    return true;
}

std::vector<std::string> passFileNames(const std::string& folder)
{
    std::vector<std::string> names;
    const DirHandle dir = openFolder(folder);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (isPassFileName(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void prunePassFiles(const std::string& folder, std::size_t kept)
{
    const std::vector<std::string> names = passFileNames(folder);
    for (std::size_t i = 0; i + kept < names.size(); ++i) {
        const std::string path = joinPath(folder, names[i]);
        // A file that an undo holds is left to it; the next pass removes it.
        const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
        if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
    }
}

std::optional<std::string> newestPassToUndo(const std::string& folder)
{
    const std::vector<std::string> names = passFileNames(folder);
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        const std::string path = joinPath(folder, *name);
        // The first row of a log is near its start: a row holds two names and a folder path.
        const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        struct stat st { };
        if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            return path;
        std::string head(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), 65536), '\0');
        const ssize_t n = ::pread(fd.get(), head.data(), head.size(), 0);
        if (n < 0)
            return path;
        head.resize(static_cast<std::size_t>(n));
        try {
            if (!scanLogText(head).starts.empty() || static_cast<std::size_t>(st.st_size) > head.size())
                return path;
        } catch (const LogFormatError&) {
            return path;
        }
    }
    return std::nullopt;
}

JournalPass::JournalPass(Kind kind, std::optional<std::string> folder, std::function<std::time_t()> clock)
    : m_kind(kind), m_folder(folder ? std::move(*folder) : journalFolder()), m_clock(std::move(clock))
{ }

void JournalPass::turnOff(std::string reason)
{
    if (m_offReason.empty())
        m_offReason = std::move(reason);
}

bool JournalPass::open()
{
    if (m_folder.empty()) {
        turnOff("neither $XDG_STATE_HOME nor $HOME names a folder");
        return false;
    }
    if (!makePrivateFolders(m_folder)) {
        turnOff(withReason("cannot create " + m_folder, errno));
        return false;
    }
    if (m_kind == Kind::Pass) {
        const std::time_t now = m_clock ? m_clock() : std::time(nullptr);
        // After the passes of the same second already there, so that the names keep their order.
        const std::string stamp = passFileName(now, 0).substr(0, kPassNameLength - 7);
        unsigned counter = 1;
        for (const std::string& name : passFileNames(m_folder)) {
            if (name.compare(0, stamp.size(), stamp) == 0)
                counter = static_cast<unsigned>(std::atoi(name.c_str() + stamp.size())) + 1;
        }
        for (;; ++counter) {
            if (counter > kMostPassesInASecond) {
                turnOff("more than 999 passes in one second");
                return false;
            }
            m_path = m_folder + passFileName(now, counter);
            if (const UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)); fd)
                break;
            if (errno != EEXIST) {
                turnOff(withReason("cannot create " + m_path, errno));
                return false;
            }
        }
    } else {
        m_path = m_folder + std::string(kDirectRenamesFile);
        if (const UniqueFd fd(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600)); !fd) {
            turnOff(withReason("cannot create " + m_path, errno));
            return false;
        }
    }
    try {
        m_file.emplace(m_path, RenameLogFile::Use::Append);
        m_file->prepareToAppend();
    } catch (const std::exception& e) {
        m_file.reset();
        if (m_kind == Kind::Pass)
            ::unlink(m_path.c_str());  // the empty file just made
        turnOff(e.what());
        return false;
    }
    m_start = m_file->size();
    // The new file's name reaches the disk as its rows do: a power cut keeps the file.
    if (const UniqueFd dir(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
        ::fsync(dir.get());
    return true;
}

std::size_t JournalPass::writeAhead(const std::vector<TLogEntry>& entries)
{
    if (entries.empty() || !m_offReason.empty() || (!m_file && !open()))
        return entries.size();
    const std::size_t written = m_file->writeAhead(entries);
    m_written += written;
    if (written < entries.size())
        turnOff("cannot write " + m_path + ": " + m_file->error());
    return entries.size();
}

JournalRecord JournalPass::finish(const std::vector<TLogEntry>& done)
{
    JournalRecord record {m_file ? m_path : std::string(), m_offReason};
    if (!m_file)
        return record;
    // The pass's rows are the ones written ahead; done are those of them whose renames were
    // carried out. A journal that went off in the middle keeps what it has: an undo drops the rows
    // of renames that never ran.
    if (m_offReason.empty() && done.size() != m_written) {
        if (m_kind == Kind::Pass && done.empty()) {
            ::unlink(m_path.c_str());
            record.file.clear();
        } else {
            try {
                std::string text = m_file->read();
                text.resize(std::min(m_start, text.size()));
                for (const TLogEntry& entry : done)
                    appendLogRow(text, entry, LogColumns::WithIdentity);
                m_file->replace(text);
            } catch (const std::exception& e) {
                record.offReason = e.what();
            }
        }
    }
    m_file.reset();
    if (m_kind == Kind::Pass && !record.file.empty())
        prunePassFiles(m_folder);
    return record;
}

std::string removeJournalRows(const std::string& file, const std::vector<TLogEntry>& undone)
{
    if (undone.empty() || !pathExists(file))
        return {};
    std::optional<RenameLogFile> log;
    std::string text;
    LogScan scan;
    try {
        log.emplace(file, RenameLogFile::Use::Undo);
        if (log->readOnly())
            return "the journal file " + file + " can only be read";
        text = log->read();
        scan = scanLogText(text);
    } catch (const LogInUse&) {
        return {};
    } catch (const std::exception& e) {
        return e.what();
    }
    // Rows are told by all their fields; of equal rows (a file renamed the same way twice), the
    // newest goes first, as the log window's rows are the newest.
    std::unordered_map<std::string, std::size_t> wanted;
    std::string key;
    for (const TLogEntry& entry : undone) {
        key.clear();
        appendLogRow(key, entry, LogColumns::WithIdentity);
        ++wanted[key];
    }
    const std::vector<std::size_t>& starts = scan.starts;
    std::vector<bool> dropped(starts.size(), false);
    bool any = false;
    for (std::size_t i = starts.size(); i-- > 0;) {
        key.clear();
        appendLogRow(key, logRowAt(text, starts[i]), LogColumns::WithIdentity);
        const auto found = wanted.find(key);
        if (found != wanted.end() && found->second > 0) {
            --found->second;
            dropped[i] = true;
            any = true;
        }
    }
    if (!any)
        return {};
    std::string kept = text.substr(0, starts.front());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : scan.wholeEnd;
        if (!dropped[i])
            kept.append(text, starts[i], end - starts[i]);
    }
    try {
        log->replace(kept);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

}  // namespace moxtal
