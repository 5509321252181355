// moxtal-cli: the rename job of the main window without a window, for scripts and checks.
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/output.h"
#include "core/rename_job.h"
#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "core/wildcard.h"
#include "platform/file_ops.h"
#include "platform/listing.h"

namespace {

constexpr const char* kUsage =
    "Usage: moxtal-cli [--pattern P] [--replace R] [--start N] [--step N] [--filter MASKS]\n"
    "                  [--rename [--log FILE.csv]] FOLDER\n"
    "       moxtal-cli --undo FILE.csv\n"
    "\n"
    "Lists the files of FOLDER as Mox-Tal's file list does, computes the new names and prints one\n"
    "line per proposal: Old, TAB, New, TAB, Status (and with --rename, TAB and the result).\n"
    "A backslash, TAB, CR or LF inside a name is written as \\\\, \\t, \\r or \\n.\n"
    "\n"
    "  --pattern P     search pattern, applied caselessly to each base name (default \"(.*)\")\n"
    "  --replace R     replacement: \\1-\\9 groups, \\d date, \\D date and time, \\f folder name,\n"
    "                  a run of backslashes the zero-padded sequence number (default \"\\1\")\n"
    "  --start N       first sequence number (default 0)\n"
    "  --step N        sequence increment (default 1)\n"
    "  --filter MASKS  wildcard masks separated by \";\" (default \"*.*\")\n"
    "  --rename        carry out the renames of the rows with status Replace\n"
    "  --log FILE.csv  with --rename: write the renames that succeeded as a rename log, in the\n"
    "                  CSV form of the log window's Save\n"
    "  --undo FILE.csv rename every row of a rename log back, bottom row first, never replacing\n"
    "                  a file; prints From, To, Folder and Ok or Failed per row, as undone\n"
    "  --help          print this text\n"
    "\n"
    "Exit status: 0 on success, 1 when a rename failed, 2 on bad input.\n";

int fail(const std::string& message)
{
    std::cerr << "moxtal-cli: " << message << "\n";
    return 2;
}

// Renames every row of the log in path back, bottom row first, and prints each outcome.
int undoLogFile(const std::string& path)
{
    const std::optional<std::string> text = moxtal::readWholeFile(path);
    if (!text)
        return fail("cannot read " + path);
    std::vector<moxtal::TLogEntry> entries;
    try {
        entries = moxtal::parseLogCsv(*text);
    } catch (const moxtal::LogFormatError& e) {
        return fail(path + ": " + e.what());
    }
    const std::vector<moxtal::TLogEntry> rows = entries;
    std::vector<std::size_t> all(rows.size());
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    const moxtal::UndoOutcome outcome = moxtal::undoLogRowsOnDisk(entries, all);
    std::string out;
    bool anyFailed = false;
    for (std::size_t i = rows.size(); i-- > 0;) {
        const bool undone = outcome.undone[i];
        anyFailed = anyFailed || !undone;
        out += moxtal::escapeField(rows[i].From) + '\t' + moxtal::escapeField(rows[i].To) + '\t' +
               moxtal::escapeField(rows[i].Folder) + '\t';
        out += undone ? moxtal::kResultOk : moxtal::kResultFailed;
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return anyFailed ? 1 : 0;
}


}  // namespace

int main(int argc, char** argv)
{
    moxtal::JobTexts texts;
    std::string filter = "*.*";
    bool rename = false;
    std::string logPath, undoPath;
    std::string folderArg;
    bool haveFolder = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--rename") {
            rename = true;
        } else if (arg == "--pattern" || arg == "--replace" || arg == "--start" || arg == "--step" ||
                   arg == "--filter" || arg == "--log" || arg == "--undo") {
            std::string& into = arg == "--pattern" ? texts.pattern
                                : arg == "--replace" ? texts.replacement
                                : arg == "--start"   ? texts.seqStart
                                : arg == "--step"    ? texts.seqStep
                                : arg == "--log"     ? logPath
                                : arg == "--undo"    ? undoPath
                                                     : filter;
            if (!value(into))
                return fail("option " + arg + " needs a value\n" + kUsage);
        } else if (arg == "--") {
            if (i + 1 < argc) {
                folderArg = argv[++i];
                haveFolder = true;
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return fail("unknown option " + arg + "\n" + kUsage);
        } else if (!haveFolder) {
            folderArg = arg;
            haveFolder = true;
        } else {
            return fail("only one FOLDER may be given\n" + std::string(kUsage));
        }
    }
    if (!undoPath.empty()) {
        if (haveFolder || rename || !logPath.empty())
            return fail("--undo takes a log file and nothing else\n" + std::string(kUsage));
        return undoLogFile(undoPath);
    }
    if (!logPath.empty() && !rename)
        return fail("--log needs --rename\n" + std::string(kUsage));
    if (!haveFolder)
        return fail("no FOLDER given\n" + std::string(kUsage));
    if (!moxtal::pathExists(folderArg))
        return fail("folder does not exist: " + folderArg);
    if (!moxtal::isDirectory(folderArg))
        return fail("not a folder: " + folderArg);

    // The window opens an empty dialog for an empty folder whatever the pattern; a script is told
    // at once that its pattern cannot work.
    try {
        moxtal::CompiledPattern(texts.pattern, moxtal::kCaseless);
    } catch (const std::exception& e) {
        return fail(e.what());
    }

    const std::string folder = moxtal::absolutePath(folderArg);
    bool readable = false;
    std::vector<moxtal::ListedFile> files = moxtal::listFolder(folder, moxtal::splitFilterMasks(filter), &readable);
    if (!readable)
        return fail("cannot read folder: " + folderArg);
    std::vector<std::string> dates = moxtal::jobDateTexts(files, texts.replacement);
    // The rows take the listed names over: the listing is not needed once they exist.
    auto entryAt = [&](std::size_t i) {
        return moxtal::JobEntry {files[i].name, 0, dates.empty() ? std::string_view() : dates[i], &files[i].name};
    };

    moxtal::JobResult job;
    try {
        job = moxtal::computeRenameRows(folder, files.size(), entryAt, texts, moxtal::parseJobNumbers(texts));
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    // The rows hold everything from here on.
    std::vector<std::string>().swap(dates);
    std::vector<moxtal::ListedFile>().swap(files);

    bool anyFailed = false;
    moxtal::RenameLoopResult done;
    if (rename) {
        done = moxtal::renameRowsInFolder(folder, job.rows, !logPath.empty());
        for (const moxtal::ConfirmRow& row : job.rows)
            anyFailed = anyFailed || row.result == moxtal::kResultFailed;
    }

    // Written in pieces: the whole output of a large folder need not be held at once.
    std::string out;
    out.reserve(1 << 16);
    for (const moxtal::ConfirmRow& row : job.rows) {
        moxtal::appendEscapedField(out, row.oldName);
        out += '\t';
        moxtal::appendEscapedField(out, row.newName);
        out += '\t';
        out += row.status;
        if (rename) {
            out += '\t';
            out += row.result;
        }
        out += '\n';
        if (out.size() >= (1 << 16) - 1024) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (!logPath.empty()) {
        try {
            moxtal::writeWholeFile(logPath, moxtal::formatLogCsv(done.log));
        } catch (const std::exception& e) {
            std::fflush(stdout);
            return fail(e.what());
        }
    }
    return anyFailed ? 1 : 0;
}
