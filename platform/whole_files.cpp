#include "whole_files.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/app_error.h"

namespace moxtal {

namespace {

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// What a chain of symbolic links at path ends at (path itself when it is none); empty when the
// chain is too long or cannot be read.
std::string linkTarget(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st { };
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
            return {};
        target.resize(static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : folderOf(path) + target;
    }
    return {};
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

WholeFileWriter::WholeFileWriter(const std::string& path) : m_path(linkTarget(path))
{
    const std::string folder = folderOf(m_path);
    if (m_path.empty() || m_path.back() == '/')
        throw AppError(messages::kCannotCreateFile, {path});
    // Only a regular file is ever replaced: a FIFO, a device or a folder at the path (or at the
    // end of its links) stays as it is.
    struct stat existing { };
    if (::stat(m_path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw AppError(messages::kCannotCreateFile, {path});
    // A short name, so that it fits beside a target of 255 bytes.
    m_temporary = folder + ".mxtXXXXXX";
    m_fd = UniqueFd(::mkostemp(m_temporary.data(), O_CLOEXEC));
    if (!m_fd)
        throw AppError(messages::kCannotCreateFile, {path});
    // mkstemp makes the file private: a file that is replaced keeps its mode, a new one gets the
    // mode any new file would.
    if (::stat(m_path.c_str(), &existing) == 0) {
        ::fchmod(m_fd.get(), existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd.get(), 0666 & ~mask);
    }
}

WholeFileWriter::~WholeFileWriter()
{
    if (!m_committed)
        ::unlink(m_temporary.c_str());
}

void WholeFileWriter::write(std::string_view bytes)
{
    if (!writeAll(m_fd.get(), bytes))
        throw AppError(messages::kWriteError, {});
}

void WholeFileWriter::commit()
{
    if (::fsync(m_fd.get()) != 0)
        throw AppError(messages::kWriteError, {});
    m_fd.reset();
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        throw AppError(messages::kCannotCreateFile, {m_path});
    m_committed = true;
}

void writeWholeFile(const std::string& path, std::string_view bytes)
{
    WholeFileWriter writer(path);
    writer.write(bytes);
    writer.commit();
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes)
{
    // Without blocking: a FIFO or a device is no file to read, and never holds the program up.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st { };
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return std::nullopt;
    std::string content;
    content.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0)
            return content;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (content.size() + static_cast<std::size_t>(n) > maxBytes)
            return std::nullopt;  // grew while it was read
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace moxtal
