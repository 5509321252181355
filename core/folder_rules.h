#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moxtal {

// The longest file name, in bytes, that Linux file systems take.
inline constexpr std::size_t kMaxNameBytes = 255;
// The longest name, in UTF-16 code units, on FAT long names, exFAT and NTFS.
inline constexpr std::size_t kMaxNameUtf16Units = 255;

// How a folder tells two names apart.
enum class CaseFolding {
    None,  // by their bytes: ext4, tmpfs, btrfs, XFS, NTFS as Linux mounts it
    // One code point for another, as the upcase tables of FAT, exFAT and NTFS and SMB servers do:
    // the letters of every script in the Basic Multilingual Plane, "ı" equal to "i" as upper case
    // makes them. A name that is not UTF-8 folds its ASCII letters only.
    Simple,
    // An ext4 or f2fs folder with the casefold flag: full case folding ("ß" equals "ss") of the
    // canonical decomposition, so a composed "é" equals "e" with a combining accent. Combining marks
    // are taken in the order they come (names from other systems have them in canonical order
    // already). A name that is not UTF-8 matches its own bytes only, as those folders compare it.
    Casefold,
};

// What a folder's file system takes as a name and which names it holds as one.
struct FolderRules {
    CaseFolding folding = CaseFolding::None;
    std::size_t maxNameBytes = kMaxNameBytes;  // 0: no limit in bytes
    // Names kept in UTF-16 (FAT long names, exFAT, NTFS): the longest name in its code units (a
    // character beyond U+FFFF takes two), and a name that is not UTF-8 cannot be written. 0: names
    // are kept as bytes.
    std::size_t maxNameUtf16Units = 0;
    // The characters Windows keeps out of names: " * / : < > ? \ | and the controls U+0001..U+001F.
    bool refusesWindowsCharacters = false;
    bool refusesTrailingDot = false;
    bool refusesTrailingSpace = false;

    bool operator==(const FolderRules&) const = default;
};

// The file systems whose rules the program knows.
enum class FileSystemKind {
    Other,  // ext4, tmpfs, btrfs, XFS, NFS and whatever else keeps names as bytes
    Fat,  // vfat, msdos
    Exfat,
    Ntfs,  // the kernel's ntfs3 or ntfs-3g, mounted without windows_names
    NtfsWindowsNames,  // NTFS mounted with windows_names (what desktops do for ntfs-3g)
    Smb,  // CIFS and SMB shares
};

// The rules of a kind of file system as it is usually mounted; whether a given folder folds case is
// for a look at the folder to tell (platform/folder_rules.h).
//  - Linux's vfat refuses a trailing space, drops trailing dots (so "a." would become "a"), and takes
//    a long name of at most 255 UTF-16 units that is also at most 255 bytes.
//  - Linux's exfat drops trailing dots unless mounted with keep_last_dots; a trailing space stays.
//  - ntfs-3g and ntfs3 with windows_names refuse a trailing dot or space.
//  - SMB: the client maps the Windows characters to private ones, so none is refused; how long a
//    name may be is the server's disk's matter, taken as 255 bytes.
// A name that a file system would store other than as written counts as refused.
FolderRules rulesOfKind(FileSystemKind kind);

// The name as the folder compares names: two names with equal keys are one entry.
std::string foldedName(const FolderRules& rules, std::string_view name);

// The name's length in UTF-16 code units; npos when it is not UTF-8.
std::size_t utf16Length(std::string_view name);

}  // namespace moxtal
