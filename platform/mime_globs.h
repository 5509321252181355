#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <QSet>
#include <QString>
#include <QStringList>

#include "listing.h"

namespace moxtal {

// The file-name globs of the MIME database, sorted for a fast answer to one question: which names
// match exactly the same globs, and so get the same MIME type and icon. A folder of 100,000 files
// then costs one database look-up per distinct key, whatever the names look like.
class MimeGlobKeys {
public:
    // The globs of the database Qt uses, read once.
    static const MimeGlobKeys& database();

    explicit MimeGlobKeys(const QStringList& patterns);

    // A key shared by exactly the names that match the same globs (a name matching a literal glob
    // such as "Makefile" keeps a key of its own); nothing when only the database can tell.
    std::optional<QString> keyOf(const QString& name) const;

    // The keys of a listing's names (keyOf of each name's display text), found by as many threads
    // as a listing's (listing_threads.h): each distinct key once, and for each file the place of
    // its key among them (none: only the database can tell).
    struct ListingKeys {
        std::vector<QString> keys;
        std::vector<std::optional<std::size_t>> places;
    };
    ListingKeys keysOf(const std::vector<ListedFile>& files) const;

private:
    // A glob may be matched ignoring case (on lower-case text) or, when the database marks it
    // case-sensitive, as it stands; the key records both verdicts.
    struct ComplexGlob {
        std::u16string lower;
        std::u16string exact;
        std::u32string lowerWide;  // the same as code points, for names beyond the BMP
        std::u32string exactWide;
    };
    struct OpaqueGlob {
        QString prefix;  // lower-case text before its first wildcard
        QString suffix;  // lower-case text after its last wildcard
    };

    // Looked up by views of a name's tails, without copies.
    struct SuffixHash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>()(text); }
    };
    std::unordered_set<std::u16string, SuffixHash, std::equal_to<>> m_suffixes;  // "*.txt" kept as ".txt", lower case
    std::vector<bool> m_suffixStarts;  // first code units of the suffixes (< 0x10000)
    qsizetype m_longestSuffix = 0;
    QSet<QString> m_literals;  // lower case
    std::vector<ComplexGlob> m_complex;  // "*", "?" and "[...]" that we match ourselves
    std::vector<OpaqueGlob> m_opaque;  // any other syntax: the database decides
};

// Matches text against a glob of "*", "?" and bracket sets ("[a-z]", "[!0-9]"), one code unit per
// character; looseClasses lets every set also take any character beyond ASCII. Both in lower case.
bool globMatch(std::u16string_view pattern, std::u16string_view text, bool looseClasses = false);
bool globMatch(std::u32string_view pattern, std::u32string_view text, bool looseClasses = false);

}  // namespace moxtal
