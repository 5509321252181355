#include <gtest/gtest.h>

#include "core/rename_job.h"
#include "core/rename_loop.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/renames.h"
#include "platform/whole_files.h"
#include "settings/settings.h"
#include "temp_folder.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace moxtal;

namespace {

std::vector<std::string> results(const std::vector<ConfirmRow>& rows)
{
    std::vector<std::string> out;
    for (const ConfirmRow& row : rows)
        out.emplace_back(row.result);
    return out;
}

ConfirmRow replaceRow(const std::string& from, const std::string& to)
{
    return {from, to, "Replace", 0, ""};
}

using Names = std::vector<std::string>;

// Every no-overwrite test runs through each way the rename can go: the folders of the tests are on
// a file system with RENAME_NOREPLACE and hard links, so the two fallbacks are chosen by force.
class RenameNoReplace : public testing::TestWithParam<RenamePath> {
protected:
    void SetUp() override { useRenamePath(GetParam()); }
    void TearDown() override { useRenamePath(RenamePath::NoReplaceFlag); }
};

std::string pathName(const testing::TestParamInfo<RenamePath>& info)
{
    switch (info.param) {
    case RenamePath::NoReplaceFlag: return "NoReplaceFlag";
    case RenamePath::LinkThenUnlink: return "LinkThenUnlink";
    case RenamePath::CheckThenRename: return "CheckThenRename";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Paths, RenameNoReplace,
                         testing::Values(RenamePath::NoReplaceFlag, RenamePath::LinkThenUnlink,
                                         RenamePath::CheckThenRename),
                         pathName);

TEST_P(RenameNoReplace, NeverReplacesAnExistingFile)
{
    TempFolder dir;
    dir.write("a.txt", "from a");
    dir.write("b.txt", "keep b");
    EXPECT_FALSE(renameNoReplace(dir.path(), "a.txt", "b.txt"));
    EXPECT_EQ(dir.read("a.txt"), "from a");
    EXPECT_EQ(dir.read("b.txt"), "keep b");
    EXPECT_TRUE(renameNoReplace(dir.path(), "a.txt", "c.txt"));
    EXPECT_FALSE(dir.exists("a.txt"));
    EXPECT_EQ(dir.read("c.txt"), "from a");
}

TEST_P(RenameNoReplace, RefusesNamesThatLeaveTheFolder)
{
    TempFolder dir;
    dir.write("a.txt");
    dir.write("sub");  // a file, so "sub/x" could only be a path
    for (const std::string& bad : std::vector<std::string> {"sub/x", "../x", ".", "..", "", std::string("x\0y", 3)})
        EXPECT_FALSE(renameNoReplace(dir.path(), "a.txt", bad)) << bad;
    EXPECT_FALSE(renameNoReplace(dir.path(), "../a.txt", "b.txt"));
    EXPECT_TRUE(dir.exists("a.txt"));
    EXPECT_FALSE(renameNoReplace(dir.file("missing"), "a.txt", "b.txt"));
    EXPECT_FALSE(renameNoReplace(dir.path(), "missing.txt", "b.txt"));
}

TEST_P(RenameNoReplace, CaseChangeOnCaseSensitiveFolderIsANewName)
{
    TempFolder dir;
    dir.write("photo.jpg");
    EXPECT_TRUE(renameNoReplace(dir.path(), "photo.jpg", "PHOTO.JPG"));
    EXPECT_TRUE(dir.exists("PHOTO.JPG"));
    EXPECT_FALSE(dir.exists("photo.jpg"));
}

TEST_P(RenameNoReplace, TwoLinksOfOneFileAreNoCaseChange)
{
    // abc.txt and ABC.txt are separate entries of one file: the rename would do nothing.
    TempFolder dir;
    dir.write("abc.txt", "data");
    ASSERT_EQ(::link(dir.file("abc.txt").c_str(), dir.file("ABC.txt").c_str()), 0);
    EXPECT_FALSE(renameNoReplace(dir.path(), "abc.txt", "ABC.txt"));
    EXPECT_TRUE(dir.exists("abc.txt"));
    EXPECT_TRUE(dir.exists("ABC.txt"));
    std::vector<ConfirmRow> rows {replaceRow("abc.txt", "ABC.txt")};
    EXPECT_FALSE(renameRowsInFolder(dir.path(), rows).renameDone);
    EXPECT_EQ(results(rows), (Names {"Failed"}));
}

TEST_P(RenameNoReplace, NonUtf8NamesKeepTheirBytes)
{
    TempFolder dir;
    const std::string from = "\x82\xA0\xFF.txt";
    const std::string to = "caf\xE9.txt";
    dir.write(from, "bytes");
    EXPECT_TRUE(renameNoReplace(dir.path(), from, to));
    EXPECT_EQ(dir.read(to), "bytes");
}

TEST(RenameLoopOnDisk, ExistingTargetUntouchedAndChainOrderMatters)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    std::vector<ConfirmRow> rows {replaceRow("a.txt", "b.txt"), replaceRow("b.txt", "c.txt")};
    RenameLoopResult r = renameRowsInFolder(dir.path(), rows);
    EXPECT_EQ(results(rows), (Names {"Failed", "Ok"}));
    EXPECT_EQ(rows[0].error, EEXIST);  // the reason a "Failed" row shows
    EXPECT_EQ(rows[1].error, 0);
    EXPECT_EQ(dir.read("a.txt"), "A");
    EXPECT_EQ(dir.read("c.txt"), "B");
    std::vector<ConfirmRow> missing {replaceRow("gone.txt", "x.txt")};
    renameRowsInFolder(dir.path(), missing);
    EXPECT_EQ(missing[0].error, ENOENT);
    ASSERT_EQ(r.log.size(), 1u);
    EXPECT_EQ(r.log[0].Folder, dir.path() + "/");

    TempFolder chain;
    chain.write("a.txt", "A");
    chain.write("b.txt", "B");
    std::vector<ConfirmRow> reversed {replaceRow("b.txt", "c.txt"), replaceRow("a.txt", "b.txt")};
    r = renameRowsInFolder(chain.path(), reversed);
    EXPECT_EQ(results(reversed), (Names {"Ok", "Ok"}));
    EXPECT_EQ(chain.read("b.txt"), "A");
    EXPECT_EQ(chain.read("c.txt"), "B");
    EXPECT_EQ(r.log.size(), 2u);
}

TEST(RenameLoopOnDisk, SwapBothFailAndSlashIsRefused)
{
    TempFolder dir;
    dir.write("x.txt", "X");
    dir.write("y.txt", "Y");
    ::mkdir(dir.file("sub").c_str(), 0755);
    std::vector<ConfirmRow> rows {replaceRow("x.txt", "y.txt"), replaceRow("y.txt", "x.txt"),
                                  replaceRow("x.txt", "sub/x.txt")};
    const RenameLoopResult r = renameRowsInFolder(dir.path(), rows);
    EXPECT_EQ(results(rows), (Names {"Failed", "Failed", "Failed"}));
    EXPECT_FALSE(r.renameDone);
    EXPECT_EQ(dir.read("x.txt"), "X");
    EXPECT_EQ(dir.read("y.txt"), "Y");
    EXPECT_FALSE(dir.exists("sub/x.txt"));
}

TEST(RenameLoopOnDisk, PassStaysInTheFolderItOpened)
{
    // The folder is moved away during the pass and another one takes its path: the later rows
    // are renamed in the folder that was opened, never in the newcomer.
    TempFolder top;
    ::mkdir(top.file("photos").c_str(), 0755);
    top.write("photos/a.txt", "A");
    top.write("photos/b.txt", "B");
    const std::string folder = top.file("photos");
    std::vector<ConfirmRow> rows {replaceRow("a.txt", "x.txt"), replaceRow("b.txt", "y.txt")};
    int calls = 0;
    renameRowsInFolder(folder, rows, true, std::nullopt, [&](const std::string&, const std::string&) {
        if (++calls == 2) {
            ::rename(folder.c_str(), top.file("moved").c_str());
            ::mkdir(folder.c_str(), 0755);
            top.write("photos/b.txt", "newcomer");
        }
    });
    EXPECT_EQ(results(rows), (Names {"Ok", "Ok"}));
    EXPECT_EQ(top.read("moved/y.txt"), "B");
    EXPECT_EQ(top.read("photos/b.txt"), "newcomer");
    EXPECT_FALSE(top.exists("photos/y.txt"));

    std::vector<ConfirmRow> gone {replaceRow("a.txt", "z.txt"), {"b.txt", "b.txt", "Same name", 0, ""}};
    EXPECT_FALSE(renameRowsInFolder(top.file("vanished"), gone).renameDone);
    EXPECT_EQ(results(gone), (Names {"Failed", "---"}));

    // The folder listed was "moved"; "photos" is another folder now: every row fails there.
    std::optional<FolderIdentity> listed;
    listFolder(top.file("moved"), {"*.*"}, nullptr, &listed);
    ASSERT_TRUE(listed.has_value());
    std::vector<ConfirmRow> swapped {replaceRow("b.txt", "c.txt")};
    EXPECT_FALSE(renameRowsInFolder(folder, swapped, true, listed).renameDone);
    EXPECT_EQ(results(swapped), Names {"Failed"});
    EXPECT_EQ(top.read("photos/b.txt"), "newcomer");
    // The computer node's pseudo path is no folder, even where one of that name exists here.
    ::mkdir("computer:", 0755);
    bool readable = true;
    EXPECT_TRUE(listFolder("computer:", {"*.*"}, &readable).empty());
    EXPECT_FALSE(readable);
    EXPECT_FALSE(openRenameFolder("computer:"));
    ::rmdir("computer:");
}

TEST(RenameLoopOnDisk, JobThenRenameNumbersFilesInListOrder)
{
    TempFolder dir;
    dir.write("b.jpg", "first");
    dir.write("a.jpg", "second");
    dir.write("c.txt", "other");
    const std::vector<JobEntry> entries {
        {"b.jpg", 0, "2003/01/15"}, {"a.jpg", 0, "2003/01/15"}, {"c.txt", 0, "2003/01/15"}};
    JobResult job = computeRenameRows(dir.path(), entries, {"(.*)", "IMG_\\\\\\", "1", "1"});
    job.rows[2].status = "Same name";  // dropped from renaming, as the dialog allows
    const RenameLoopResult r = renameRowsInFolder(dir.path(), job.rows);
    EXPECT_EQ(results(job.rows), (Names {"Ok", "Ok", "---"}));
    EXPECT_EQ(dir.read("IMG_001.jpg"), "first");
    EXPECT_EQ(dir.read("IMG_002.jpg"), "second");
    EXPECT_EQ(dir.read("c.txt"), "other");
    EXPECT_TRUE(r.renameDone);
}

}  // namespace

namespace {

TEST(WholeFile, WritesReplacesAndFailsWithoutHarm)
{
    TempFolder dir;
    const std::string path = dir.file("log.csv");
    writeWholeFile(path, std::string("a\0b\r\n", 5));
    EXPECT_EQ(readWholeFile(path), std::string("a\0b\r\n", 5));
    writeWholeFile(path, "new");
    EXPECT_EQ(dir.read("log.csv"), "new");
    struct stat st { };
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u);  // not left private like a temporary file

    // A target that cannot be created: a folder of that name, or a missing folder.
    ::mkdir(dir.file("taken").c_str(), 0755);
    for (const std::string& bad : {dir.file("taken"), dir.file("missing/log.csv")}) {
        try {
            writeWholeFile(bad, "x");
            ADD_FAILURE() << bad;
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), "ファイル " + bad + " を作成できません");
        }
    }
    EXPECT_EQ(dir.read("log.csv"), "new");
    EXPECT_FALSE(readWholeFile(dir.file("missing/log.csv")).has_value());
    // No temporary file is left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST(WholeFile, LongNamesLinksModesAndHostileFiles)
{
    TempFolder dir;
    const std::string longest = dir.file(std::string(255, 'n'));
    writeWholeFile(longest, "long");
    EXPECT_EQ(readWholeFile(longest), "long");
    EXPECT_THROW(writeWholeFile(dir.file(""), "x"), AppError);  // a path ending with "/"

    // A link is written at its target and stays a link; a private file stays private.
    dir.write("real.csv", "old");
    ::chmod(dir.file("real.csv").c_str(), 0600);
    ASSERT_EQ(::symlink("real.csv", dir.file("link.csv").c_str()), 0);
    writeWholeFile(dir.file("link.csv"), "new");
    EXPECT_EQ(dir.read("real.csv"), "new");
    struct stat st { };
    ASSERT_EQ(::lstat(dir.file("link.csv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(dir.file("real.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    // Only regular files are read, without blocking, up to the bound.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero").c_str()), 0);
    dir.write("huge");
    ASSERT_EQ(::truncate(dir.file("huge").c_str(), static_cast<off_t>(kMaxReadBytes) + 1), 0);
    for (const char* hostile : {"fifo", "zero", "huge"})
        EXPECT_FALSE(readWholeFile(dir.file(hostile)).has_value()) << hostile;
    // Only a regular file is replaced: a FIFO and a link to one stay as they are.
    ASSERT_EQ(::symlink("fifo", dir.file("to-fifo").c_str()), 0);
    for (const char* notAFile : {"fifo", "to-fifo"})
        EXPECT_THROW(writeWholeFile(dir.file(notAFile), "x"), AppError) << notAFile;
    ASSERT_EQ(::stat(dir.file("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(readWholeFile(longest, 3).has_value());
    EXPECT_EQ(readWholeFile(longest, 4), "long");

    std::size_t entries = 0;  // no temporary file left behind
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 7u);
}

TEST(LogFileAppender, CreatesAppendsAndRefusesOtherFiles)
{
    TempFolder dir;
    const TLogEntry a {"a", "b", dir.path() + "/"}, c {"c", "d\"", dir.path() + "/"};
    {
        LogFileAppender log(dir.file("new.csv"));
        log.append(a);
        EXPECT_EQ(dir.read("new.csv"), formatLogCsv({a}));  // on disk at once, before finish
        log.finish();
    }
    LogFileAppender(dir.file("new.csv")).append(c);
    EXPECT_EQ(dir.read("new.csv"), formatLogCsv({a, c}));
    dir.write("empty.csv", "");
    LogFileAppender(dir.file("empty.csv")).append(a);  // an empty file (mktemp's) becomes a log
    EXPECT_EQ(dir.read("empty.csv"), formatLogCsv({a}));

    dir.write("report.txt", "the only copy");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ::mkdir(dir.file("folder").c_str(), 0755);
    for (const char* refused : {"report.txt", "fifo", "folder", "missing/log.csv"})
        EXPECT_THROW(LogFileAppender {dir.file(refused)}, AppError) << refused;
    EXPECT_EQ(dir.read("report.txt"), "the only copy");
}

TEST(LogUndoOnDisk, ChainGoneTakenAndMix)
{
    TempFolder dir;
    const std::string folder = dir.path() + "/";
    dir.write("c.txt", "ABC");  // went a -> b -> c
    dir.write("y.txt", "Y");  // went x -> y, but x is taken again
    dir.write("x.txt", "other X");
    dir.write("q.txt", "Q");  // went p -> q, not selected
    std::vector<TLogEntry> log {{"a.txt", "b.txt", folder},
                                {"x.txt", "y.txt", folder},
                                {"p.txt", "q.txt", folder},
                                {"gone.txt", "moved.txt", folder},
                                {"b.txt", "c.txt", folder}};
    const UndoOutcome outcome = undoLogRowsOnDisk(log, {0, 1, 3, 4});
    EXPECT_EQ(outcome.undone, (std::vector<bool> {true, false, false, true}));
    EXPECT_EQ(dir.read("a.txt"), "ABC");
    EXPECT_FALSE(dir.exists("b.txt"));
    EXPECT_FALSE(dir.exists("c.txt"));
    EXPECT_EQ(dir.read("x.txt"), "other X");
    EXPECT_EQ(dir.read("y.txt"), "Y");
    EXPECT_EQ(dir.read("q.txt"), "Q");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].From, "x.txt");
    EXPECT_EQ(log[1].From, "p.txt");
    EXPECT_EQ(log[2].From, "gone.txt");
    EXPECT_EQ(outcome.kept, (std::vector<std::size_t> {0, 2}));
}

}  // namespace

namespace {

TEST(SettingsFolder, PortableUnlessSystemOrReadOnly)
{
    EXPECT_EQ(chooseSettingsFolder("/home/u/moxtal/build/app/", true, false, nullptr, "/home/u"),
              "/home/u/moxtal/build/app/");
    EXPECT_EQ(chooseSettingsFolder("/usr/bin/", true, true, nullptr, "/home/u"), "/home/u/.config/moxtal/");
    EXPECT_EQ(chooseSettingsFolder("/usr/local/bin/", true, false, "/x/conf", "/home/u"), "/x/conf/moxtal/");
    EXPECT_EQ(chooseSettingsFolder("/opt/moxtal/", false, false, "", "/home/u"), "/home/u/.config/moxtal/");
    EXPECT_EQ(chooseSettingsFolder("/opt/moxtal/", false, false, "relative", "/home/u"), "/home/u/.config/moxtal/");
    EXPECT_EQ(chooseSettingsFolder("/usrlocal/", true, false, nullptr, "/home/u"), "/usrlocal/");
    // A writable install into a prefix (~/.local/bin) is still an install.
    EXPECT_EQ(chooseSettingsFolder("/home/u/.local/bin/", true, true, nullptr, "/home/u"), "/home/u/.config/moxtal/");

    TempFolder dir;
    ASSERT_TRUE(makeFolders(dir.file("bin/")) && makeFolders(dir.file("share/applications/")));
    EXPECT_FALSE(isInstalledProgramFolder(dir.file("bin/")));
    dir.write("share/applications/org.moxtal.Moxtal.desktop", "[Desktop Entry]\n");
    EXPECT_TRUE(isInstalledProgramFolder(dir.file("bin/")));
    const std::string deep = dir.file("a/b/c/");
    EXPECT_TRUE(makeFolders(deep));
    EXPECT_TRUE(isDirectory(deep));
    EXPECT_TRUE(makeFolders(deep));  // already there
    dir.write("file");
    EXPECT_FALSE(makeFolders(dir.file("file/sub")));
}

}  // namespace
