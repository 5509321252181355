#pragma once

#include <string>

namespace moxtal {

// Renames oldName to newName inside folder and never replaces an existing file: renameat2 with
// RENAME_NOREPLACE, else link and unlink, else a rename after an existence check. A target that
// is the very same file under a name differing only in letter case is a case change and is
// carried out. Names holding "/" or NUL, empty names, "." and ".." are refused.
bool renameNoReplace(const std::string& folder, const std::string& oldName, const std::string& newName);

// True when something exists at path (symbolic links followed; a dangling link counts too).
bool pathExists(const std::string& path);

// True when path names a folder (symbolic links followed).
bool isDirectory(const std::string& path);

// The folder of the running executable, ending with "/".
std::string applicationFolder();

// An absolute path for given (relative ones start at the working folder), "." and ".." resolved
// by name without following links, no final "/" except for "/" itself.
std::string absolutePath(const std::string& given);

// Joins a folder and a name with one "/" unless the folder already ends with one.
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace moxtal
