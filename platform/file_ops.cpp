#include "file_ops.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "desktop.h"
#include "posix_handles.h"

namespace moxtal {

namespace {

bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool differOnlyInCase(const std::string& a, const std::string& b)
{
    return a != b && equalsIgnoringCase(a, b);
}

int renameat2NoReplace(int dirFd, const char* oldName, const char* newName)
{
    return ::renameat2(dirFd, oldName, dirFd, newName, RENAME_NOREPLACE);
}

bool sameFile(int dirFd, const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    if (::fstatat(dirFd, a.c_str(), &sa, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(dirFd, b.c_str(), &sb, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool nameTaken(int dirFd, const std::string& name)
{
    struct stat st {};
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// Which of two names the folder holds as entries of exactly those bytes. Name look-ups cannot
// tell: on a case-insensitive file system both names find the same entry.
struct ExactEntries {
    bool first = false;
    bool second = false;
};
ExactEntries findExactEntries(int dirFd, const std::string& first, const std::string& second)
{
    ExactEntries found;
    const DirHandle dir = openFolder(dirFd);
    if (!dir)
        return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        found.first = found.first || first == entry->d_name;
        found.second = found.second || second == entry->d_name;
    }
    return found;
}

// A new name taken by the file itself: a case change on a case-insensitive file system, where one
// entry answers to both names. Two entries (hard links of one file) are an existing target.
bool renameCaseChange(int fd, const std::string& oldName, const std::string& newName)
{
    if (!differOnlyInCase(oldName, newName) || !sameFile(fd, oldName, newName))
        return false;
    if (findExactEntries(fd, oldName, newName).second)
        return false;
    if (::renameat(fd, oldName.c_str(), fd, newName.c_str()) != 0)
        return false;
    // The system may report success for a rename onto the entry itself without changing it.
    const ExactEntries after = findExactEntries(fd, oldName, newName);
    return after.second && !after.first;
}

}  // namespace

UniqueFd openRenameFolder(const std::string& folder)
{
    // A relative path (the computer node's "computer:") would name a folder below wherever the
    // program happens to run.
    if (folder.find('\0') != std::string::npos || (!folder.empty() && folder[0] != '/'))
        return UniqueFd();
    return openFolderFd(folder.empty() ? "/" : folder);
}

bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName)
{
    const UniqueFd dir = openRenameFolder(folder);
    return dir && renameNoReplaceAt(dir.get(), oldName, newName);
}

RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                                    std::optional<FolderIdentity> listed)
{
    UniqueFd folderFd = openRenameFolder(folder);
    // Another folder put at the listed one's path gets no rename: every row fails.
    if (listed && identityOf(folderFd.get()) != listed)
        folderFd.reset();
    return renameRowsAt(folderFd.get(), folder, rows, keepLog);
}

RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              const RenameDone& done)
{
    return renameRows(
        folder, rows,
        [&](const std::string& oldName, const std::string& newName) {
            return renameNoReplaceAt(folderFd, oldName, newName);
        },
        keepLog, done);
}

bool renameNoReplaceAt(int fd, const std::string& oldName, const std::string& newName)
{
    // Every refusal leaves errno telling why, for the reason a "Failed" row shows.
    const auto refuse = [](int error) {
        errno = error;
        return false;
    };
    if (fd < 0)
        return refuse(EBADF);
    if (!isPlainName(oldName) || !isPlainName(newName))
        return refuse(EINVAL);
    const char* from = oldName.c_str();
    const char* to = newName.c_str();

    if (renameat2NoReplace(fd, from, to) == 0)
        return true;
    const int renameError = errno;
    if (renameError == EEXIST)
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    if (renameError != EINVAL && renameError != ENOSYS && renameError != EOPNOTSUPP)
        return refuse(renameError);

    // The file system does not know the flag: a hard link fails on an existing target.
    if (::linkat(fd, from, fd, to, 0) == 0) {
        if (::unlinkat(fd, from, 0) == 0)
            return true;
        const int unlinkError = errno;
        ::unlinkat(fd, to, 0);  // keep the file under its old name only
        return refuse(unlinkError);
    }
    const int linkError = errno;
    if (linkError == EEXIST)
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    if (linkError != EPERM && linkError != EOPNOTSUPP && linkError != EXDEV && linkError != EMLINK)
        return refuse(linkError);
    if (nameTaken(fd, newName))
        return renameCaseChange(fd, oldName, newName) || refuse(EEXIST);
    return ::renameat(fd, from, fd, to) == 0;
}

bool RenameBackOnDisk::operator()(const TLogEntry& entry)
{
    if (!m_folderFd || entry.Folder != m_folder) {
        m_folder = entry.Folder;
        m_folderFd = openRenameFolder(entry.Folder);
    }
    return m_folderFd && renameNoReplaceAt(m_folderFd.get(), entry.To, entry.From);
}

UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions)
{
    RenameBackOnDisk renameBack;
    return undoLogRows(entries, positions, [&](const TLogEntry& entry) { return renameBack(entry); });
}

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
        struct stat st {};
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

const char* const kWriteError = "ストリームへの書き込みエラー";

}  // namespace

WholeFileWriter::WholeFileWriter(const std::string& path) : m_path(linkTarget(path))
{
    const std::string cannotCreate = "ファイル " + path + " を作成できません";
    const std::string folder = folderOf(m_path);
    if (m_path.empty() || m_path.back() == '/')
        throw AppError(cannotCreate);
    // Only a regular file is ever replaced: a FIFO, a device or a folder at the path (or at the
    // end of its links) stays as it is.
    struct stat existing {};
    if (::stat(m_path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw AppError(cannotCreate);
    // A short name, so that it fits beside a target of 255 bytes.
    m_temporary = folder + ".mxtXXXXXX";
    m_fd = UniqueFd(::mkostemp(m_temporary.data(), O_CLOEXEC));
    if (!m_fd)
        throw AppError(cannotCreate);
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
        throw AppError(kWriteError);
}

void WholeFileWriter::commit()
{
    if (::fsync(m_fd.get()) != 0)
        throw AppError(kWriteError);
    m_fd.reset();
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        throw AppError("ファイル " + m_path + " を作成できません");
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
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes)
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

LogFileAppender::LogFileAppender(const std::string& path) : m_path(path)
{
    m_fd = UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!m_fd)
        throw AppError("cannot open the log " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(m_fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw AppError("the log " + path + " is not a regular file");
    if (st.st_size == 0) {
        if (!writeAll(m_fd.get(), std::string(kLogTitle) + "\r\n"))
            fail();
        return;
    }
    // Rows are only ever added to a rename log: any other file at the path stays as it is.
    const std::optional<std::string> text = readWholeFile(path, kMaxLogBytes);
    if (!text)
        throw AppError("cannot read the log " + path);
    try {
        scanLogCsv(*text);
    } catch (const LogFormatError& e) {
        throw AppError(path + " is not a rename log (" + e.what() + ")");
    }
}

void LogFileAppender::append(const TLogEntry& entry)
{
    m_row.clear();
    appendLogRow(m_row, entry);
    if (!writeAll(m_fd.get(), m_row))
        fail();
}

void LogFileAppender::finish()
{
    if (::fsync(m_fd.get()) != 0)
        fail();
}

void LogFileAppender::fail() const
{
    throw AppError("cannot write the log " + m_path + ": " + std::strerror(errno));
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    return isDirectory(folder);
}

std::string applicationFolder()
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0)
        return "./";
    buffer.resize(static_cast<std::size_t>(length));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? "./" : buffer.substr(0, slash + 1);
}

std::string joinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

}  // namespace moxtal

namespace moxtal {

std::string absolutePath(const std::string& given)
{
    std::string path = given;
    if (path.empty() || path[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        if (!::getcwd(cwd.data(), cwd.size()))
            return given;
        path = std::string(cwd.data()) + "/" + path;
    }
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t next = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, next - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = next + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace moxtal
