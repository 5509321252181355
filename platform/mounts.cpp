#include "mounts.h"

#include <fstream>
#include <sstream>

namespace moxtal {

namespace {

bool isUnder(const std::string& path, const std::string& base)
{
    return path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/';
}

}  // namespace

std::string unescapeMountPath(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> removableMountPoints()
{
    std::vector<std::string> points;
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        fields >> device >> mountPoint;
        const std::string path = unescapeMountPath(mountPoint);
        if (isUnder(path, "/media") || isUnder(path, "/run/media") || isUnder(path, "/mnt"))
            points.push_back(path);
    }
    return points;
}

}  // namespace moxtal
