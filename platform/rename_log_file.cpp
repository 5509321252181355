#include "rename_log_file.h"

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

// One write of the whole of bytes at offset; false (errno set) for a failed or short one.
bool writeWholeRow(int fd, std::string_view bytes, std::size_t offset)
{
    if (g_written + bytes.size() > g_writeLimit) {
        errno = ENOSPC;
        return false;
    }
    ssize_t n;
    do {
        n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(bytes.size())) {
        g_written += bytes.size();
        return true;
    }
    if (n >= 0)
        errno = ENOSPC;  // a short write: the disk is full
    return false;
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
    std::size_t written = 0;
    for (const TLogEntry& entry : entries) {
        m_row.clear();
        appendLogRow(m_row, entry, LogColumns::WithIdentity);
        if (!writeWholeRow(m_fd.get(), m_row, m_size)) {
            m_error = std::strerror(errno);
            // Half a row would make the rows after it unreadable: the log ends with the last whole row.
            (void)::ftruncate(m_fd.get(), static_cast<off_t>(m_size));
            break;
        }
        m_size += m_row.size();
        ++written;
    }
    if (written == 0)
        return 0;
    if (::fsync(m_fd.get()) != 0) {
        m_error = std::strerror(errno);
        return 0;
    }
    ++g_syncs;
    return written;
}

void RenameLogFile::replace(std::string_view text)
{
    WholeFileWriter writer(m_path);
    writer.write(text);
    writer.commit();
}

}  // namespace moxtal
