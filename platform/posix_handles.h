#pragma once

#include <dirent.h>
#include <unistd.h>

namespace moxtal {

// Owns a file descriptor and closes it.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_fd = other.release();
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return m_fd; }
    explicit operator bool() const noexcept { return m_fd >= 0; }
    int release() noexcept
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset() noexcept
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// Owns a directory stream and closes it (with the descriptor it was opened on).
class DirHandle {
public:
    explicit DirHandle(DIR* dir = nullptr) noexcept : m_dir(dir) {}
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    ~DirHandle()
    {
        if (m_dir)
            ::closedir(m_dir);
    }

    DIR* get() const noexcept { return m_dir; }
    explicit operator bool() const noexcept { return m_dir != nullptr; }

private:
    DIR* m_dir;
};

}  // namespace moxtal
