#include <gtest/gtest.h>

#include "core/rename_job.h"
#include "core/rename_loop.h"
#include "platform/listing.h"
#include "platform/pass_guards.h"
#include "platform/paths.h"
#include "platform/rename_log_file.h"
#include "platform/renames.h"
#include "platform/whole_files.h"
#include "settings/settings.h"
#include "temp_folder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
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
    case RenamePath::NoReplaceFlag:
        return "NoReplaceFlag";
    case RenamePath::LinkThenUnlink:
        return "LinkThenUnlink";
    case RenamePath::CheckThenRename:
        return "CheckThenRename";
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

TEST(RenameLogFile, CreatesAppendsCutsTornTailsAndRefusesOtherFiles)
{
    TempFolder dir;
    const TLogEntry a {"a", "b", dir.path() + "/", FileIdentity {3, 7, 0}}, c {"c", "d\"", dir.path() + "/"};
    const auto append = [&](const char* name, const std::vector<TLogEntry>& entries) {
        RenameLogFile log(dir.file(name), RenameLogFile::Use::Append);
        const std::string notice = log.prepareToAppend();
        EXPECT_EQ(log.writeAhead(entries), entries.size());
        return notice;
    };
    EXPECT_EQ(append("new.csv", {a}), "");
    EXPECT_EQ(append("new.csv", {c}), "");
    EXPECT_EQ(dir.read("new.csv"), formatLogCsv({a, c}, LogColumns::WithIdentity));
    EXPECT_EQ(parseLogCsv(dir.read("new.csv")), (std::vector<TLogEntry> {a, c}));
    dir.write("empty.csv", "");
    append("empty.csv", {a});  // an empty file (mktemp's) becomes a log
    EXPECT_EQ(dir.read("empty.csv"), formatLogCsv({a}, LogColumns::WithIdentity));
    // A tail torn by a full disk or a power cut is cut off, and said so, before the new rows.
    const std::string whole = formatLogCsv({c});
    for (const std::string& torn :
         {whole + "\"a\",\"/x/\",", whole + std::string(40, '\0'), std::string("MoxTal re")}) {
        dir.write("torn.csv", torn);
        EXPECT_NE(append("torn.csv", {a}).find("torn row at line"), std::string::npos);
        EXPECT_EQ(dir.read("torn.csv"), torn.size() < 20
                                            ? formatLogCsv({a}, LogColumns::WithIdentity)
                                            : whole + formatLogCsv({a}, LogColumns::WithIdentity).substr(19));
    }

    dir.write("report.txt", "the only copy");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ::mkdir(dir.file("folder").c_str(), 0755);
    for (const char* refused : {"report.txt", "fifo", "folder", "missing/log.csv"}) {
        EXPECT_THROW(RenameLogFile(dir.file(refused), RenameLogFile::Use::Append).prepareToAppend(), AppError)
            << refused;
    }
    EXPECT_EQ(dir.read("report.txt"), "the only copy");

    // A second user of a log is refused at once, whatever it does; the first keeps it.
    RenameLogFile first(dir.file("new.csv"), RenameLogFile::Use::Append);
    for (const auto use : {RenameLogFile::Use::Append, RenameLogFile::Use::Undo})
        EXPECT_THROW(RenameLogFile(dir.file("new.csv"), use), AppError);
}

TEST(RenameLogFile, WritesAheadInBatchesAndStopsAtAFullDisk)
{
    TempFolder dir;
    std::vector<ConfirmRow> rows;
    for (int i = 0; i < 300; ++i) {
        dir.write("f" + std::to_string(i), "x");
        rows.push_back({"f" + std::to_string(i), "g" + std::to_string(i), kStatusReplace});
    }
    RenameLogFile log(dir.file("log.csv"), RenameLogFile::Use::Append);
    log.prepareToAppend();
    const UniqueFd folder = openRenameFolder(dir.path());
    RenamePassHooks hooks;
    std::size_t renamesLogged = 0;
    // Every rename finds its row on the disk already.
    hooks.writeAhead = [&](const std::vector<TLogEntry>& entries) { return log.writeAhead(entries); };
    hooks.done = [&](const TLogEntry& e) {
        renamesLogged += dir.read("log.csv").find("\"" + e.From + "\"") != std::string::npos;
        return true;
    };
    const std::size_t syncsBefore = RenameLogFile::syncCount();
    // The disk fills up inside the second batch's rows.
    const std::string row = formatLogCsv({TLogEntry {"f10", "g10", dir.path() + "/", FileIdentity {1, 1, 1}}});
    RenameLogFile::limitWritesForTests(20 * (row.size() + 40));
    const RenameLoopResult r = renameRowsAt(folder.get(), dir.path(), rows, false, hooks);
    RenameLogFile::limitWritesForTests(SIZE_MAX);
    EXPECT_TRUE(r.stopped);
    const std::size_t syncs = RenameLogFile::syncCount() - syncsBefore;
    EXPECT_GE(syncs, 1u);
    EXPECT_LE(syncs, 3u);
    const std::vector<TLogEntry> logged = parseLogCsv(dir.read("log.csv"));  // whole rows only
    std::size_t renamed = 0;
    for (const ConfirmRow& done : rows)
        renamed += done.result == kResultOk;
    EXPECT_GT(renamed, 15u);
    EXPECT_EQ(renamesLogged, renamed);
    EXPECT_EQ(logged.size(), renamed);  // the pass went no further than its log
    EXPECT_TRUE(rows[renamed].result.empty());
    EXPECT_TRUE(dir.exists(rows[renamed].oldName));
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

TEST(LogUndoOnDisk, OnlyTheRenamedFileGoesBack)
{
    TempFolder dir;
    const std::string folder = dir.path() + "/";
    const UniqueFd fd = openRenameFolder(dir.path());
    const auto identity = [&](const std::string& name) { return *fileIdentityAt(fd.get(), name, true); };
    struct Case {
        const char* name;
        std::function<TLogEntry()> arrange;  // the files on disk, and the row the pass wrote
        UndoStep step;
        const char* reason;  // the start of the reason
        const char* onDisk;  // name=content;... of the folder afterwards
    };
    const std::vector<Case> cases {
        {"moved away and a stranger took the name",
         [&] {
             dir.write("c.txt", "REAL");
             TLogEntry row {"c.txt", "x_c.txt", folder, identity("c.txt")};
             ::rename(dir.file("c.txt").c_str(), dir.file("z.txt").c_str());
             dir.write("x_c.txt", "NEW!");
             return row;
         },
         UndoStep::Failed, "the file under the new name is not the one", "x_c.txt=NEW!;z.txt=REAL;"},
        {"written ahead, never renamed: the claim goes, a user's empty file stays",
         [&] {
             dir.write("a.txt", "A");
             dir.write("b.txt", "");
             dir.setTime("b.txt", 1000000000);
             return TLogEntry {"a.txt", "b.txt", folder, identity("a.txt")};
         },
         UndoStep::NeverRenamed, "the file still has its old name", "a.txt=A;b.txt=;"},
        {"written ahead, its empty claim left by a kill",
         [&] {
             dir.write("a.txt", "A");
             dir.write("b.txt", "");
             struct stat st { };
             ::stat(dir.file("a.txt").c_str(), &st);
             const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
             ::utimensat(fd.get(), "b.txt", times, 0);
             return TLogEntry {"a.txt", "b.txt", folder, identity("a.txt")};
         },
         UndoStep::NeverRenamed, "the file still has its old name", "a.txt=A;"},
        {"a case change stopped between its two steps",
         [&] {
             dir.write(caseChangeTemporaryName("Photo.JPG"), "P");
             FileIdentity id = identity(caseChangeTemporaryName("Photo.JPG"));
             return TLogEntry {"Photo.JPG", "photo.jpg", folder, id};
         },
         UndoStep::Undone, "", "Photo.JPG=P;"},
        {"gone",
         [&] {
             return TLogEntry {"g.txt", "h.txt", folder, FileIdentity {1, 2, 3}};
         },
         UndoStep::Failed, "No such file", ""},
        {"a row without identity renames what it finds",
         [&] {
             dir.write("n.txt", "N");
             return TLogEntry {"m.txt", "n.txt", folder};
         },
         UndoStep::Undone, "", "m.txt=N;"},
    };
    for (const Case& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(entry.path());
        const TLogEntry row = c.arrange();
        const UndoRowResult result = RenameBackOnDisk()(row);
        EXPECT_EQ(result.step, c.step) << c.name;
        EXPECT_EQ(result.reason.rfind(c.reason, 0), 0u) << c.name << ": " << result.reason;
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files[entry.path().filename().string()] = dir.read(entry.path().filename().string());
        std::string onDisk;
        for (const auto& [name, content] : files)
            onDisk += name + "=" + content + ";";
        EXPECT_EQ(onDisk, c.onDisk) << c.name;
    }
}

TEST(FolderLock, ASecondPassInTheFolderIsRefusedAtOnce)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    const UniqueFd fd = openRenameFolder(dir.path());
    {
        const FolderLock first = FolderLock::take(fd.get());
        ASSERT_FALSE(first.busy());
        std::vector<ConfirmRow> rows {{"a.txt", "b.txt", kStatusReplace}};
        renameRowsInFolder(dir.path(), rows);
        EXPECT_EQ(rows[0].result, kResultFailed);
        EXPECT_EQ(failureReason(rows[0].error), "another Mox-Tal pass is renaming in this folder");
        EXPECT_FALSE(renameNoReplace(dir.path(), "a.txt", "c.txt"));
        const UndoRowResult undo = RenameBackOnDisk()(TLogEntry {"z.txt", "a.txt", dir.path() + "/"});
        EXPECT_EQ(undo.reason, "another Mox-Tal pass is renaming in this folder");
        EXPECT_EQ(dir.read("a.txt"), "A");
    }
    EXPECT_TRUE(renameNoReplace(dir.path(), "a.txt", "c.txt"));  // the first pass is over
}

// A pass killed at any row, then undone from its log, leaves the folder as it was: no rename
// is ever missing from the log.
TEST(RenameLogFile, KillAtAnyRowThenUndoRestoresTheFolder)
{
    for (const std::size_t killAt : {1, 15, 16, 17, 48, 120}) {
        TempFolder dir;
        std::vector<ConfirmRow> rows;
        for (int i = 0; i < 150; ++i) {
            dir.write("f" + std::to_string(i), std::to_string(i));
            rows.push_back({"f" + std::to_string(i), "g" + std::to_string(i), kStatusReplace});
        }
        const std::string logPath = dir.path() + ".csv";
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RenameLogFile log(logPath, RenameLogFile::Use::Append);
            log.prepareToAppend();
            const UniqueFd folder = openRenameFolder(dir.path());
            RenamePassHooks hooks;
            hooks.writeAhead = [&](const std::vector<TLogEntry>& entries) { return log.writeAhead(entries); };
            std::size_t renamed = 0;
            // Right after a rename, before the pass does anything else.
            hooks.done = [&](const TLogEntry&) {
                if (++renamed == killAt)
                    ::raise(SIGKILL);
                return true;
            };
            renameRowsAt(folder.get(), dir.path(), rows, false, hooks);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << killAt;
        const std::optional<std::string> text = readWholeFile(logPath, kMaxLogBytes);
        ASSERT_TRUE(text);
        std::vector<TLogEntry> log = parseLogCsv(*text);
        EXPECT_GE(log.size(), killAt);
        std::vector<std::size_t> all(log.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = i;
        undoLogRowsOnDisk(log, all);
        EXPECT_TRUE(log.empty()) << killAt;
        for (int i = 0; i < 150; ++i)
            ASSERT_EQ(dir.read("f" + std::to_string(i)), std::to_string(i)) << killAt;
        ::unlink(logPath.c_str());
    }
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
