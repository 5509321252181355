#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"
#include "integers.h"
#include "regular_expression.h"

namespace moxtal {

// What the rename job reads of one file entry, in list order; views into the caller's list.
struct JobEntry {
    std::string_view name;  // file name with extension, no folder
    int image = -1;  // icon index in the file list's image list
    std::string_view dateText;  // text of the Date column (only read when the replacement uses \d or \D)
    // When set, the caller's string that name views: the row takes it over instead of a copy
    // (the caller has no further use for it).
    std::string* ownName = nullptr;
};

// The texts of the main window's boxes that the job reads when "Do!" is pressed.
struct JobTexts {
    std::string pattern = "(.*)";
    std::string replacement = "\\1";
    std::string seqStart = "0";
    std::string seqStep = "1";
};

// One row of the confirmation dialog. Status and result are always one of the fixed words below
// (or the case buttons' "Same Name"), so the row holds views of them.
struct ConfirmRow {
    std::string oldName;
    std::string newName;
    std::string_view status;
    int image = -1;
    std::string_view result;
    int error = 0;  // why a "Failed" row failed: the system's error number
};

struct JobResult {
    std::vector<ConfirmRow> rows;
    // The next sequence number after the job; none when it does not fit in 32 bits (the last
    // file used the highest or lowest number there is).
    std::optional<std::int32_t> counter = 0;
};

inline constexpr std::string_view kStatusReplace = "Replace";
inline constexpr std::string_view kStatusSameName = "Same name";
inline constexpr std::string_view kStatusEmptyName = "Empty name";
inline constexpr std::string_view kStatusInvalidName = "Invalid name";
inline constexpr std::string_view kStatusSameNameCase = "Same Name";  // written by the case buttons

// Base name and extension: the extension runs from the last "." (dot included). Views into the
// name that was split.
struct NameParts {
    std::string_view base;
    std::string_view extension;
};
NameParts splitBaseName(std::string_view name, CodePage cp = CodePage::Utf8);

// The text after the last "/" of a folder path ("" for "/"); what \f inserts.
std::string folderNameOf(std::string_view folder, CodePage cp = CodePage::Utf8);

// The sequence start and step of a job, read from the texts of their boxes.
struct JobNumbers {
    std::int32_t start = 0;
    std::int32_t step = 1;
};
// Throws AppError for a start or step that is not an integer (the start is read first).
JobNumbers parseJobNumbers(const JobTexts& texts);

// The sequence number after counter, step on; none when it does not fit in 32 bits.
std::optional<std::int32_t> advanceCounter(std::int32_t counter, std::int32_t step);

// The sequence number text for counter, zero-padded after any "-" to at least width characters.
std::string sequenceNumberText(std::int32_t counter, std::size_t width);

// A new base name as the replacement left it. Only bytes that the replacement wrote are
// special: a backslash or marker byte that came from the file's own name stays literal.
struct ProposedName {
    std::string bytes;
    // One flag per byte; or none at all when no backslash or marker byte of bytes came from the
    // file's name (the common case, which needs no flags): then every such byte is special.
    std::vector<bool> special;

    static ProposedName literal(std::string text);
};

// Length of the longest run of special backslashes (trail bytes of double-byte characters never
// count); 0 when there is none.
std::size_t numberRunWidth(const ProposedName& name, CodePage cp);

// Replaces every maximal run of special backslashes by number.
void replaceNumberRuns(ProposedName& name, std::string_view number, CodePage cp);

// Replaces each special marker byte, together with the byte after it, by text.
void expandMarker(ProposedName& name, char marker, std::string_view text);

// The digits of a date text up to its first blank (untilBlank) or of the whole text.
std::string dateDigits(std::string_view dateText, bool untilBlank);

// Whether a replacement holds \d or \D, so that the job needs the entries' date texts.
bool replacementUsesDate(const std::string& replacement, CodePage cp = CodePage::Utf8);

// The characters no new base name may hold: such a proposal gets "Invalid name".
inline constexpr std::string_view kInvalidNameChars = "<>|*/:?;,";

// The status word of a proposal, from the old and the new base name.
std::string_view decideStatus(std::string_view oldBase, std::string_view newBase, CodePage cp);

// Why the job gives a row "Invalid name", as a sentence: its new base name (the new name without
// the old name's extension, which the job put back) is empty, or holds characters of
// kInvalidNameChars, which it names. Empty when neither is so.
std::string invalidNameReason(std::string_view oldName, std::string_view newName, CodePage cp = CodePage::Utf8);

// A case mapping of a name: the platform's upper or lower case, which knows the letters of every
// script.
using CaseMapping = std::function<std::string(const std::string&)>;

// The name with only its extension, the text after the dot where the job splits it, converted by
// caseOf. A name without a dot, or whose only dot is its first character (".bashrc"), has no
// extension and is returned as it is.
std::string convertExtensionCase(std::string_view name, const CaseMapping& caseOf, CodePage cp = CodePage::Utf8);

// The extension case of moxtal-cli, applied to a row of a finished job: a row the job refused
// ("Invalid name", "Empty name") stays as it is; any other row gets the extension of its new name
// converted, and the status "Replace" when the new name then differs from the old one byte for
// byte, "Same name" when not.
void convertRowExtension(ConfirmRow& row, const CaseMapping& caseOf, CodePage cp = CodePage::Utf8);

// What the job makes of one file's name by itself, wherever the file stands in the list: the new
// base name as the replacement left it, its number runs, dates and folder name not filled in yet;
// or no match (the file gets no row); or the error the job ends with when it reaches the file.
// Made for many names at once, on several threads, before the list's order is known.
struct NameProposal {
    enum class Outcome : std::uint8_t { NoMatch, Proposed, Failed };
    Outcome outcome = Outcome::NoMatch;
    bool markers = false;  // the new base name holds a date, date-and-time or folder marker
    std::uint32_t baseLength = 0;  // the old name's first baseLength bytes are its base name
    std::uint32_t numberWidth = 0;  // the widest number run of the new base name (0: it takes no number)
    std::string bytes;  // Proposed: the new base name (ProposedName's bytes); Failed: the error's message
    // Proposed: ProposedName's flags, for a name with backslashes or marker bytes of its own only.
    std::unique_ptr<std::vector<bool>> special;
};

// The pattern and replacement of a job as the proposers of its names share them: the replacement
// translated once, the pattern compiled (with its machine code) once, at the first name, so that an
// empty list never compiles it.
class JobPattern {
public:
    explicit JobPattern(const JobTexts& texts, CodePage cp = CodePage::Utf8);
    JobPattern(const JobPattern&) = delete;
    JobPattern& operator=(const JobPattern&) = delete;

private:
    friend class NameProposer;
    // The compiled pattern, compiled by the first caller of any thread; none when it does not
    // compile (m_error then says why).
    const CompiledPattern* compiled();

    std::string m_pattern;
    std::string m_translated;
    CodePage m_cp;
    std::once_flag m_once;
    std::optional<CompiledPattern> m_compiled;
    std::string m_error;
};

// Proposes the new names of a job's files by themselves (NameProposal), one thread at a time: each
// thread has a proposer of its own, with a match context of its own over the shared pattern.
class NameProposer {
public:
    explicit NameProposer(JobPattern& pattern) : m_pattern(pattern) { }
    // The proposal for the file name; a pattern that does not compile, a match the library could
    // not carry out and "sub pattern error" give a Failed proposal, which the job reports when it
    // reaches the file (the match error naming it).
    NameProposal propose(std::string_view name);

private:
    JobPattern& m_pattern;
    std::optional<CompiledPattern> m_matcher;
};

// The steps of a job that need the list's order, row after row from the proposals: the sequence
// numbers, the dates, the folder name, the status. A part of a list (for several threads, each with
// its part) starts from how many rows before it take a sequence number.
class RowMaker {
public:
    RowMaker(const std::string& folder, JobNumbers numbers, std::uint64_t numberedBefore = 0,
             CodePage cp = CodePage::Utf8);

    // Whether a proposal's row takes a sequence number (to count the rows before a part).
    static bool takesNumber(const NameProposal& proposal)
    {
        return proposal.outcome == NameProposal::Outcome::Proposed && proposal.numberWidth > 0;
    }

    // The row of the entry from its proposal (not a NoMatch one), which it uses up; the row takes
    // entry.ownName over when it is set. Throws the Failed proposal's error as AppError, and
    // AppError when the row needs a sequence number that does not fit in 32 bits.
    ConfirmRow make(const JobEntry& entry, NameProposal& proposal);

    // The sequence number after the rows made so far; none when it does not fit in 32 bits.
    std::optional<std::int32_t> counter() const;

private:
    std::string m_folderName;
    JobNumbers m_numbers;
    std::uint64_t m_numbered;  // rows before the next one that took a number
    CodePage m_cp;
};

// Computes the confirmation rows of a rename job over the entries in list order, numbering from
// numbers.start. Throws AppError for a pattern that does not compile and for a match the library
// could not carry out (the message names the file), AppError for "sub pattern error", and
// AppError when a file would use a sequence number that does not fit in 32 bits (the number after
// the last file may not fit: the result's counter is then empty).
JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            JobNumbers numbers, CodePage cp = CodePage::Utf8);
// The same over count entries handed out one at a time by entryAt(i), i from 0, so that a caller
// with its own list of files needs no second list.
using JobEntryAt = std::function<JobEntry(std::size_t index)>;
JobResult computeRenameRows(const std::string& folder, std::size_t count, const JobEntryAt& entryAt,
                            const JobTexts& texts, JobNumbers numbers, CodePage cp = CodePage::Utf8);
// The same with the start and step read from texts first (AppError when they are not integers).
JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            CodePage cp = CodePage::Utf8);

}  // namespace moxtal
