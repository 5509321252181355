#pragma once

#include <string>
#include <vector>

namespace moxtal {

// The mount points of removable volumes, as the system lists them (/proc/self/mounts): those
// under /media, /run/media and /mnt, in the order they were mounted.
std::vector<std::string> removableMountPoints();

// A mount point as /proc/self/mounts writes it, with blanks and a few other bytes as octal
// "\ooo", back to its bytes.
std::string unescapeMountPath(const std::string& text);

}  // namespace moxtal
