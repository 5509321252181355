#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "posix_handles.h"

namespace moxtal {

// Renames oldName to newName inside folder and never replaces an existing file: renameat2 with
// RENAME_NOREPLACE, else link and unlink, else a rename after an existence check. A target that
// is the very same file under a name differing only in letter case is a case change and is
// carried out. Names holding "/" or NUL, empty names, "." and ".." are refused.
bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName);

// The same inside the folder open as folderFd, so that a pass over many rows renames in the folder
// it opened even when another folder is moved to its path meanwhile. A case change is reported
// only when the folder then holds the new name and no longer the old one: two separate entries
// that are links of one file never count as a case change. On failure errno tells why (EEXIST
// for a taken name).
bool renameNoReplaceAt(int folderFd, const std::string& oldName, const std::string& newName);

// Opens the folder of a rename pass once, for renameNoReplaceAt. The full paths of a pass are
// folder + "/" + name, so an empty folder is the root. Empty when the folder cannot be opened.
UniqueFd openRenameFolder(const std::string& folder);

// The rename pass of the confirmation rows: the folder is opened once and every "Replace" row is
// renamed in it with renameNoReplaceAt; a folder that cannot be opened, and one that is not the
// listed folder when that is given, gives "Failed" rows.
RenameLoopResult renameRowsInFolder(const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog = true,
                                    std::optional<FolderIdentity> listed = std::nullopt);
// The same in the folder open as folderFd (whose path is folder); done hears of every success and
// may stop the pass.
RenameLoopResult renameRowsAt(int folderFd, const std::string& folder, std::vector<ConfirmRow>& rows, bool keepLog,
                              const RenameDone& done = {});

// Renames a logged file back (Folder + To to Folder + From) with renameNoReplaceAt; the folder
// stays open for the rows of the same folder that follow.
class RenameBackOnDisk {
public:
    bool operator()(const TLogEntry& entry);

private:
    std::string m_folder;
    UniqueFd m_folderFd;
};

// Undoes logged renames as the log's undo does (undoLogRows), renaming Folder + To back to
// Folder + From with renameNoReplaceAt; rows of one folder in a row share one open folder.
UndoOutcome undoLogRowsOnDisk(std::vector<TLogEntry>& entries, const std::vector<std::size_t>& positions);

// Writes a file's whole content in pieces: into a temporary file with a short name in the same
// folder, which commit flushes and renames over the file, so a failure leaves any earlier file as it
// was. A symbolic link is written at its target (the link stays); a file that is replaced keeps its
// permission bits. Throws AppError "ファイル <path> を作成できません" when the file cannot be created
// and "ストリームへの書き込みエラー" when writing fails; an uncommitted temporary file is removed.
class WholeFileWriter {
public:
    explicit WholeFileWriter(const std::string& path);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    std::string m_path;
    std::string m_temporary;
    UniqueFd m_fd;
    bool m_committed = false;
};

// Writes bytes as the whole content of path with a WholeFileWriter.
void writeWholeFile(const std::string& path, std::string_view bytes);

// The most a settings file may hold; a larger one "cannot be opened".
inline constexpr std::size_t kMaxReadBytes = std::size_t {64} << 20;
// The most a rename log may hold: a million renames with long names take more than 64 MiB.
inline constexpr std::size_t kMaxLogBytes = std::size_t {1} << 30;

// The whole content of the regular file at path, read without blocking; nothing when it cannot
// be read, is no regular file (a FIFO, a device) or holds more than maxBytes.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes = kMaxReadBytes);

// A rename log on disk that grows by one row per rename as soon as it is done, so that a pass that
// is interrupted leaves the log of what it did. Opening creates the file with the log's title line,
// or appends to a rename log that is there; anything else at the path (another file, a FIFO, a
// folder) is refused before it is touched. Throws AppError with a message naming the path.
class LogFileAppender {
public:
    explicit LogFileAppender(const std::string& path);
    void append(const TLogEntry& entry);
    // Flushes the log to the disk.
    void finish();

private:
    [[noreturn]] void fail() const;

    std::string m_path;
    std::string m_row;
    UniqueFd m_fd;
};

// True when something exists at path (symbolic links followed; a dangling link counts too).
bool pathExists(const std::string& path);

// True when path names a folder (symbolic links followed).
bool isDirectory(const std::string& path);

// Creates folder and its missing parents; true when it exists afterwards.
bool makeFolders(const std::string& folder);

// The folder of the running executable, ending with "/".
std::string applicationFolder();

// An absolute path for given (relative ones start at the working folder), "." and ".." resolved
// by name without following links, no final "/" except for "/" itself.
std::string absolutePath(const std::string& given);

// Joins a folder and a name with one "/" unless the folder already ends with one.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace moxtal
