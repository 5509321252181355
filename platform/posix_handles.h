#pragma once

#include <cstdint>
#include <dirent.h>
#include <optional>
#include <string>
#include <unistd.h>

#include "core/listed_folder.h"

namespace moxtal {

// Owns a file descriptor and closes it.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : m_fd(fd) { }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) { }
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
    explicit DirHandle(DIR* dir = nullptr) noexcept : m_dir(dir) { }
    DirHandle(DirHandle&& other) noexcept : m_dir(other.m_dir) { other.m_dir = nullptr; }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DirHandle& operator=(DirHandle&&) = delete;
    ~DirHandle()
    {
        if (m_dir)
            ::closedir(m_dir);
    }

    DIR* get() const noexcept { return m_dir; }
    // The stream's own descriptor, for the *at calls on its entries.
    int fd() const noexcept { return m_dir ? ::dirfd(m_dir) : -1; }
    explicit operator bool() const noexcept { return m_dir != nullptr; }

private:
    DIR* m_dir;
};

// Which folder a descriptor is open on, whatever path leads to it now.
std::optional<FolderIdentity> identityOf(int fd);

// Opens path as a folder descriptor for the *at calls; empty when it cannot be opened.
UniqueFd openFolderFd(const std::string& path);

// Opens a stream over the entries of the folder at path (or, with a descriptor, of that folder,
// which stays open on its own); empty when the folder cannot be read.
DirHandle openFolder(const std::string& path);
DirHandle openFolder(int folderFd);

}  // namespace moxtal
