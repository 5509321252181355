#pragma once

#include <string>

namespace moxtal {

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

// folder without its final "/" (or several), but "/" itself stays.
std::string withoutFinalSlash(std::string folder);

}  // namespace moxtal
