// moxtal-cli: the rename job of the main window without a window, for scripts and checks.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <unistd.h>

#include "cli/output.h"
#include "core/rename_job.h"
#include "core/rename_log.h"
#include "core/rename_loop.h"
#include "core/rename_plan.h"
#include "core/rename_prediction.h"
#include "core/version.h"
#include "core/wildcard.h"
#include "platform/folder_rules.h"
#include "platform/journal.h"
#include "platform/large_pages.h"
#include "platform/listed_job.h"
#include "platform/listing.h"
#include "platform/listing_threads.h"
#include "platform/name_text.h"
#include "platform/pass_guards.h"
#include "platform/paths.h"
#include "platform/rename_log_file.h"
#include "platform/renames.h"
#include "platform/sort_orders.h"
#include "platform/whole_files.h"

namespace {

constexpr const char* kUsage =
    "Usage: moxtal-cli [--pattern P] [--replace R] [--start N] [--step N] [--filter MASKS]\n"
    "                  [--sort name|size|date [--reverse]] [--extension lower|upper]\n"
    "                  [--rename [--log FILE.csv]] FOLDER\n"
    "       moxtal-cli --undo FILE.csv\n"
    "       moxtal-cli --undo-last\n"
    "\n"
    "Lists the files of FOLDER as Mox-Tal's file list does, computes the new names and prints one\n"
    "line per proposal: Old, TAB, New, TAB, Status (and with --rename, TAB and the result).\n"
    "A backslash, TAB, CR or LF inside a name is written as \\\\, \\t, \\r or \\n, any other control\n"
    "byte as \\xHH.\n"
    "\n"
    "  --pattern P     search pattern, applied caselessly to each base name (default \"(.*)\")\n"
    "  --replace R     replacement: \\1-\\9 groups, \\d date, \\D date and time, \\f folder name,\n"
    "                  a run of backslashes the zero-padded sequence number (default \"\\1\")\n"
    "  --start N       first sequence number (default 0)\n"
    "  --step N        sequence increment (default 1)\n"
    "  --filter MASKS  wildcard masks separated by \";\" (default \"*.*\")\n"
    "  --sort KEY      number and rename in the file list's order by name, size or date, as a\n"
    "                  click on that column sorts it (the first click: Z to A, largest, newest)\n"
    "  --reverse       with --sort: the other direction (the second click)\n"
    "  --extension lower|upper\n"
    "                  after the job, convert the extension (after the last dot, unless that is\n"
    "                  the first character) of each proposed name to lower or upper case: a row\n"
    "                  whose name changes so becomes Replace, one that comes back to its old name\n"
    "                  Same name; Invalid name and Empty name rows stay as they are\n"
    "  --rename        carry out the renames of the rows with status Replace\n"
    "  --log FILE.csv  with --rename: write each rename to FILE.csv before it is tried, in batches\n"
    "                  flushed to the disk, in the CSV form of the log window's Save with three\n"
    "                  more fields per row: the file's size, modification time (ns) and inode\n"
    "                  number (empty where the file system does not keep them); FILE.csv is\n"
    "                  created, or it is a rename log already and gets the new rows appended (a\n"
    "                  row torn by a crash or a full disk at its end is cut off first); anything\n"
    "                  else at that path is refused before any rename. The log is locked while\n"
    "                  the pass runs: a second pass or undo on it is refused\n"
    "  --undo FILE.csv rename every row of a rename log back, bottom row first, never replacing\n"
    "                  a file and only the file the pass renamed (where the row has its identity);\n"
    "                  prints From, To, Folder and Ok, Failed, or --- for a row whose rename never\n"
    "                  ran, and rewrites FILE.csv without the rows it undid or dropped\n"
    "  --undo-last     --undo the newest pass of the window's journal that still holds a rename:\n"
    "                  the files pass-*.csv in $XDG_STATE_HOME/moxtal/ (~/.local/state/moxtal/),\n"
    "                  where the window writes each \"Rename\" as it happens; its name goes to\n"
    "                  standard error. The name box's renames (direct-renames.csv there) are not\n"
    "                  taken: --undo that file to undo them. Nothing left to undo: status 2\n"
    "  --help          print this text\n"
    "  --version       print the version\n"
    "\n"
    "Without --rename, each row that the rename pass would refuse (its new name still taken when\n"
    "its turn comes, another row's new name, no such file) goes to standard error with the reason,\n"
    "then their count, and the status is 1: run it as a check before --rename. With --rename, each\n"
    "row that failed goes to standard error with the system's reason. Either way, each Invalid name\n"
    "row goes there with its reason: the characters of <>|*/:?;, its new name holds, or that the\n"
    "name is empty before its extension; this does not change the exit status.\n"
    "\n"
    "One folder has one Mox-Tal pass at a time: a pass or undo in a folder where another one runs\n"
    "is refused at once, never kept waiting.\n"
    "\n"
    "On a terminal, work that runs longer than a second shows a progress line on standard error.\n"
    "\n"
    "Exit status: 0 on success, 1 when a rename failed or would be refused, 2 on bad input (options,\n"
    "pattern, folder, log), when the log cannot be written or when --undo-last finds nothing to undo,\n"
    "3 when the output cannot be written.\n";

enum ExitStatus { kSuccess = 0, kRenameFailed = 1, kBadInput = 2, kOutputFailed = 3 };

// Prints the program's own message about what was wrong and gives the bad-input status.
int refuse(const std::string& message)
{
    std::cerr << "moxtal-cli: " << message << "\n";
    return kBadInput;
}

int usageError(const std::string& message)
{
    return refuse(message + " (see moxtal-cli --help)");
}

// A path or name as messages quote it: escaped as in the output, so no control byte reaches
// the terminal.
std::string quoted(const std::string& text)
{
    return "'" + moxtal::escapeField(text) + "'";
}

// Standard output, written in pieces and checked: a full disk or a closed pipe is reported.
class Output {
public:
    void add(std::string_view text)
    {
        if (m_buffer.size() + text.size() < kBlock) {
            m_buffer += text;
            return;
        }
        // A large piece goes out as it is, after what is buffered.
        flush();
        write(text);
    }
    std::string& buffer() { return m_buffer; }
    void flush()
    {
        write(m_buffer);
        m_buffer.clear();
    }
    // Flushes what is left; false (and a message) when any of the output was lost.
    bool finish()
    {
        flush();
        if (m_error)
            std::cerr << "moxtal-cli: cannot write the output: " << std::strerror(m_error) << "\n";
        return m_error == 0;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;

    void write(std::string_view rest)
    {
        while (!rest.empty() && !m_error) {
            const ssize_t n = ::write(STDOUT_FILENO, rest.data(), rest.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                m_error = n < 0 ? errno : EIO;
            else
                rest.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    std::string m_buffer;
    int m_error = 0;
};

// A progress line on standard error, only when it is a terminal and the work has run a second.
class TerminalProgress {
public:
    explicit TerminalProgress(const char* what) : m_what(what), m_tty(::isatty(STDERR_FILENO) == 1) { }
    ~TerminalProgress()
    {
        if (m_shown)
            std::fputs("\r\033[K", stderr);
    }
    bool step(std::size_t count)
    {
        if (!m_tty)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_start < std::chrono::seconds(1) || now - m_last < std::chrono::milliseconds(100))
            return true;
        m_last = now;
        m_shown = true;
        std::fprintf(stderr, "\rmoxtal-cli: %s %zu", m_what, count);
        return true;
    }

private:
    const char* m_what;
    bool m_tty;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last;
};

// How long each phase of a job took, on standard error when MOXTAL_PHASES=1, one line per phase
// ("moxtal-cli: phase listing: 0.012345 s"), for the benchmark's phase table.
class PhaseTimes {
public:
    PhaseTimes()
    {
        const char* on = std::getenv("MOXTAL_PHASES");
        m_on = on && std::string_view(on) == "1";
    }
    PhaseTimes(const PhaseTimes&) = delete;
    PhaseTimes& operator=(const PhaseTimes&) = delete;
    ~PhaseTimes()
    {
        for (const auto& [phase, seconds] : m_phases)
            std::fprintf(stderr, "moxtal-cli: phase %s: %.6f s\n", phase, seconds);
    }
    // The phase that ends now began where the last one ended.
    void ended(const char* phase)
    {
        if (!m_on)
            return;
        const auto now = std::chrono::steady_clock::now();
        m_phases.emplace_back(phase, std::chrono::duration<double>(now - m_last).count());
        m_last = now;
    }

private:
    bool m_on = false;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
    std::vector<std::pair<const char*, double>> m_phases;
};

struct Options {
    moxtal::JobTexts texts;
    std::string filter = "*.*";
    bool rename = false;
    std::string logPath;
    std::string undoPath;
    bool undoLast = false;
    std::optional<std::string> folder;
    std::optional<moxtal::SortColumn> sort;
    // The case --extension converts each proposed name's extension to; none without the option.
    moxtal::CaseMapping extensionCase;
    bool reverse = false;
    bool help = false;
    bool version = false;
};

// Reads the command line; a message when it is not one moxtal-cli takes.
std::optional<std::string> parseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return std::nullopt;
        }
        if (arg == "--version") {
            o.version = true;
            return std::nullopt;
        }
        if (arg == "--rename") {
            o.rename = true;
        } else if (arg == "--undo-last") {
            o.undoLast = true;
        } else if (arg == "--reverse") {
            o.reverse = true;
        } else if (arg == "--sort") {
            if (i + 1 >= argc)
                return "option " + arg + " needs a value";
            const std::string key = argv[++i];
            if (key == "name")
                o.sort = moxtal::SortColumn::Name;
            else if (key == "size")
                o.sort = moxtal::SortColumn::Size;
            else if (key == "date")
                o.sort = moxtal::SortColumn::Date;
            else
                return "--sort takes name, size or date, not " + quoted(key);
        } else if (arg == "--extension") {
            if (i + 1 >= argc)
                return "option " + arg + " needs a value";
            const std::string to = argv[++i];
            if (to == "lower")
                o.extensionCase = moxtal::toLowerName;
            else if (to == "upper")
                o.extensionCase = moxtal::toUpperName;
            else
                return "--extension takes lower or upper, not " + quoted(to);
        } else if (arg == "--pattern" || arg == "--replace" || arg == "--start" || arg == "--step" ||
                   arg == "--filter" || arg == "--log" || arg == "--undo") {
            std::string& into = arg == "--pattern"   ? o.texts.pattern
                                : arg == "--replace" ? o.texts.replacement
                                : arg == "--start"   ? o.texts.seqStart
                                : arg == "--step"    ? o.texts.seqStep
                                : arg == "--log"     ? o.logPath
                                : arg == "--undo"    ? o.undoPath
                                                     : o.filter;
            if (i + 1 >= argc)
                return "option " + arg + " needs a value";
            into = argv[++i];
        } else if (arg == "--") {
            if (i + 1 < argc) {
                if (o.folder)
                    return std::string("only one FOLDER may be given");
                o.folder = argv[++i];
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return "unknown option " + quoted(arg);
        } else if (!o.folder) {
            o.folder = arg;
        } else {
            return std::string("only one FOLDER may be given");
        }
    }
    if (o.undoLast) {
        if (o.folder || o.rename || !o.logPath.empty() || !o.undoPath.empty() || o.sort || o.reverse || o.extensionCase)
            return std::string("--undo-last takes nothing else");
        return std::nullopt;
    }
    if (!o.undoPath.empty()) {
        if (o.folder || o.rename || !o.logPath.empty() || o.extensionCase)
            return std::string("--undo takes a log file and nothing else");
        return std::nullopt;
    }
    if (!o.logPath.empty() && !o.rename)
        return std::string("--log needs --rename");
    if (o.reverse && !o.sort)
        return std::string("--reverse needs --sort");
    if (!o.folder)
        return std::string("no FOLDER given");
    return std::nullopt;
}

// The sequence numbers of the job, with a message naming the option that is not an integer.
std::optional<moxtal::JobNumbers> parseNumbers(const moxtal::JobTexts& texts)
{
    moxtal::JobNumbers numbers;
    for (auto [option, text, into] : {std::tuple {"--start", &texts.seqStart, &numbers.start},
                                      std::tuple {"--step", &texts.seqStep, &numbers.step}}) {
        try {
            *into = moxtal::parseInteger(*text);
        } catch (const std::exception&) {
            refuse(std::string(option) + " needs an integer, not '" +
                   moxtal::escapeField(moxtal::quotedInMessage(*text)) + "'");
            return std::nullopt;
        }
    }
    return numbers;
}

// Renames every row of the log in path back, bottom row first, prints each outcome, and rewrites
// the log without the rows it undid or dropped, so that a second run retries only the rows that
// failed. The log stays locked throughout.
int runUndo(const std::string& path)
{
    std::optional<moxtal::RenameLogFile> log;
    std::string text;
    moxtal::LogScan scan;
    try {
        log.emplace(path, moxtal::RenameLogFile::Use::Undo);
        text = log->read();
        scan = moxtal::scanLogText(text);
    } catch (const moxtal::LogFormatError& e) {
        return refuse(moxtal::escapeField(path) + ": " + e.what());
    } catch (const std::exception& e) {
        return refuse(moxtal::escapeField(e.what()));
    }
    if (scan.tornLine > 0)
        std::cerr << "moxtal-cli: " << moxtal::escapeField(path) << ": line " << scan.tornLine
                  << ": the log ends in a torn row (a crash or a full disk); the whole rows before it are undone\n";
    const std::vector<std::size_t>& starts = scan.starts;
    const auto rowEnd = [&](std::size_t i) { return i + 1 < starts.size() ? starts[i + 1] : scan.wholeEnd; };
    moxtal::RenameBackOnDisk renameBack;
    std::vector<moxtal::UndoStep> steps(starts.size(), moxtal::UndoStep::Failed);
    Output out;
    bool anyFailed = false;
    for (std::size_t i = starts.size(); i-- > 0;) {
        const moxtal::TLogEntry row = moxtal::logRowAt(text, starts[i]);
        const moxtal::UndoRowResult result = renameBack(row);
        steps[i] = result.step;
        const std::string what = "row " + std::to_string(i + 1) + ": " + quoted(row.To) + " -> " + quoted(row.From);
        if (result.step == moxtal::UndoStep::Failed) {
            anyFailed = true;
            std::cerr << "moxtal-cli: " << what << " failed: " << result.reason << "\n";
        } else if (result.step == moxtal::UndoStep::NeverRenamed) {
            std::cerr << "moxtal-cli: " << what << ": " << result.reason << "; the row is dropped\n";
        }
        std::string& line = out.buffer();
        moxtal::appendEscapedField(line, row.From);
        line += '\t';
        moxtal::appendEscapedField(line, row.To);
        line += '\t';
        moxtal::appendEscapedField(line, row.Folder);
        line += '\t';
        line += result.step == moxtal::UndoStep::Undone   ? moxtal::kResultOk
                : result.step == moxtal::UndoStep::Failed ? moxtal::kResultFailed
                                                          : moxtal::kResultSkipped;
        out.add("\n");
    }
    const bool outputOk = out.finish();
    bool anyLeft = scan.tornLine > 0;
    for (const moxtal::UndoStep step : steps)
        anyLeft = anyLeft || step != moxtal::UndoStep::Failed;
    if (anyLeft && log->readOnly()) {
        std::cerr << "moxtal-cli: the log " << quoted(path)
                  << " can only be read: it is not rewritten and still holds the rows undone\n";
    } else if (anyLeft) {
        try {
            std::string kept = text.substr(0, starts.empty() ? std::min(scan.wholeEnd, text.size()) : starts.front());
            if (kept.empty())
                kept = std::string(moxtal::kLogTitle) + "\r\n";
            for (std::size_t i = 0; i < starts.size(); ++i) {
                if (steps[i] == moxtal::UndoStep::Failed)
                    kept.append(text, starts[i], rowEnd(i) - starts[i]);
            }
            log->replace(kept);
        } catch (const std::exception& e) {
            return refuse("the rows undone stay in the log " + quoted(path) + ": " + e.what());
        }
    }
    return !outputOk ? kOutputFailed : anyFailed ? kRenameFailed : kSuccess;
}

// Undoes the newest pass of the window's journal that still holds a rename, as --undo undoes it.
int runUndoLast()
{
    const std::string folder = moxtal::journalFolder();
    if (folder.empty())
        return refuse("no journal folder: neither $XDG_STATE_HOME nor $HOME names a folder");
    const std::optional<std::string> newest = moxtal::newestPassToUndo(folder);
    if (!newest)
        return refuse("nothing to undo: no pass file in the journal " + quoted(folder) + " holds a rename");
    std::cerr << "moxtal-cli: undoing the pass " << quoted(*newest) << "\n";
    return runUndo(*newest);
}

// Lists the folder, computes the new names, renames when asked and prints the rows.
int runJob(const Options& o)
{
    PhaseTimes phases;
    const std::optional<moxtal::JobNumbers> numbers = parseNumbers(o.texts);
    if (!numbers)
        return kBadInput;
    // The window opens an empty dialog for an empty folder whatever the pattern; a script is told
    // at once that its pattern cannot work.
    try {
        moxtal::CompiledPattern(o.texts.pattern, moxtal::kCaseless);
    } catch (const std::exception& e) {
        return refuse(std::string("the pattern does not compile: ") + e.what());
    }
    if (!moxtal::pathExists(*o.folder))
        return refuse("folder does not exist: " + quoted(*o.folder));
    if (!moxtal::isDirectory(*o.folder))
        return refuse("not a folder: " + quoted(*o.folder));

    // One opened folder for the listing and the renames: a folder put at the path meanwhile is
    // never renamed in.
    const std::string folder = moxtal::absolutePath(*o.folder);
    const moxtal::UniqueFd folderFd = moxtal::openRenameFolder(folder);
    // A pass locks its log, then its folder, before it lists: another pass on either is refused at
    // once, and the listing is what the pass renames.
    std::optional<moxtal::RenameLogFile> log;
    std::optional<moxtal::FolderLock> folderLock;
    if (o.rename && !o.logPath.empty()) {
        try {
            log.emplace(o.logPath, moxtal::RenameLogFile::Use::Append);
            if (const std::string notice = log->prepareToAppend(); !notice.empty())
                std::cerr << "moxtal-cli: " << moxtal::escapeField(notice) << "\n";
        } catch (const std::exception& e) {
            return refuse(moxtal::escapeField(e.what()) + "; nothing was renamed");
        }
    }
    if (o.rename && folderFd) {
        folderLock = moxtal::FolderLock::take(folderFd.get());
        if (folderLock->busy())
            return refuse("another Mox-Tal pass is renaming in " + quoted(folder) + "; nothing was renamed");
    }
    if (!folderFd)
        return refuse("cannot read folder " + quoted(*o.folder));
    // The plan of the pass: the rows over the folder held open since it was listed.
    moxtal::RenamePlan plan {folder, moxtal::identityOf(folderFd.get()), {}, nullptr};
    // A preview checks the rows against every name of the folder, read in the same pass.
    moxtal::NameBlock names;
    {
        // The job's work on each name is done while the listing reads the names' status.
        TerminalProgress progress("entries listed:");
        moxtal::ListedJobRequest request;
        request.folderFd = folderFd.get();
        request.folder = folder;
        request.masks = moxtal::splitFilterMasks(o.filter);
        request.texts = o.texts;
        request.numbers = *numbers;
        // The first click on a column sorts it in its first direction; --reverse is the second click.
        request.sort = o.sort;
        request.descending = !o.reverse;
        request.nameBlock = o.rename ? nullptr : &names;
        request.progress = [&](std::size_t n) { return progress.step(n); };
        request.phaseEnded = [&](const char* phase) { phases.ended(phase); };
        moxtal::ListedJob job;
        try {
            job = moxtal::runListedJob(request);
        } catch (const std::exception& e) {
            return refuse(e.what());
        }
        if (!job.readable)
            return refuse("cannot read folder " + quoted(*o.folder));
        plan.rows = std::move(job.result.rows);
    }
    // Before the pass and the preview, so that both see the names that will be renamed.
    if (o.extensionCase) {
        for (moxtal::ConfirmRow& row : plan.rows)
            moxtal::convertRowExtension(row, o.extensionCase);
        phases.ended("extension case");
    }

    bool anyFailed = false;
    std::optional<std::string> logError;
    if (o.rename) {
        TerminalProgress progress("rows renamed:");
        moxtal::RenamePassHooks hooks;
        hooks.progress = [&](std::size_t rowsDone) { return progress.step(rowsDone); };
        if (log) {
            // Each batch of rows reaches the log's disk before any of its renames is tried.
            hooks.writeAhead = [&](const std::vector<moxtal::TLogEntry>& entries) {
                const std::size_t written = log->writeAhead(entries);
                if (written < entries.size())
                    logError = "cannot write the log " + quoted(o.logPath) + ": " + log->error() +
                               "; the pass stopped before renaming " + quoted(entries[written].From);
                return written;
            };
        }
        moxtal::renamePlanAt(folderFd.get(), plan, false, hooks);
        for (const moxtal::ConfirmRow& row : plan.rows)
            anyFailed = anyFailed || row.result == moxtal::kResultFailed;
        if (plan.listed != moxtal::identityOf(moxtal::openRenameFolder(folder).get()))
            std::cerr << "moxtal-cli: the path " << quoted(folder)
                      << " no longer names the folder the pass renamed in (it was moved or replaced)\n";
        phases.ended("renames");
    }

    // Why the job found a new name invalid, and what the pass would refuse (a preview) or did
    // refuse (a rename), on standard error in row order. An invalid name is no refusal: its status
    // says it already.
    std::vector<moxtal::RowPrediction> predicted;  // none when no row can be refused
    if (!o.rename) {
        const std::vector<std::string_view> folderNames = names.views();
        const moxtal::FolderRules rules = moxtal::rulesOfFolder(folderFd.get(), folderNames);
        predicted = moxtal::predictRefusalsInParts(plan.rows, folderNames, rules);
    }
    std::size_t refusals = 0;
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const moxtal::ConfirmRow& row = plan.rows[i];
        const bool refused = i < predicted.size() && predicted[i].refusal != moxtal::Refusal::None;
        if (row.status != moxtal::kStatusInvalidName && !refused && row.result != moxtal::kResultFailed)
            continue;  // nothing to say about the row
        const std::string what = "row " + std::to_string(i + 1);
        const std::string renaming = quoted(row.oldName) + " -> " + quoted(row.newName) + ": ";
        if (row.status == moxtal::kStatusInvalidName) {
            std::cerr << "moxtal-cli: " << what << ", Invalid name: " << renaming
                      << moxtal::invalidNameReason(row.oldName, row.newName) << "\n";
        } else if (refused) {
            ++refusals;
            std::cerr << "moxtal-cli: " << what << " would be refused: " << renaming
                      << moxtal::refusalText(predicted[i]) << "\n";
        } else if (row.result == moxtal::kResultFailed) {
            std::cerr << "moxtal-cli: " << what << " failed: " << renaming << moxtal::failureReason(row.error) << "\n";
        }
    }
    if (refusals > 0)
        std::cerr << "moxtal-cli: " << refusals << (refusals == 1 ? " row" : " rows")
                  << " of the rename pass would be refused\n";
    phases.ended(o.rename ? "failures" : "refusal check");

    // The lines, made in parts of the rows on as many threads, written in their order.
    const std::size_t parts = moxtal::partsFor(plan.rows.size());
    std::vector<std::string> blocks(parts);
    moxtal::runInParts(parts, [&](std::size_t part) {
        const std::size_t begin = plan.rows.size() * part / parts, end = plan.rows.size() * (part + 1) / parts;
        std::size_t size = 0;
        for (std::size_t i = begin; i < end; ++i)
            size += plan.rows[i].oldName.size() + plan.rows[i].newName.size() + 32;
        blocks[part].reserve(size);
        moxtal::preferLargePages(blocks[part].data(), blocks[part].capacity());
        for (std::size_t i = begin; i < end; ++i) {
            // The old names lie in memory in another order than the rows': each is fetched ahead.
            if (i + 8 < end)
                __builtin_prefetch(plan.rows[i + 8].oldName.data());
            moxtal::appendRowLine(blocks[part], plan.rows[i], o.rename);
        }
    });
    Output out;
    for (std::string& block : blocks) {
        out.add(block);
        std::string().swap(block);
    }
    const bool outputOk = out.finish();
    phases.ended("output");
    if (logError)
        return refuse(*logError);
    return !outputOk ? kOutputFailed : anyFailed || refusals > 0 ? kRenameFailed : kSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    // A reader that goes away (| head) is a write error, not the end of a pass half done.
    std::signal(SIGPIPE, SIG_IGN);
    // A large folder's names and rows are tens of megabytes, met page by page.
    moxtal::keepHeapInLargePages(std::size_t {512} << 20);
    Options options;
    if (const std::optional<std::string> error = parseOptions(argc, argv, options))
        return usageError(*error);
    if (options.help || options.version) {
        Output out;
        out.add(options.help ? std::string(kUsage) : std::string("moxtal-cli (Mox-Tal) ") + moxtal::kVersion + "\n");
        return out.finish() ? kSuccess : kOutputFailed;
    }
    if (options.undoLast)
        return runUndoLast();
    if (!options.undoPath.empty())
        return runUndo(options.undoPath);
    return runJob(options);
}
