#include "rename_job.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>

namespace moxtal {

NameParts splitBaseName(std::string_view name, CodePage cp)
{
    const std::size_t dot = findLastChar(name, '.', cp);
    if (dot == std::string_view::npos)
        return {name, std::string_view()};
    return {name.substr(0, dot), name.substr(dot)};
}

std::string folderNameOf(std::string_view folder, CodePage cp)
{
    const std::size_t slash = findLastChar(folder, '/', cp);
    if (slash == std::string_view::npos)
        return std::string(folder);
    return std::string(folder.substr(slash + 1));
}

JobNumbers parseJobNumbers(const JobTexts& texts)
{
    JobNumbers numbers;
    numbers.start = parseInteger(texts.seqStart);
    numbers.step = parseInteger(texts.seqStep);
    return numbers;
}

std::optional<std::int32_t> advanceCounter(std::int32_t counter, std::int32_t step)
{
    const std::int64_t next = std::int64_t {counter} + step;
    if (next < std::numeric_limits<std::int32_t>::min() || next > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(next);
}

std::string sequenceNumberText(std::int32_t counter, std::size_t width)
{
    std::string text = std::to_string(counter);
    if (text.size() < width) {
        const std::size_t at = text[0] == '-' ? 1 : 0;
        text.insert(at, width - text.size(), '0');
    }
    return text;
}

ProposedName ProposedName::literal(std::string text)
{
    ProposedName name;
    name.special.assign(text.size(), false);
    name.bytes = std::move(text);
    return name;
}

namespace {

// Whether byte i of the name was written by the replacement; for a name without flags, each
// backslash and marker byte was (and the other bytes are never asked about).
bool isSpecial(const ProposedName& name, std::size_t i)
{
    return name.special.empty() || name.special[i];
}

bool isSpecialBackslash(const ProposedName& name, std::size_t i)
{
    return name.bytes[i] == '\\' && isSpecial(name, i);
}

// Whether text holds a backslash or a marker byte: text that the flags must tell apart.
bool holdsFlaggedBytes(std::string_view text)
{
    for (const char c : text) {
        if (c == '\\' || c == kReferenceMarker || c == kDateMarker || c == kDateTimeMarker || c == kFolderMarker)
            return true;
    }
    return false;
}

// Length of the character starting at i: 2 for a lead byte with its trail byte, else 1.
std::size_t charLength(const std::string& bytes, std::size_t i, CodePage cp)
{
    return isLeadByte(cp, static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
}

}  // namespace

std::size_t numberRunWidth(const ProposedName& name, CodePage cp)
{
    std::size_t best = 0, run = 0;
    for (std::size_t i = 0; i < name.bytes.size();) {
        const std::size_t length = charLength(name.bytes, i, cp);
        run = (length == 1 && isSpecialBackslash(name, i)) ? run + 1 : 0;
        best = std::max(best, run);
        i += length;
    }
    return best;
}

void replaceNumberRuns(ProposedName& name, std::string_view number, CodePage cp)
{
    // A number is digits and "-": a name without flags needs none after it either.
    const bool flags = !name.special.empty();
    std::size_t length = name.bytes.size();  // the result's, to be made in one block
    bool counting = false;
    for (std::size_t i = 0; i < name.bytes.size();) {
        const std::size_t n = charLength(name.bytes, i, cp);
        const bool inRun = n == 1 && isSpecialBackslash(name, i);
        length = length - (inRun ? 1 : 0) + (inRun && !counting ? number.size() : 0);
        counting = inRun;
        i += n;
    }
    ProposedName out;
    out.bytes.reserve(length);
    // The bytes between runs go over in one piece each.
    std::size_t kept = 0;  // the first byte not gone over yet
    const auto keep = [&](std::size_t end) {
        out.bytes.append(name.bytes, kept, end - kept);
        if (flags)
            out.special.insert(out.special.end(), name.special.begin() + static_cast<std::ptrdiff_t>(kept),
                               name.special.begin() + static_cast<std::ptrdiff_t>(end));
    };
    bool inRun = false;
    for (std::size_t i = 0; i < name.bytes.size();) {
        const std::size_t n = charLength(name.bytes, i, cp);
        if (n == 1 && isSpecialBackslash(name, i)) {
            if (!inRun) {
                keep(i);
                out.bytes += number;
                if (flags)
                    out.special.insert(out.special.end(), number.size(), false);
            }
            inRun = true;
            kept = ++i;
            continue;
        }
        inRun = false;
        i += n;
    }
    keep(name.bytes.size());
    name = std::move(out);
}

void expandMarker(ProposedName& name, char marker, std::string_view text)
{
    // Text that brings backslashes or marker bytes of its own needs flags to keep them literal.
    if (name.special.empty() && holdsFlaggedBytes(text)) {
        name.special.resize(name.bytes.size());
        for (std::size_t i = 0; i < name.bytes.size(); ++i)
            name.special[i] = holdsFlaggedBytes(std::string_view(&name.bytes[i], 1));
    }
    const bool flags = !name.special.empty();
    ProposedName out;
    out.bytes.reserve(name.bytes.size() + text.size());
    for (std::size_t i = 0; i < name.bytes.size(); ++i) {
        if (name.bytes[i] == marker && isSpecial(name, i)) {
            out.bytes += text;
            if (flags)
                out.special.insert(out.special.end(), text.size(), false);
            ++i;  // the second byte of the pair is dropped unseen
        } else {
            out.bytes += name.bytes[i];
            if (flags)
                out.special.push_back(name.special[i]);
        }
    }
    name = std::move(out);
}

std::string dateDigits(std::string_view dateText, bool untilBlank)
{
    std::string digits;
    for (const char c : dateText) {
        if (untilBlank && c == ' ')
            break;
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

bool replacementUsesDate(const std::string& replacement, CodePage cp)
{
    const std::string translated = TranslateReplacement(replacement, cp);
    return translated.find(kDateMarker) != std::string::npos || translated.find(kDateTimeMarker) != std::string::npos;
}

std::string_view decideStatus(std::string_view oldBase, std::string_view newBase, CodePage cp)
{
    if (oldBase.empty())
        return kStatusEmptyName;
    if (newBase == oldBase)
        return kStatusSameName;
    if (newBase.empty())
        return kStatusInvalidName;
    if (findAnyChar(newBase, kInvalidNameChars, cp) != std::string_view::npos)
        return kStatusInvalidName;
    return kStatusReplace;
}

std::string invalidNameReason(std::string_view oldName, std::string_view newName, CodePage cp)
{
    // The job wrote the new base name followed by the old extension; a row whose "Old" cell was
    // edited since is split as a name of its own.
    const std::string_view oldExtension = splitBaseName(oldName, cp).extension;
    const bool jobsExtension =
        newName.size() >= oldExtension.size() && newName.substr(newName.size() - oldExtension.size()) == oldExtension;
    const std::string_view newBase =
        jobsExtension ? newName.substr(0, newName.size() - oldExtension.size()) : splitBaseName(newName, cp).base;
    if (newBase.empty())
        return newName.empty() ? "The new name is empty." : "The new name has nothing before its extension.";
    std::vector<char> held;
    for (const char c : kInvalidNameChars) {
        if (findChar(newBase, c, cp) != std::string_view::npos)
            held.push_back(c);
    }
    if (held.empty())
        return {};
    std::string text = "The new name holds ";
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (i > 0)
            text += i + 1 == held.size() ? " and " : ", ";
        text += '"';
        text += held[i];
        text += '"';
    }
    return text + ", which a new name may not hold (none of " + std::string(kInvalidNameChars) + ").";
}

std::string convertExtensionCase(std::string_view name, const CaseMapping& caseOf, CodePage cp)
{
    const NameParts parts = splitBaseName(name, cp);
    if (parts.base.empty() || parts.extension.size() <= 1)
        return std::string(name);
    return std::string(name.substr(0, parts.base.size() + 1)) + caseOf(std::string(parts.extension.substr(1)));
}

void convertRowExtension(ConfirmRow& row, const CaseMapping& caseOf, CodePage cp)
{
    if (row.status == kStatusInvalidName || row.status == kStatusEmptyName)
        return;
    row.newName = convertExtensionCase(row.newName, caseOf, cp);
    row.status = row.newName != row.oldName ? kStatusReplace : kStatusSameName;
}

namespace {

// A file needs the number after last, which does not fit: the job ends before anything is renamed.
[[noreturn]] void throwCounterOverflow(std::int32_t last, std::int32_t step)
{
    const std::int64_t next = std::int64_t {last} + step;
    throw AppError("the sequence number " + std::to_string(next) + " (after " + std::to_string(last) + ", step " +
                   std::to_string(step) + ") does not fit in 32 bits");
}

// Whether a replacement-written byte of the name is marker, so its expansion can be skipped.
bool holdsMarker(const ProposedName& name, char marker)
{
    for (std::size_t i = 0; i < name.bytes.size(); ++i) {
        if (name.bytes[i] == marker && isSpecial(name, i))
            return true;
    }
    return false;
}

// Whether a replacement-written byte of the name is any of the markers a row expands.
bool holdsMarkers(const ProposedName& name)
{
    for (std::size_t i = 0; i < name.bytes.size(); ++i) {
        const char c = name.bytes[i];
        if ((c == kDateMarker || c == kDateTimeMarker || c == kFolderMarker) && isSpecial(name, i))
            return true;
    }
    return false;
}

NameProposal failedProposal(std::string message)
{
    NameProposal proposal;
    proposal.outcome = NameProposal::Outcome::Failed;
    proposal.bytes = std::move(message);
    return proposal;
}

// The message of a match that failed for another reason than no match: the file and PCRE2's text.
std::string matchErrorMessage(std::string_view name, const std::string& message)
{
    return "'" + std::string(name) + "': " + message;
}

}  // namespace

JobPattern::JobPattern(const JobTexts& texts, CodePage cp)
    : m_pattern(texts.pattern), m_translated(TranslateReplacement(texts.replacement, cp)), m_cp(cp)
{ }

const CompiledPattern* JobPattern::compiled()
{
    std::call_once(m_once, [this] {
        try {
            m_compiled.emplace(m_pattern, kCaseless);
        } catch (const AppError& e) {
            m_error = e.what();
        }
    });
    return m_compiled ? &*m_compiled : nullptr;
}

NameProposal NameProposer::propose(std::string_view name)
{
    const CodePage cp = m_pattern.m_cp;
    const std::string_view base = splitBaseName(name, cp).base;
    if (!m_matcher) {
        const CompiledPattern* shared = m_pattern.compiled();
        if (!shared)
            return failedProposal(m_pattern.m_error);
        m_matcher.emplace(shared->matcherForThread());
    }
    // A match limit or a similar failure is no verdict on the name: the job ends there.
    const int rc = m_matcher->match(base);
    if (rc == kNoMatch)
        return {};
    if (rc < 0)
        return failedProposal(matchErrorMessage(name, pcre2ErrorMessage(rc)));
    NameProposal proposal;
    proposal.baseLength = static_cast<std::uint32_t>(base.size());
    ProposedName proposed;
    try {
        // The first match of the replacement loop is the one just made on the same text. Only a
        // name with backslashes or marker bytes of its own needs the flags.
        proposed.bytes = m_matcher->replace(base, m_pattern.m_translated,
                                            holdsFlaggedBytes(base) ? &proposed.special : nullptr, true);
    } catch (const MatchError& e) {
        return failedProposal(matchErrorMessage(name, e.what()));
    } catch (const AppError& e) {
        return failedProposal(e.what());
    }
    proposal.outcome = NameProposal::Outcome::Proposed;
    proposal.numberWidth = static_cast<std::uint32_t>(numberRunWidth(proposed, cp));
    proposal.markers = holdsMarkers(proposed);
    proposal.bytes = std::move(proposed.bytes);
    if (!proposed.special.empty())
        proposal.special = std::make_unique<std::vector<bool>>(std::move(proposed.special));
    return proposal;
}

RowMaker::RowMaker(const std::string& folder, JobNumbers numbers, std::uint64_t numberedBefore, CodePage cp)
    : m_folderName(folderNameOf(folder, cp)), m_numbers(numbers), m_numbered(numberedBefore), m_cp(cp)
{ }

namespace {

// The sequence number of the row that takes the number after numbered others, when it fits.
std::optional<std::int32_t> numberAfter(JobNumbers numbers, std::uint64_t numbered)
{
    // An offset beyond 2^32 leaves 32 bits from any start; so does every step but 0 after 2^32 rows.
    constexpr std::int64_t kBeyond = std::int64_t {1} << 32;
    const auto rows = static_cast<std::int64_t>(std::min<std::uint64_t>(numbered, kBeyond));
    const std::int64_t offset = std::int64_t {numbers.step} * rows;
    if (offset < -kBeyond || offset > kBeyond)
        return std::nullopt;
    const std::int64_t number = std::int64_t {numbers.start} + offset;
    if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(number);
}

}  // namespace

std::optional<std::int32_t> RowMaker::counter() const
{
    return numberAfter(m_numbers, m_numbered);
}

ConfirmRow RowMaker::make(const JobEntry& entry, NameProposal& proposal)
{
    if (proposal.outcome == NameProposal::Outcome::Failed)
        throw AppError(proposal.bytes);
    ProposedName proposed;
    proposed.bytes = std::move(proposal.bytes);
    if (proposal.special)
        proposed.special = std::move(*proposal.special);
    if (proposal.numberWidth > 0) {
        // The numbers run from the start, step on, so the first one that does not fit follows the
        // last one that did.
        const std::optional<std::int32_t> number = numberAfter(m_numbers, m_numbered);
        if (!number) {
            // (A later part of a list may start past the last number that fits; its error is never
            // the one thrown.)
            throwCounterOverflow(numberAfter(m_numbers, m_numbered - 1).value_or(m_numbers.start), m_numbers.step);
        }
        ++m_numbered;
        replaceNumberRuns(proposed, sequenceNumberText(*number, proposal.numberWidth), m_cp);
    }
    if (proposal.markers) {
        if (holdsMarker(proposed, kDateMarker))
            expandMarker(proposed, kDateMarker, dateDigits(entry.dateText, true));
        if (holdsMarker(proposed, kDateTimeMarker))
            expandMarker(proposed, kDateTimeMarker, dateDigits(entry.dateText, false));
        if (holdsMarker(proposed, kFolderMarker))
            expandMarker(proposed, kFolderMarker, m_folderName);
    }
    const std::string_view base = entry.name.substr(0, proposal.baseLength);
    ConfirmRow row;
    row.status = decideStatus(base, proposed.bytes, m_cp);
    // One block for the new name (or none, for a short one).
    const std::string_view extension = entry.name.substr(base.size());
    row.newName.reserve(proposed.bytes.size() + extension.size());
    row.newName.append(proposed.bytes).append(extension);
    // Last: the views of the entry's name end when the row takes it over.
    row.oldName = entry.ownName ? std::move(*entry.ownName) : std::string(entry.name);
    row.image = entry.image;
    return row;
}

JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            JobNumbers numbers, CodePage cp)
{
    return computeRenameRows(
        folder, entries.size(), [&](std::size_t i) { return entries[i]; }, texts, numbers, cp);
}

JobResult computeRenameRows(const std::string& folder, std::size_t count, const JobEntryAt& entryAt,
                            const JobTexts& texts, JobNumbers numbers, CodePage cp)
{
    // The pattern is compiled at the first file, so an empty list opens an empty dialog
    // whatever the pattern, exactly as compiling it per file would.
    JobPattern pattern(texts, cp);
    NameProposer proposer(pattern);
    RowMaker rows(folder, numbers, 0, cp);
    JobResult result;
    result.rows.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const JobEntry entry = entryAt(index);
        NameProposal proposal = proposer.propose(entry.name);
        if (proposal.outcome != NameProposal::Outcome::NoMatch)
            result.rows.push_back(rows.make(entry, proposal));
    }
    result.counter = rows.counter();
    return result;
}

JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            CodePage cp)
{
    return computeRenameRows(folder, entries, texts, parseJobNumbers(texts), cp);
}

}  // namespace moxtal
