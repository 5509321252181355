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

bool isSpecialBackslash(const ProposedName& name, std::size_t i)
{
    return name.bytes[i] == '\\' && name.special[i];
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
    ProposedName out;
    out.bytes.reserve(name.bytes.size() + number.size());
    bool inRun = false;
    for (std::size_t i = 0; i < name.bytes.size();) {
        const std::size_t length = charLength(name.bytes, i, cp);
        if (length == 1 && isSpecialBackslash(name, i)) {
            if (!inRun) {
                out.bytes += number;
                out.special.insert(out.special.end(), number.size(), false);
            }
            inRun = true;
            ++i;
            continue;
        }
        inRun = false;
        out.bytes.append(name.bytes, i, length);
        out.special.insert(out.special.end(), name.special.begin() + static_cast<std::ptrdiff_t>(i),
                           name.special.begin() + static_cast<std::ptrdiff_t>(i + length));
        i += length;
    }
    name = std::move(out);
}

void expandMarker(ProposedName& name, char marker, std::string_view text)
{
    ProposedName out;
    out.bytes.reserve(name.bytes.size() + text.size());
    for (std::size_t i = 0; i < name.bytes.size(); ++i) {
        if (name.bytes[i] == marker && name.special[i]) {
            out.bytes += text;
            out.special.insert(out.special.end(), text.size(), false);
            ++i;  // the second byte of the pair is dropped unseen
        } else {
            out.bytes += name.bytes[i];
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

// The message of a match that failed for another reason than no match: the file and PCRE2's text.
[[noreturn]] void throwMatchError(std::string_view name, const std::string& message)
{
    throw AppError("'" + std::string(name) + "': " + message);
}

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
        if (name.bytes[i] == marker && name.special[i])
            return true;
    }
    return false;
}

}  // namespace

JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            JobNumbers numbers, CodePage cp)
{
    return computeRenameRows(
        folder, entries.size(), [&](std::size_t i) { return entries[i]; }, texts, numbers, cp);
}

JobResult computeRenameRows(const std::string& folder, std::size_t count, const JobEntryAt& entryAt,
                            const JobTexts& texts, JobNumbers numbers, CodePage cp)
{
    const std::string folderName = folderNameOf(folder, cp);
    JobResult result;
    result.counter = numbers.start;
    std::int32_t lastUsed = numbers.start;  // only read once the counter has run out

    // The pattern is compiled at the first file, so an empty list opens an empty dialog
    // whatever the pattern, exactly as compiling it per file would.
    std::optional<CompiledPattern> compiled;
    const std::string translated = TranslateReplacement(texts.replacement, cp);

    result.rows.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const JobEntry entry = entryAt(index);
        const NameParts parts = splitBaseName(entry.name, cp);
        if (!compiled)
            compiled.emplace(texts.pattern, kCaseless);
        // A match limit or a similar failure is no verdict on the name: the job ends.
        const int rc = compiled->match(parts.base);
        if (rc == kNoMatch)
            continue;
        if (rc < 0)
            throwMatchError(entry.name, pcre2ErrorMessage(rc));
        ProposedName proposed;
        try {
            // The first match of the replacement loop is the one just made on the same text.
            proposed.bytes = compiled->replace(parts.base, translated, &proposed.special, true);
        } catch (const MatchError& e) {
            throwMatchError(entry.name, e.what());
        }

        if (const std::size_t width = numberRunWidth(proposed, cp); width > 0) {
            if (!result.counter)
                throwCounterOverflow(lastUsed, numbers.step);
            lastUsed = *result.counter;
            const std::string number = sequenceNumberText(lastUsed, width);
            result.counter = advanceCounter(lastUsed, numbers.step);
            replaceNumberRuns(proposed, number, cp);
        }
        if (holdsMarker(proposed, kDateMarker))
            expandMarker(proposed, kDateMarker, dateDigits(entry.dateText, true));
        if (holdsMarker(proposed, kDateTimeMarker))
            expandMarker(proposed, kDateTimeMarker, dateDigits(entry.dateText, false));
        if (holdsMarker(proposed, kFolderMarker))
            expandMarker(proposed, kFolderMarker, folderName);
        std::string newName = std::move(proposed.bytes);

        ConfirmRow row;
        row.status = decideStatus(parts.base, newName, cp);
        newName += parts.extension;
        row.newName = std::move(newName);
        // Last: the views of the entry's name end when the row takes it over.
        row.oldName = entry.ownName ? std::move(*entry.ownName) : std::string(entry.name);
        row.image = entry.image;
        result.rows.push_back(std::move(row));
    }
    return result;
}

JobResult computeRenameRows(const std::string& folder, const std::vector<JobEntry>& entries, const JobTexts& texts,
                            CodePage cp)
{
    return computeRenameRows(folder, entries, texts, parseJobNumbers(texts), cp);
}

}  // namespace moxtal
