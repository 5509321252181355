#include "folder_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include "posix_handles.h"

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

namespace moxtal {

namespace {

// The f_type of statfs for the file systems that keep other rules than ext4.
constexpr std::uint32_t kMsdosMagic = 0x4d44;
constexpr std::uint32_t kExfatMagic = 0x2011BAB0;
constexpr std::uint32_t kNtfs3Magic = 0x7366746e;
constexpr std::uint32_t kNtfsMagic = 0x5346544e;
constexpr std::uint32_t kCifsMagic = 0xFF534D42;
constexpr std::uint32_t kSmb2Magic = 0xFE534D42;
constexpr std::uint32_t kSmbMagic = 0x517B;
constexpr std::uint32_t kFuseMagic = 0x65735546;
// Those whose folders may carry the casefold flag.
constexpr std::uint32_t kExt4Magic = 0xEF53;
constexpr std::uint32_t kF2fsMagic = 0xF2F52010;
constexpr std::uint32_t kTmpfsMagic = 0x01021994;

// The line of /proc/self/mountinfo for the mount a descriptor is on.
struct MountLine {
    std::string device;  // major:minor
    std::string type;  // "fuseblk", "fuse.sshfs", "ntfs3", ...
    std::string source;
    std::string options;  // the file system's own
};

// Undoes the octal escapes (\040 for a space) mountinfo writes in paths.
std::string unescaped(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::optional<MountLine> mountOf(int fd)
{
    std::ifstream fdinfo("/proc/self/fdinfo/" + std::to_string(fd));
    std::string id;
    for (std::string line; std::getline(fdinfo, line);) {
        if (line.rfind("mnt_id:", 0) == 0) {
            std::istringstream(line.substr(7)) >> id;
            break;
        }
    }
    if (id.empty())
        return std::nullopt;
    std::ifstream mountinfo("/proc/self/mountinfo");
    for (std::string line; std::getline(mountinfo, line);) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string f; fields >> f;)
            field.push_back(f);
        if (field.size() < 7 || field[0] != id)
            continue;
        // The optional fields end with "-"; the type, source and options follow.
        const auto dash = std::find(field.begin() + 6, field.end(), "-");
        if (field.end() - dash < 4)
            return std::nullopt;
        return MountLine {field[2], dash[1], unescaped(dash[2]), dash[3]};
    }
    return std::nullopt;
}

bool hasOption(const std::string& options, std::string_view option)
{
    std::istringstream list(options);
    for (std::string item; std::getline(list, item, ',');) {
        if (item == option)
            return true;
    }
    return false;
}

// What udev found on the disk, e.g. "exfat"; empty when it has not looked.
std::string udevFileSystem(const std::string& device)
{
    std::ifstream data("/run/udev/data/b" + device);
    for (std::string line; std::getline(data, line);) {
        if (line.rfind("E:ID_FS_TYPE=", 0) == 0)
            return line.substr(13);
    }
    return {};
}

// What blkid reads on the disk at path; empty when it cannot tell.
std::string blkidFileSystem(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return {};
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    UniqueFd readEnd(out[0]);
    UniqueFd writeEnd(out[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const char* argv[] = {"blkid", "-o", "value", "-s", "TYPE", path.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "blkid", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    writeEnd.reset();
    if (spawned != 0)
        return {};
    std::string type;
    char buffer[64];
    for (ssize_t n; (n = ::read(readEnd.get(), buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        type.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    type.erase(std::find_if(type.begin(), type.end(), [](char c) { return c == '\n' || c == ' '; }), type.end());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? type : std::string();
}

// The kind a file system's name stands for; a FUSE driver goes by the name of what it reads.
FileSystemKind kindNamed(std::string_view name)
{
    if (name == "vfat" || name == "msdos" || name == "fat" || name == "fusefat")
        return FileSystemKind::Fat;
    if (name == "exfat" || name == "exfat-fuse")
        return FileSystemKind::Exfat;
    if (name == "ntfs" || name == "ntfs-3g")
        return FileSystemKind::NtfsWindowsNames;
    return FileSystemKind::Other;
}

// A FUSE mount: the disk's own file system for fuseblk, else the driver's name (fuse.NAME).
FileSystemKind kindOfFuseMount(int fd)
{
    const std::optional<MountLine> mount = mountOf(fd);
    if (!mount)
        return FileSystemKind::Other;
    if (mount->type == "fuseblk") {
        std::string type = udevFileSystem(mount->device);
        if (type.empty())
            type = blkidFileSystem(mount->source);
        return kindNamed(type);
    }
    const std::size_t dot = mount->type.find('.');
    return dot == std::string::npos ? FileSystemKind::Other : kindNamed(std::string_view(mount->type).substr(dot + 1));
}

bool hasCasefoldFlag(int fd)
{
    int flags = 0;
    return ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
}

bool exists(int fd, const std::string& name, bool& unsure)
{
    struct stat st { };
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    unsure = errno != ENOENT;
    return false;
}

// Whether the folder finds a listed name spelt with its ASCII letters in the other case; nullopt
// when no name tells. A name whose other spelling is listed too says no at once: the folder holds
// both. A name no longer there (the listing is older than the folder) tells nothing.
template <typename Names> std::optional<bool> foldsCase(int fd, const Names& names)
{
    constexpr int kMostTries = 2;
    int tries = 0;
    for (const auto& listed : names) {
        const std::string name(listed);
        std::string other = name;
        for (char& c : other) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
            else if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        }
        if (other == name)
            continue;
        if (std::find(names.begin(), names.end(), std::string_view(other)) != names.end())
            return false;
        bool unsure = false;
        if (exists(fd, other, unsure))
            return true;
        if (!unsure && exists(fd, name, unsure))
            return false;
        if (++tries == kMostTries)
            break;
    }
    return std::nullopt;
}

}  // namespace

bool renameResetsTimes(int folderFd)
{
    struct statfs fs { };
    if (::fstatfs(folderFd, &fs) != 0 || static_cast<std::uint32_t>(fs.f_type) != kFuseMagic)
        return false;
    const std::optional<MountLine> mount = mountOf(folderFd);
    return mount && mount->type == "fuse.fusefat";
}

namespace {

template <typename Names> FolderRules rulesOf(int folderFd, const Names& listedNames)
{
    struct statfs fs { };
    if (::fstatfs(folderFd, &fs) != 0)
        return {};
    FileSystemKind kind = FileSystemKind::Other;
    switch (static_cast<std::uint32_t>(fs.f_type)) {
    case kMsdosMagic:
        kind = FileSystemKind::Fat;
        break;
    case kExfatMagic:
        kind = FileSystemKind::Exfat;
        break;
    case kNtfs3Magic: {
        const std::optional<MountLine> mount = mountOf(folderFd);
        kind = mount && hasOption(mount->options, "windows_names") ? FileSystemKind::NtfsWindowsNames
                                                                   : FileSystemKind::Ntfs;
        break;
    }
    case kNtfsMagic:
        kind = FileSystemKind::Ntfs;
        break;
    case kCifsMagic:
    case kSmb2Magic:
    case kSmbMagic:
        kind = FileSystemKind::Smb;
        break;
    case kFuseMagic:
        kind = kindOfFuseMount(folderFd);
        break;
    case kExt4Magic:
    case kF2fsMagic:
    case kTmpfsMagic:
        if (hasCasefoldFlag(folderFd)) {
            FolderRules rules;
            rules.folding = CaseFolding::Casefold;
            return rules;
        }
        break;
    default:
        break;
    }
    FolderRules rules = rulesOfKind(kind);
    if (const std::optional<bool> folds = foldsCase(folderFd, listedNames)) {
        // A file system not known to fold case that does so folds as most do.
        if (!*folds)
            rules.folding = CaseFolding::None;
        else if (rules.folding == CaseFolding::None)
            rules.folding = CaseFolding::Simple;
    }
    return rules;
}

}  // namespace

FolderRules rulesOfFolder(int folderFd, const std::vector<std::string>& listedNames)
{
    return rulesOf(folderFd, listedNames);
}

FolderRules rulesOfFolder(int folderFd, const std::vector<std::string_view>& listedNames)
{
    return rulesOf(folderFd, listedNames);
}

}  // namespace moxtal
