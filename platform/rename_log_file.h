#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/app_error.h"
#include "core/rename_log.h"
#include "posix_handles.h"

namespace moxtal {

// The log is locked by another pass or undo (which is never waited for).
class LogInUse : public AppError {
public:
    using AppError::AppError;
};

// A rename log on disk while a pass appends to it or an undo reads and rewrites it. It is locked
// for the whole use (never waiting: a second user is refused), and every read and write goes
// through the one locked descriptor, which is checked to still be the file at the path (an undo
// replaces the file; a user that locked the replaced one tries again). Throws AppError with a
// message naming the path (LogInUse when another user holds the lock).
class RenameLogFile {
public:
    enum class Use { Append, Undo };
    RenameLogFile(const std::string& path, Use use);

    // Undo: the log could be opened for reading only; it is read under a shared lock and never
    // rewritten.
    bool readOnly() const { return m_readOnly; }

    // The whole log, read through the locked descriptor.
    std::string read() const;

    // Append: makes the file a log to append to: the title goes into an empty file, and the torn
    // tail of a log (a row cut by a crash or a full disk) is cut off, which the returned notice
    // says (empty when there was none). Anything that is not a rename log is refused untouched.
    std::string prepareToAppend();

    // Writes each entry's row (with the file's identity) in one write, then flushes them to the
    // disk once; gives how many rows, from the first, are on the disk. A row that cannot be written
    // whole is cut off again, and writing stops there; error() then tells why.
    std::size_t writeAhead(const std::vector<TLogEntry>& entries);
    const std::string& error() const { return m_error; }
    // Where the next row goes: the end of the title and the whole rows.
    std::size_t size() const { return m_size; }

    // Undo: replaces the log at the path with text while the lock is held.
    void replace(std::string_view text);

    // How many times any log was flushed to the disk (for the tests: one flush per batch).
    static std::size_t syncCount();
    // Makes writes fail with ENOSPC once limit bytes of rows are written (tests; SIZE_MAX: never).
    static void limitWritesForTests(std::size_t limit);

private:
    std::string m_path;
    UniqueFd m_fd;
    bool m_readOnly = false;
    std::size_t m_size = 0;
    std::string m_error;
    std::string m_rows;  // a batch's rows, written ahead in one piece
    std::vector<std::size_t> m_rowEnds;  // where each of them ends in m_rows
};

}  // namespace moxtal
