#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/listing_threads.h"
#include "platform/posix_handles.h"
#include "platform/status_readers.h"
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
    // Links need their status, as every entry does where the folder gives no entry kinds: they are
    // read a batch at a time, the batches growing.
    TempFolder dir;
    ::mkdir(dir.file("target").c_str(), 0755);
    dir.write("file");
    for (int i = 0; i < 400; ++i) {
        const std::string name = dir.file("e" + std::to_string(i));
        const char* const targets[] = {"target", "file", "missing"};
        if (i % 4 == 0)
            ::mkdir(name.c_str(), 0755);
        else
            ::symlink(targets[i % 4 - 1], name.c_str());
    }
    // One status read at a time, in the folder's order.
    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (std::filesystem::is_directory(entry.path()))
            expected.push_back(entry.path().filename().string());
    }
    ASSERT_EQ(expected.size(), 201u);
    std::vector<std::string> names;
    std::size_t lastSeen = 0;
    bool ordered = true;
    const auto progress = [&](std::size_t seen) {
        ordered = ordered && seen >= lastSeen;
        lastSeen = seen;
        return true;
    };
    const auto visit = [&](const std::string& name) {
        names.push_back(name);
        return true;
    };
    EXPECT_TRUE(forEachSubfolder(dir.path(), visit, progress));
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(lastSeen, 402u);
    // Stopped by its progress: as for a folder that cannot be read.
    EXPECT_FALSE(forEachSubfolder(dir.path(), visit, [](std::size_t seen) { return seen < 100; }));
}

TEST(Subfolders, ReadByThreadsEachAnswerStandsInItsPlace)
{
    TempFolder dir;
    ::mkdir(dir.file("a").c_str(), 0755);
    ::mkdir(dir.file("a/sub").c_str(), 0755);
    ::mkdir(dir.file("b").c_str(), 0755);
    dir.write("b/file");
    ::symlink("a", dir.file("link").c_str());
    // Enough names that the threads share them out; each name of a few, many times.
    const char* const kinds[] = {"a", "b", "link", "missing"};
    std::vector<std::string> names;
    std::vector<char> folders, withSubfolder;
    for (int i = 0; i < 5000; ++i) {
        names.emplace_back(kinds[i % 4]);
        folders.push_back(i % 4 != 3);
        withSubfolder.push_back(i % 4 == 0 || i % 4 == 2);
    }
    const UniqueFd folder = openFolderFd(dir.path());
    for (const int threads : {1, 4}) {
        setListingThreads(threads);
        EXPECT_EQ(foldersAmong(folder.get(), names), folders) << threads;
        EXPECT_EQ(withSubfolders(dir.path(), names), withSubfolder) << threads;
    }
    setListingThreads(0);
    const auto cancel = [](std::size_t done) { return done < 1000; };
    EXPECT_FALSE(foldersAmong(folder.get(), names, cancel));
    EXPECT_FALSE(withSubfolders(dir.path(), names, cancel));
    EXPECT_FALSE(withSubfolders(dir.file("missing"), names));
}

}  // namespace
