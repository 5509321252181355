#include "rename_log_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/app_error.h"
#include "whole_files.h"

namespace moxtal {

namespace {

std::atomic<std::size_t> g_syncs {0};
std::atomic<std::size_t> g_writeLimit {SIZE_MAX};
std::atomic<std::size_t> g_written {0};

bool sameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes bytes at offset as far as the disk takes them, going on after a short write: the count
// written, with errno set when that is less than all of them (ENOSPC for a full disk that gave a
// short write and nothing more).
std::size_t writeAsFarAsItGoes(int fd, std::string_view bytes, std::size_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        std::size_t want = bytes.size() - done;
        const std::size_t limit = g_writeLimit;
        if (g_written + want > limit) {
            want = limit > g_written ? limit - g_written : 0;  // the tests' full disk
            if (want == 0) {
                errno = ENOSPC;
                break;
            }
        }
        const ssize_t n = ::pwrite(fd, bytes.data() + done, want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
        g_written += static_cast<std::size_t>(n);
    }
    return done;
}

// The whole of bytes at offset; false (errno set) for a failed or short write.
bool writeWholeRow(int fd, std::string_view bytes, std::size_t offset)
{
    return writeAsFarAsItGoes(fd, bytes, offset) == bytes.size();
}

}  // namespace

std::size_t RenameLogFile::syncCount()
{
    return g_syncs;
}

void RenameLogFile::limitWritesForTests(std::size_t limit)
{
    g_written = 0;
    g_writeLimit = limit;
}

RenameLogFile::RenameLogFile(const std::string& path, Use use) : m_path(path)
{
    const std::string named = "the log " + path;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int common = O_NONBLOCK | O_CLOEXEC;
        m_readOnly = false;
        if (use == Use::Append) {
            m_fd = UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | common, 0666));
        } else {
            m_fd = UniqueFd(::open(path.c_str(), O_RDWR | common));
            if (!m_fd && (errno == EACCES || errno == EROFS || errno == EPERM)) {
                m_fd = UniqueFd(::open(path.c_str(), O_RDONLY | common));
                m_readOnly = true;
            }
        }
        if (!m_fd)
            throw AppError("cannot open " + named + ": " + std::strerror(errno));
        struct stat held {
        }, atPath {};
        if (::fstat(m_fd.get(), &held) != 0 || !S_ISREG(held.st_mode))
            throw AppError(named + " is not a regular file");
        if (::flock(m_fd.get(), (m_readOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                throw LogInUse(named + " is in use by another rename pass or undo");
            throw AppError("cannot lock " + named + ": " + std::strerror(errno));
        }
        // An undo may have replaced the file between the open and the lock: lock the new one.
        if (::stat(path.c_str(), &atPath) == 0 && sameInode(held, atPath)) {
            m_size = static_cast<std::size_t>(held.st_size);
            return;
        }
    }
    throw AppError(named + " keeps being replaced");
}

std::string RenameLogFile::read() const
{
    struct stat st { };
    if (::fstat(m_fd.get(), &st) != 0)
        throw AppError("cannot read the log " + m_path + ": " + std::strerror(errno));
    if (static_cast<std::uint64_t>(st.st_size) > kMaxLogBytes)
        throw AppError("cannot read the log " + m_path + ": larger than 1 GiB");
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::pread(m_fd.get(), text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw AppError("cannot read the log " + m_path + ": " + std::strerror(errno));
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    text.resize(done);
    return text;
}

std::string RenameLogFile::prepareToAppend()
{
    const std::string text = read();
    LogScan scan;
    try {
        scan = scanLogText(text);
    } catch (const LogFormatError& e) {
        throw AppError(m_path + " is not a rename log (" + e.what() + ")");
    }
    std::string notice;
    if (scan.tornLine > 0 && !text.empty()) {
        if (::ftruncate(m_fd.get(), static_cast<off_t>(scan.wholeEnd)) != 0)
            throw AppError("cannot cut the torn tail of the log " + m_path + ": " + std::strerror(errno));
        notice = "the log " + m_path + " ended in a torn row at line " + std::to_string(scan.tornLine) +
                 " (a crash or a full disk); that tail was cut off";
    }
    m_size = scan.wholeEnd;
    if (m_size == 0) {
        const std::string title = std::string(kLogTitle) + "\r\n";
        if (!writeWholeRow(m_fd.get(), title, 0) || ::fsync(m_fd.get()) != 0) {
            const int error = errno;
            (void)::ftruncate(m_fd.get(), 0);
            throw AppError("cannot write the log " + m_path + ": " + std::strerror(error));
        }
        ++g_syncs;
        m_size = title.size();
    }
    return notice;
}

std::size_t RenameLogFile::writeAhead(const std::vector<TLogEntry>& entries)
{
    // The batch's rows go to the disk in one write, not one each.
    m_rows.clear();
    m_rowEnds.clear();
    for (const TLogEntry& entry : entries) {
        appendLogRow(m_rows, entry, LogColumns::WithIdentity);
        m_rowEnds.push_back(m_rows.size());
    }
    const std::size_t bytes = writeAsFarAsItGoes(m_fd.get(), m_rows, m_size);
    // The rows written whole; a full disk may have cut the next one.
    const auto wholeRows =
        static_cast<std::size_t>(std::upper_bound(m_rowEnds.begin(), m_rowEnds.end(), bytes) - m_rowEnds.begin());
    const std::size_t wholeBytes = wholeRows == 0 ? 0 : m_rowEnds[wholeRows - 1];
    if (bytes < m_rows.size()) {
        m_error = std::strerror(errno);
        // Half a row would make the rows after it unreadable: the log ends with the last whole row.
        (void)::ftruncate(m_fd.get(), static_cast<off_t>(m_size + wholeBytes));
    }
    m_size += wholeBytes;
    if (wholeRows == 0)
        return 0;
    if (::fsync(m_fd.get()) != 0) {
        m_error = std::strerror(errno);
        return 0;
    }
    ++g_syncs;
    return wholeRows;
}

void RenameLogFile::replace(std::string_view text)
{
    WholeFileWriter writer(m_path);
    writer.write(text);
    writer.commit();
}

}  // namespace moxtal
