// Random rename batches on real folders: whatever the names, the pattern and the replacement,
// and whatever another process does meanwhile, no file is lost or overwritten, every "Ok" moved
// exactly its file, and the log's undo puts the folder back.
//
// MOXTAL_RANDOM_TRIALS=N runs N trials (default 300); MOXTAL_RANDOM_SEED=S replays from seed S.
#include <gtest/gtest.h>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <numeric>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "core/regular_expression.h"
#include "core/rename_job.h"
#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "core/rename_prediction.h"
#include "platform/file_times.h"
#include "platform/listing.h"
#include "platform/renames.h"
#include "platform/whole_files.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

using Contents = std::map<std::string, std::string>;  // name -> content of every regular file

unsigned long envNumber(const char* name, unsigned long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

// The regular files of a folder (not its subfolders), by name, with their contents.
Contents snapshot(const std::string& folder)
{
    Contents contents;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return contents;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st { };
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        contents[name] = readWholeFile(folder + "/" + name).value_or("<unreadable>");
    }
    ::closedir(dir);
    return contents;
}

// Whether the file system of the temporary folders refuses name for a new file.
bool refusedAsName(const std::string& name)
{
    const TempFolder scratch;
    return !UniqueFd(::open(scratch.file(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
}

class Batch {
public:
    explicit Batch(unsigned long seed) : m_random(seed) { }

    std::size_t pick(std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(m_random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(m_random); }
    template <typename T> const T& oneOf(const std::vector<T>& items) { return items[pick(items.size())]; }

    std::string baseName()
    {
        static const std::vector<std::string> stems {
            "a",     "A",       "b",      "abc",       "ABC",       "Abc",
            "img_1", "IMG_001", "001",    "002",       "0",         "photo",
            "x y",   " lead",   "trail ", "caf\xE9",   "\xFF\xFE",  "\xE5\x86\x99\xE7\x9C\x9F",
            "a\\b",  "\\\\",    "a.b",    "tab\tname", "new\nline", "%41",
            "(x)",   "[y]",     "$",      "~",         "-",         "---",
            "img_",  "img_000", "img_001"};
        std::string name = oneOf(stems);
        if (chance(0.3))
            name += std::to_string(pick(12));
        if (chance(0.05))
            name = std::string(200 + pick(60), "ab\\x"[pick(4)]);  // up to the longest name and beyond
        return name;
    }

    std::string extension()
    {
        static const std::vector<std::string> extensions {".txt", ".TXT", ".jpg",  ".tar.gz", "",
                                                          "",     ".",    ".\xFF", ".a b"};
        return oneOf(extensions);
    }

    std::string pattern()
    {
        static const std::vector<std::string> patterns {
            "(.*)",    "",      "^a",  "a",       "A",    "(\\w+)", "([a-z]+)(\\d*)", "(.)(.*)", "x*", "$",
            "\\d+",    "^(.)",  "b|c", "(?i)img", "^",    ".",      "(a)|(b)",        "\\\\",    " ",  "(.*)(.)",
            "\\x{E9}", "[0-9]", "(",   "[",       "a{2,}"};
        return oneOf(patterns);
    }

    std::string replacement()
    {
        static const std::vector<std::string> replacements {
            "\\1", "",          "x",           "\\\\\\", "\\1_\\\\", "\\2\\1", "\\d",    "\\D",
            "\\f", "img\\\\\\", "\\\\\\\\\\1", "A",      "a",        "\\0",    "\\1\\1", "~",
            "abc", "001",       "\\1.",        "/",      "?",        "img_",   "\\3",    "\\\\"};
        return oneOf(replacements);
    }

    std::string number() { return std::to_string(static_cast<int>(pick(7)) - 2); }

private:
    std::mt19937_64 m_random;
};

// Makes the files of one trial: listed ones with distinct contents, and the kinds the list skips.
void makeFolder(Batch& batch, const TempFolder& dir, int& serial)
{
    const std::size_t count = 1 + batch.pick(60);
    std::set<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        std::string name = batch.baseName() + batch.extension();
        if (name.size() > 255)
            name.resize(255);
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
            !names.insert(name).second)
            continue;
        const std::string path = dir.file(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0)
            continue;
        const std::string content = "content " + std::to_string(serial++);
        EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        ::close(fd);
        if (batch.chance(0.05))
            ::chmod(path.c_str(), 0444);  // read-only: not listed
    }
    if (batch.chance(0.3))
        dir.write(".hidden", "hidden");
    if (batch.chance(0.2))
        ::mkfifo(dir.file("fifo").c_str(), 0644);
    if (batch.chance(0.3)) {
        ::mkdir(dir.file("sub").c_str(), 0755);
        dir.write("sub/inner.txt", "inner");
    }
    if (batch.chance(0.2))
        dir.write("empty.txt", "");
}

struct TrialResult {
    std::vector<TLogEntry> log;
    Contents expected;
};

// What the trials did, printed at the end, so that a run shows it exercised something.
struct Tally {
    unsigned long rows = 0, ok = 0, failed = 0, badPatterns = 0, intruders = 0, undone = 0;
};
Tally g_tally;

// One batch: list, compute, rename (another process now and then taking a target name first),
// and check the folder against the model of what each result word says happened.
TrialResult runBatch(Batch& batch, const TempFolder& dir)
{
    TrialResult trial;
    const Contents before = snapshot(dir.path());
    const std::vector<ListedFile> files = listFolder(dir.path(), {"*.*"});
    std::vector<std::string> dates;
    for (const ListedFile& file : files)
        dates.push_back(dateTextOf(file.timeStamp));
    const JobTexts texts {batch.pattern(), batch.replacement(), batch.number(), batch.number()};
    SCOPED_TRACE("pattern [" + texts.pattern + "] replacement [" + texts.replacement + "]");

    JobResult job;
    try {
        job = computeRenameRows(
            dir.path(), files.size(),
            [&](std::size_t i) {
                return JobEntry {files[i].name, 0, dates[i]};
            },
            texts, parseJobNumbers(texts));
    } catch (const AppError& e) {
        // Only a pattern that does not compile may end a job here.
        ++g_tally.badPatterns;
        EXPECT_THROW(CompiledPattern(texts.pattern, kCaseless), AppError) << e.what();
        EXPECT_EQ(snapshot(dir.path()), before);  // a pattern that does not compile renames nothing
        trial.expected = before;
        return trial;
    }

    Contents model = before;
    int intruders = 0;
    const UniqueFd folderFd = openRenameFolder(dir.path());
    const std::vector<RowPrediction> predicted = predictRefusals(job.rows, entryNamesAt(folderFd.get()).value());
    // What the folder showed at each row's turn, just before its rename, by the row's old name (no
    // two rows share one): whether an entry had the new name or the file was gone.
    std::map<std::string, bool> blocked;
    const auto exists = [&](const std::string& name) {
        struct stat st { };
        return ::fstatat(folderFd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    };
    const RenameLoopResult done = renameRowsInFolder(
        dir.path(), job.rows, true, std::nullopt, [&](const std::string& from, const std::string& to) {
            if (batch.chance(0.05) && model.count(to) == 0 && to.find('/') == std::string::npos && !to.empty() &&
                to != "." && to != "..") {
                const std::string content = "intruder " + std::to_string(intruders++);
                const int fd = ::openat(folderFd.get(), to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
                if (fd >= 0) {
                    EXPECT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
                    ::close(fd);
                    model[to] = content;
                    ++g_tally.intruders;
                }
            }
            EXPECT_TRUE(blocked.emplace(from, exists(to) || !exists(from)).second) << "renamed twice: " << from;
        });

    for (std::size_t i = 0; i < job.rows.size(); ++i) {
        const ConfirmRow& row = job.rows[i];
        ++g_tally.rows;
        // With nobody else in the folder, the preview's prediction is what the pass did.
        if (intruders == 0) {
            EXPECT_EQ(predicted[i].refusal != Refusal::None, row.result == kResultFailed)
                << refusalText(predicted[i]) << " row " << i << " [" << row.oldName << "] -> [" << row.newName << "]";
        }
        g_tally.ok += row.result == kResultOk;
        g_tally.failed += row.result == kResultFailed;
        SCOPED_TRACE("row [" + row.oldName + "] -> [" + row.newName + "] " + std::string(row.status));
        if (row.status == kStatusReplace && row.oldName != row.newName) {
            // Judged by the disk: a row fails exactly when the folder was in its way at its turn, and
            // one that never reached the folder has a name the file system refuses.
            if (const auto turn = blocked.find(row.oldName); turn != blocked.end()) {
                EXPECT_EQ(row.result == kResultFailed, turn->second);
            } else {
                EXPECT_EQ(row.result, kResultFailed);
                EXPECT_TRUE(refusedAsName(row.newName));
            }
        }
        if (row.status != kStatusReplace) {
            EXPECT_EQ(row.result, kResultSkipped);
        } else if (row.result == kResultOk) {
            // Never onto an existing file, and the file itself moved.
            EXPECT_EQ(model.count(row.newName), 0u);
            EXPECT_EQ(model.count(row.oldName), 1u);
            model[row.newName] = model[row.oldName];
            model.erase(row.oldName);
        }
    }
    EXPECT_EQ(snapshot(dir.path()), model);
    EXPECT_EQ(dir.exists("sub") ? readWholeFile(dir.file("sub/inner.txt")).value_or("") : "inner", "inner");
    trial.log = done.log;
    trial.expected = model;
    return trial;
}

// Undoes the log rows at positions and checks the folder against the model of what was undone.
void undoAndCheck(const TempFolder& dir, std::vector<TLogEntry> log, const std::vector<std::size_t>& positions,
                  Contents model)
{
    const std::vector<TLogEntry> rows = log;
    const UndoOutcome outcome = undoLogRowsOnDisk(log, positions);
    for (std::size_t i = positions.size(); i-- > 0;) {
        const TLogEntry& row = rows[positions[i]];
        if (!outcome.undone[i])
            continue;
        ++g_tally.undone;
        EXPECT_EQ(model.count(row.From), 0u) << row.From;
        model[row.From] = model[row.To];
        model.erase(row.To);
    }
    EXPECT_EQ(snapshot(dir.path()), model);
    EXPECT_EQ(log.size(),
              rows.size() - static_cast<std::size_t>(std::count(outcome.undone.begin(), outcome.undone.end(), true)));
}

TEST(RandomBatches, NoFileIsEverLostAndUndoPutsTheFolderBack)
{
    const unsigned long trials = envNumber("MOXTAL_RANDOM_TRIALS", 300);
    const unsigned long first = envNumber("MOXTAL_RANDOM_SEED", 20261209);
    int serial = 0;
    for (unsigned long seed = first; seed < first + trials; ++seed) {
        SCOPED_TRACE("replay with MOXTAL_RANDOM_SEED=" + std::to_string(seed) + " MOXTAL_RANDOM_TRIALS=1");
        Batch batch(seed);
        // A tenth of the trials each through the two fallbacks of the non-replacing rename.
        const RenamePath path = seed % 10 == 3   ? RenamePath::LinkThenUnlink
                                : seed % 10 == 7 ? RenamePath::CheckThenRename
                                                 : RenamePath::NoReplaceFlag;
        useRenamePath(path);
        TempFolder dir;
        makeFolder(batch, dir, serial);
        const Contents original = snapshot(dir.path());
        const TrialResult trial = runBatch(batch, dir);
        if (batch.chance(0.5)) {
            // The whole log back: without intruders the folder is exactly as it was.
            std::vector<std::size_t> all(trial.log.size());
            std::iota(all.begin(), all.end(), std::size_t {0});
            undoAndCheck(dir, trial.log, all, trial.expected);
            bool intruded = false;
            for (const auto& [name, content] : trial.expected)
                intruded = intruded || content.rfind("intruder", 0) == 0;
            if (!intruded) {
                EXPECT_EQ(snapshot(dir.path()), original);
            }
        } else {
            std::vector<std::size_t> some;
            for (std::size_t i = 0; i < trial.log.size(); ++i) {
                if (batch.chance(0.5))
                    some.push_back(i);
            }
            undoAndCheck(dir, trial.log, some, trial.expected);
        }
        useRenamePath(RenamePath::NoReplaceFlag);
        if (HasFailure())
            break;  // the seed above replays the first failing trial
    }
    // A run of the usual length saw every outcome.
    if (trials >= 100 && !HasFailure()) {
        EXPECT_GT(g_tally.ok, 0u);
        EXPECT_GT(g_tally.failed, 0u);
        EXPECT_GT(g_tally.badPatterns, 0u);
        EXPECT_GT(g_tally.intruders, 0u);
        EXPECT_GT(g_tally.undone, 0u);
    }
    std::printf("%lu trials: %lu rows, %lu renamed, %lu failed, %lu patterns refused, %lu names taken meanwhile, "
                "%lu renames undone\n",
                trials, g_tally.rows, g_tally.ok, g_tally.failed, g_tally.badPatterns, g_tally.intruders,
                g_tally.undone);
}

}  // namespace
