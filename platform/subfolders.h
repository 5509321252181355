#pragma once

#include <functional>
#include <string>

namespace moxtal {

// Calls visit(name) for every subfolder of the folder at path, hidden ones and links to folders
// included ("." and ".." never), in the folder's order, until visit returns false; false when the
// folder cannot be read.
bool forEachSubfolder(const std::string& path, const std::function<bool(const std::string& name)>& visit);

}  // namespace moxtal
