#include "temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utime.h>

TempFolder::TempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/moxtal-test-XXXXXX";
    if (!::mkdtemp(templ.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = templ;
}

TempFolder::~TempFolder()
{
    auto remove = [](const char* path, const struct stat*, int type, struct FTW*) {
        // Only folders need opening up; a chmod on a link would change whatever it points at.
        if (type == FTW_DP)
            ::chmod(path, 0700);
        return ::remove(path);
    };
    ::nftw(m_path.c_str(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

std::string TempFolder::write(const std::string& name, const std::string& content) const
{
    const std::string path = file(name);
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TempFolder::read(const std::string& name) const
{
    std::ifstream in(file(name), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool TempFolder::exists(const std::string& name) const
{
    struct stat st { };
    return ::lstat(file(name).c_str(), &st) == 0;
}

void TempFolder::setTime(const std::string& name, std::time_t time) const
{
    const utimbuf times {time, time};
    ::utime(file(name).c_str(), &times);
}
