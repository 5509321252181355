#include "folder_rules.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace moxtal {

namespace {

struct FoldRun {
    char32_t first;
    char32_t last;
    std::int32_t delta;
    std::uint32_t stride;
};
struct FullFold {
    char32_t from;
    char32_t to[3];
};
struct Decomposition {
    char32_t from;
    char32_t first;
    char32_t second;  // 0 when the code point stands for one other
};

#include "unicode_tables.inc"

constexpr char32_t kDotlessI = 0x0131;
constexpr char32_t kLast = 0x10FFFF;

// The code point at name[at], moving at past it; false at a byte that does not begin a well-formed
// UTF-8 character (overlong forms, surrogates and values beyond U+10FFFF included).
bool decodeUtf8(std::string_view name, std::size_t& at, char32_t& c)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(name[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        c = lead;
        ++at;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07, min = 0x10000;
    } else {
        return false;
    }
    if (name.size() - at < length)
        return false;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    if (c < min || c > kLast || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    at += length;
    return true;
}

bool isUtf8(std::string_view name)
{
    char32_t c = 0;
    for (std::size_t at = 0; at < name.size();) {
        if (!decodeUtf8(name, at, c))
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t simpleFold(char32_t c)
{
    const auto after = std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                                        [](char32_t value, const FoldRun& run) { return value < run.first; });
    if (after == std::begin(kFoldRuns))
        return c;
    const FoldRun& run = *std::prev(after);
    if (c > run.last || (c - run.first) % run.stride != 0)
        return c;
    return static_cast<char32_t>(static_cast<std::int64_t>(c) + run.delta);
}

const FullFold* fullFold(char32_t c)
{
    const auto at = std::lower_bound(std::begin(kFullFolds), std::end(kFullFolds), c,
                                     [](const FullFold& f, char32_t value) { return f.from < value; });
    return at != std::end(kFullFolds) && at->from == c ? at : nullptr;
}

// Appends the canonical decomposition of c (itself when it has none).
void appendDecomposed(std::u32string& out, char32_t c)
{
    // Hangul syllables decompose by arithmetic into their leading, vowel and trailing jamo.
    constexpr char32_t kSyllables = 0xAC00, kLeads = 0x1100, kVowels = 0x1161, kTrails = 0x11A7;
    constexpr char32_t kVowelCount = 21, kTrailCount = 28, kSyllableCount = 11172;
    if (c >= kSyllables && c < kSyllables + kSyllableCount) {
        const char32_t index = c - kSyllables;
        out += kLeads + index / (kVowelCount * kTrailCount);
        out += kVowels + index % (kVowelCount * kTrailCount) / kTrailCount;
        if (index % kTrailCount != 0)
            out += kTrails + index % kTrailCount;
        return;
    }
    const auto at = std::lower_bound(std::begin(kDecompositions), std::end(kDecompositions), c,
                                     [](const Decomposition& d, char32_t value) { return d.from < value; });
    if (at == std::end(kDecompositions) || at->from != c) {
        out += c;
        return;
    }
    appendDecomposed(out, at->first);
    if (at->second != 0)
        appendDecomposed(out, at->second);
}

std::string simpleFolded(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    if (!isUtf8(name)) {
        for (const char c : name)
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        return out;
    }
    char32_t c = 0;
    for (std::size_t at = 0; at < name.size();) {
        decodeUtf8(name, at, c);
        // The upcase tables hold the Basic Multilingual Plane only.
        if (c == kDotlessI)
            c = U'i';
        else if (c < 0x10000)
            c = simpleFold(c);
        appendUtf8(out, c);
    }
    return out;
}

std::string casefolded(std::string_view name)
{
    if (!isUtf8(name))
        return std::string(name);
    std::string out;
    out.reserve(name.size());
    std::u32string decomposed;
    char32_t c = 0;
    for (std::size_t at = 0; at < name.size();) {
        decodeUtf8(name, at, c);
        decomposed.clear();
        appendDecomposed(decomposed, c);
        // The folding of a code point that does not decompose never does either.
        for (const char32_t part : decomposed) {
            if (const FullFold* full = fullFold(part)) {
                for (const char32_t to : full->to) {
                    if (to != 0)
                        appendUtf8(out, to);
                }
            } else {
                appendUtf8(out, simpleFold(part));
            }
        }
    }
    return out;
}

}  // namespace

FolderRules rulesOfKind(FileSystemKind kind)
{
    FolderRules rules;
    switch (kind) {
    case FileSystemKind::Other:
        break;
    case FileSystemKind::Fat:
        rules = {CaseFolding::Simple, kMaxNameBytes, kMaxNameUtf16Units, true, true, true};
        break;
    case FileSystemKind::Exfat:
        rules = {CaseFolding::Simple, 0, kMaxNameUtf16Units, true, true, false};
        break;
    case FileSystemKind::Ntfs:
        rules = {CaseFolding::None, 0, kMaxNameUtf16Units, false, false, false};
        break;
    case FileSystemKind::NtfsWindowsNames:
        rules = {CaseFolding::None, 0, kMaxNameUtf16Units, true, true, true};
        break;
    case FileSystemKind::Smb:
        rules.folding = CaseFolding::Simple;
        break;
    }
    return rules;
}

std::string foldedName(const FolderRules& rules, std::string_view name)
{
    switch (rules.folding) {
    case CaseFolding::None:
        break;
    case CaseFolding::Simple:
        return simpleFolded(name);
    case CaseFolding::Casefold:
        return casefolded(name);
    }
    return std::string(name);
}

std::size_t utf16Length(std::string_view name)
{
    std::size_t units = 0;
    char32_t c = 0;
    for (std::size_t at = 0; at < name.size();) {
        if (!decodeUtf8(name, at, c))
            return std::string_view::npos;
        units += c < 0x10000 ? 1 : 2;
    }
    return units;
}

}  // namespace moxtal
