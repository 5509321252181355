// The rename journal's files: names that sort as the passes ran, the newest passes kept, private
// modes, only the renames done, and the rows an undo takes out again.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/journal.h"
#include "platform/whole_files.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

constexpr std::time_t kTime = 1796895012;  // 2026-12-10 09:30:12 UTC

TLogEntry row(const std::string& from, const std::string& to)
{
    return {from, to, "/photos/", FileIdentity {from.size(), 1700000000123456789, 42}};
}

// One pass over the journal in folder at a fixed time: its rows written ahead, then those done.
JournalRecord runPass(const std::string& folder, const std::vector<TLogEntry>& written,
                      const std::vector<TLogEntry>& done, JournalPass::Kind kind = JournalPass::Kind::Pass,
                      std::time_t at = kTime)
{
    JournalPass journal(kind, folder, [at] { return at; });
    journal.writeAhead(written);
    return journal.finish(done);
}

unsigned modeOf(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string logOf(const std::vector<TLogEntry>& rows)
{
    return formatLogCsv(rows, LogColumns::WithIdentity);
}

}  // namespace

TEST(JournalFiles, NamesAndFolder)
{
    EXPECT_EQ(passFileName(kTime, 1), "pass-20261210T093012Z-001.csv");
    struct Name {
        const char* name;
        bool pass;
    };
    for (const Name& n : {Name {"pass-20261210T093012Z-001.csv", true}, Name {"pass-20261210T093012Z-01.csv", false},
                          Name {"pass-2026121xT093012Z-001.csv", false}, Name {"pass-20261210T093012Z-001.txt", false},
                          Name {"direct-renames.csv", false}, Name {".mxtAbc123", false}})
        EXPECT_EQ(isPassFileName(n.name), n.pass) << n.name;
    struct Folder {
        const char* stateHome;
        const char* home;
        const char* folder;
    };
    for (const Folder& f : {Folder {"/s", "/h", "/s/moxtal/"}, Folder {nullptr, "/h", "/h/.local/state/moxtal/"},
                            Folder {"relative", "/h/", "/h/.local/state/moxtal/"}, Folder {nullptr, nullptr, ""}})
        EXPECT_EQ(chooseJournalFolder(f.stateHome, f.home), f.folder) << (f.stateHome ? f.stateHome : "(unset)");
}

TEST(JournalFiles, KeepsTheNewestPassesAndTheDirectRenames)
{
    TempFolder state;
    const std::string folder = state.path() + "/state/moxtal/";
    EXPECT_EQ(runPass(folder, {row("c", "d")}, {row("c", "d")}, JournalPass::Kind::DirectRename).file,
              folder + "direct-renames.csv");
    // 101 passes, 50 in one second and 51 in the next: the oldest goes.
    for (int i = 0; i < 101; ++i) {
        const JournalRecord record =
            runPass(folder, {row("a", "b")}, {row("a", "b")}, JournalPass::Kind::Pass, kTime + (i < 50 ? 0 : 1));
        EXPECT_TRUE(record.offReason.empty()) << record.offReason;
    }
    const std::vector<std::string> names = passFileNames(folder);
    ASSERT_EQ(names.size(), 100u);
    EXPECT_EQ(names.front(), passFileName(kTime, 2));
    EXPECT_EQ(names.back(), passFileName(kTime + 1, 51));
    EXPECT_EQ(readWholeFile(folder + names.back()), logOf({row("a", "b")}));
    EXPECT_EQ(readWholeFile(folder + "direct-renames.csv"), logOf({row("c", "d")}));
    EXPECT_EQ(modeOf(state.path() + "/state"), 0700u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(folder + names.back()), 0600u);
    EXPECT_EQ(modeOf(folder + "direct-renames.csv"), 0600u);
}

TEST(JournalFiles, APassKeepsTheRenamesDone)
{
    const TLogEntry a = row("a", "1"), b = row("b", "2"), c = row("c", "3");
    struct Pass {
        const char* what;
        JournalPass::Kind kind;
        std::vector<TLogEntry> written, done;
        const char* file;  // in the folder afterwards, or none
        std::string text;
    };
    const auto direct = JournalPass::Kind::DirectRename;
    const Pass passes[] {
        {"rows of failed renames leave", JournalPass::Kind::Pass, {a, b, c}, {a, c}, "pass", logOf({a, c})},
        {"nothing renamed: no file", JournalPass::Kind::Pass, {a}, {}, nullptr, {}},
        {"no rows: no file", JournalPass::Kind::Pass, {}, {}, nullptr, {}},
        {"a direct rename that failed leaves", direct, {b}, {}, "direct-renames.csv", logOf({a})},
        {"a direct rename appends", direct, {b}, {b}, "direct-renames.csv", logOf({a, b})},
    };
    for (const Pass& p : passes) {
        TempFolder state;
        const std::string folder = state.path() + "/";
        writeWholeFile(folder + "direct-renames.csv", logOf({a}));
        const JournalRecord record = runPass(folder, p.written, p.done, p.kind);
        const std::vector<std::string> names = passFileNames(folder);
        if (!p.file) {
            EXPECT_TRUE(names.empty() && record.file.empty()) << p.what;
            continue;
        }
        const std::string name = p.kind == direct ? p.file : names.empty() ? "(none)" : names.front();
        EXPECT_EQ(record.file, folder + name) << p.what;
        EXPECT_EQ(readWholeFile(folder + name), p.text) << p.what;
    }
}

TEST(JournalFiles, UndoneRowsLeaveTheirFile)
{
    TempFolder state;
    const std::string folder = state.path() + "/";
    const TLogEntry a = row("a", "1"), b = row("b", "2");
    const std::string older = runPass(folder, {b}, {b}, JournalPass::Kind::Pass, kTime - 1).file;
    const std::string newer = runPass(folder, {a, b, a}, {a, b, a}).file;
    EXPECT_EQ(newestPassToUndo(folder), newer);
    // Of equal rows, the newest goes.
    EXPECT_EQ(removeJournalRows(newer, {a}), "");
    EXPECT_EQ(readWholeFile(newer), logOf({a, b}));
    EXPECT_EQ(removeJournalRows(newer, {b, a}), "");
    EXPECT_EQ(readWholeFile(newer), "MoxTal rename log\r\n");
    EXPECT_EQ(modeOf(newer), 0600u);
    // A pass whose rows are all undone is passed over; a file that is gone is no error.
    EXPECT_EQ(newestPassToUndo(folder), older);
    EXPECT_EQ(removeJournalRows(folder + "gone.csv", {a}), "");
}
