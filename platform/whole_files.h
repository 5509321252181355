#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/rename_log.h"
#include "posix_handles.h"

namespace moxtal {

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

}  // namespace moxtal
