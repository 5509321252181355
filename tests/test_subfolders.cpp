#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/subfolders.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

TEST(Subfolders, FoldersAndLinksToThemHiddenOnesIncluded)
{
    TempFolder dir;
    ::mkdir(dir.file("b").c_str(), 0755);
    ::mkdir(dir.file(".hidden").c_str(), 0755);
    dir.write("file.txt");
    ::symlink("b", dir.file("link").c_str());
    ::symlink("file.txt", dir.file("file-link").c_str());
    ::symlink("missing", dir.file("dangling").c_str());
    std::vector<std::string> names;
    EXPECT_TRUE(forEachSubfolder(dir.path(), [&](const std::string& name) {
        names.push_back(name);
        return true;
    }));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> {".hidden", "b", "link"}));
}

TEST(Subfolders, StopsWhenAskedAndTellsAnUnreadableFolder)
{
    TempFolder dir;
    ::mkdir(dir.file("a").c_str(), 0755);
    ::mkdir(dir.file("b").c_str(), 0755);
    int visits = 0;
    EXPECT_TRUE(forEachSubfolder(dir.path(), [&](const std::string&) {
        ++visits;
        return false;
    }));
    EXPECT_EQ(visits, 1);
    EXPECT_FALSE(forEachSubfolder(dir.file("missing"), [](const std::string&) { return true; }));
    dir.write("plain.txt");
    EXPECT_FALSE(forEachSubfolder(dir.file("plain.txt"), [](const std::string&) { return true; }));
}

}  // namespace
