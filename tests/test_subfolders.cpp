#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/listing_threads.h"
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

TEST(Subfolders, LinksReadTogetherKeepTheFoldersOrder)
{
    // Links need their status, as every entry does where the folder gives no entry kinds: enough
    // of them that a batch of their statuses is read by several threads.
    TempFolder dir;
    ::mkdir(dir.file("target").c_str(), 0755);
    dir.write("file");
    for (int i = 0; i < 8000; ++i) {
        const std::string name = dir.file("e" + std::to_string(i));
        switch (i % 5) {
        case 0:
            ::mkdir(name.c_str(), 0755);
            break;
        case 1:
            ::symlink("target", name.c_str());
            break;
        case 2:
            ::symlink("file", name.c_str());
            break;
        case 3:
            ::symlink("missing", name.c_str());
            break;
        default:
            dir.write("e" + std::to_string(i));
        }
    }
    // One status read at a time, in the folder's order.
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (std::filesystem::is_directory(entry.path()))
            expected.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(expected.size(), 3201u);
    for (const int threads : {1, 4}) {
        setListingThreads(threads);
        std::vector<std::string> names;
        std::size_t lastSeen = 0;
        bool ordered = true;
        const auto progress = [&](std::size_t seen) {
            ordered = ordered && seen >= lastSeen;
            lastSeen = seen;
            return true;
        };
        EXPECT_TRUE(forEachSubfolder(
            dir.path(),
            [&](const std::string& name) {
                names.push_back(name);
                return true;
            },
            progress));
        EXPECT_EQ(names, expected) << threads;
        EXPECT_TRUE(ordered) << threads;
        EXPECT_EQ(lastSeen, 8002u) << threads;
        // Stopped by its progress: as for a folder that cannot be read.
        EXPECT_FALSE(forEachSubfolder(
            dir.path(), [](const std::string&) { return true; }, [](std::size_t seen) { return seen < 5000; }))
            << threads;
    }
    setListingThreads(0);
}

}  // namespace
