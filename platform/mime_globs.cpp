#include "mime_globs.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include <QFile>
#include <QHash>
#include <QMimeDatabase>
#include <QStandardPaths>

#include "listing_threads.h"
#include "name_text.h"

namespace moxtal {

namespace {

bool hasWildcard(QStringView text)
{
    for (const QChar c : text) {
        if (c == u'*' || c == u'?' || c == u'[')
            return true;
    }
    return false;
}

// Whether globMatch understands every part of pattern exactly as the database's matcher does.
bool isPlainGlob(QStringView pattern)
{
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' || c == u']' || c == u'/')
            return false;
        if (c != u'[')
            continue;
        qsizetype j = i + 1;
        if (j < pattern.size() && (pattern[j] == u'!' || pattern[j] == u'^'))
            ++j;
        if (j < pattern.size() && pattern[j] == u']')
            ++j;
        while (j < pattern.size() && pattern[j] != u']') {
            if (pattern[j] == u'[' || pattern[j] == u'\\')
                return false;
            ++j;
        }
        if (j >= pattern.size())
            return false;
        i = j;
    }
    return true;
}

std::u16string_view viewOf(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

std::u16string toU16(const QString& text)
{
    return std::u16string(viewOf(text));
}

std::u32string toU32(const QString& text)
{
    const QList<uint> units = text.toUcs4();
    return std::u32string(units.begin(), units.end());
}

template <typename Char> bool isAscii(Char c)
{
    return static_cast<char32_t>(c) < 0x80;
}

// Matches text[at] against the bracket set that starts at pattern[open] ("["); returns the
// position after the set's "]".
template <typename Char>
std::size_t matchSet(std::basic_string_view<Char> pattern, std::size_t open, Char c, bool loose, bool& matched)
{
    std::size_t i = open + 1;
    bool negate = false;
    if (i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^')) {
        negate = true;
        ++i;
    }
    bool in = false;
    bool first = true;
    while (i < pattern.size() && (first || pattern[i] != u']')) {
        first = false;
        const Char low = pattern[i];
        if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
            in = in || (low <= c && c <= pattern[i + 2]);
            i += 3;
        } else {
            in = in || low == c;
            ++i;
        }
    }
    matched = (in != negate) || (loose && !isAscii(c));
    return i + 1;
}

template <typename Char>
bool globMatchImpl(std::basic_string_view<Char> pattern, std::basic_string_view<Char> text, bool loose)
{
    std::size_t p = 0, t = 0;
    std::size_t starP = std::basic_string_view<Char>::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            bool matched = false;
            std::size_t next = p + 1;
            if (pattern[p] == u'?')
                matched = true;
            else if (pattern[p] == u'[')
                next = matchSet(pattern, p, text[t], loose, matched);
            else
                matched = pattern[p] == text[t];
            if (matched) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starP == std::basic_string_view<Char>::npos)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

}  // namespace

bool globMatch(std::u16string_view pattern, std::u16string_view text, bool looseClasses)
{
    return globMatchImpl(pattern, text, looseClasses);
}

bool globMatch(std::u32string_view pattern, std::u32string_view text, bool looseClasses)
{
    return globMatchImpl(pattern, text, looseClasses);
}

namespace {

// The globs of every MIME folder Qt reads, from their "globs2" files: far cheaper than asking
// each type of the database, which parses its whole description. More globs than Qt uses (from a
// folder whose types another one overrides) only make the keys finer. Nothing when a folder has
// no such file or a line cannot be read for certain.
std::optional<QStringList> globsFromFiles()
{
    const QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("mime"),
                                                          QStandardPaths::LocateDirectory);
    if (folders.isEmpty())
        return std::nullopt;
    QStringList patterns;
    for (const QString& folder : folders) {
        QFile file(folder + QStringLiteral("/globs2"));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            // weight:type:glob[:flags]
            const QStringList fields = line.split(u':');
            if (fields.size() < 3 || fields.size() > 4)
                return std::nullopt;
            if (fields[2] != QLatin1String("__NOGLOBS__"))
                patterns << fields[2];
        }
    }
    return patterns;
}

}  // namespace

const MimeGlobKeys& MimeGlobKeys::database()
{
    static const MimeGlobKeys keys = [] {
        if (std::optional<QStringList> patterns = globsFromFiles())
            return MimeGlobKeys(*patterns);
        QStringList patterns;
        for (const QMimeType& type : QMimeDatabase().allMimeTypes())
            patterns += type.globPatterns();
        return MimeGlobKeys(patterns);
    }();
    return keys;
}

MimeGlobKeys::MimeGlobKeys(const QStringList& patterns) : m_suffixStarts(0x10000, false)
{
    for (const QString& pattern : patterns) {
        const QString lower = pattern.toLower();
        if (lower.isEmpty())
            continue;
        if (!hasWildcard(lower)) {
            m_literals.insert(lower);
        } else if (lower.size() > 1 && lower[0] == u'*' && !hasWildcard(QStringView(lower).mid(1))) {
            const QString suffix = lower.mid(1);
            m_suffixes.insert(toU16(suffix));
            m_suffixStarts[suffix[0].unicode()] = true;
            m_longestSuffix = std::max(m_longestSuffix, suffix.size());
        } else if (isPlainGlob(lower)) {
            m_complex.push_back({toU16(lower), toU16(pattern), toU32(lower), toU32(pattern)});
        } else {
            qsizetype first = 0;
            while (first < lower.size() && lower[first] != u'*' && lower[first] != u'?' && lower[first] != u'[')
                ++first;
            qsizetype last = lower.size();
            while (last > 0 && lower[last - 1] != u'*' && lower[last - 1] != u'?' && lower[last - 1] != u']')
                --last;
            m_opaque.push_back({lower.left(first), lower.mid(last)});
        }
    }
}

std::optional<QString> MimeGlobKeys::keyOf(const QString& name) const
{
    const QString lower = name.toLower();
    // Letters whose lower case has another length make the name's tail and its lower case differ.
    if (lower.size() != name.size() || m_literals.contains(lower))
        return std::nullopt;
    for (const OpaqueGlob& glob : m_opaque) {
        if (lower.startsWith(glob.prefix) && lower.endsWith(glob.suffix))
            return std::nullopt;
    }

    QString key;
    key.reserve(static_cast<qsizetype>(2 * m_complex.size() + 1) + m_longestSuffix);
    if (!m_complex.empty()) {
        const bool wide = std::any_of(name.begin(), name.end(), [](QChar c) { return c.isSurrogate(); });
        const bool ascii = std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; });
        // Views of the name's own text: no copies.
        const std::u16string_view lowerText = wide ? std::u16string_view() : viewOf(lower);
        const std::u16string_view exactText = wide ? std::u16string_view() : viewOf(name);
        const std::u32string lowerWide = wide ? toU32(lower) : std::u32string();
        const std::u32string exactWide = wide ? toU32(name) : std::u32string();
        for (const ComplexGlob& glob : m_complex) {
            for (const bool exact : {false, true}) {
                auto match = [&](bool loose) {
                    if (wide)
                        return globMatch(exact ? glob.exactWide : glob.lowerWide, exact ? exactWide : lowerWide, loose);
                    return globMatch(exact ? glob.exact : glob.lower, exact ? exactText : lowerText, loose);
                };
                const bool strict = match(false);
                // Beyond ASCII the database's own matchers may see digits where a bracket set
                // does not: such a name is left to the database.
                if (!ascii && strict != match(true))
                    return std::nullopt;
                key += strict ? u'1' : u'0';
            }
        }
    }
    key += u'|';

    // The longest simple suffix glob the name ends with, in the name's own letter case: every
    // shorter one it matches is a suffix of that tail, so equal tails match equal suffix globs.
    // A name that is nothing but a suffix is matched differently by the database: ask it.
    if (m_suffixes.find(viewOf(lower)) != m_suffixes.end())
        return std::nullopt;
    const qsizetype start = std::max<qsizetype>(1, lower.size() - m_longestSuffix);
    for (qsizetype i = start; i < lower.size(); ++i) {
        if (!m_suffixStarts[lower[i].unicode()])
            continue;
        const std::u16string_view tail = viewOf(lower).substr(static_cast<std::size_t>(i));
        if (m_suffixes.find(tail) != m_suffixes.end()) {
            key += QStringView(name).mid(i);
            break;
        }
    }
    return key;
}

MimeGlobKeys::ListingKeys MimeGlobKeys::keysOf(const std::vector<ListedFile>& files) const
{
    // Each slice of the files keyed by a thread of its own, with its own places; then the slices'
    // keys joined, each distinct key once.
    const std::size_t count = files.size();
    const std::size_t parts = partsFor(count);
    std::vector<ListingKeys> slices(parts);
    const auto keySlice = [&](std::size_t p) {
        ListingKeys& slice = slices[p];
        QHash<QString, std::size_t> seen;
        const std::size_t begin = count * p / parts, end = count * (p + 1) / parts;
        slice.places.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            std::optional<QString> key = keyOf(displayText(files[i].name));
            if (!key) {
                slice.places.emplace_back();
                continue;
            }
            std::size_t place = slice.keys.size();
            if (const auto found = seen.constFind(*key); found != seen.cend()) {
                place = found.value();
            } else {
                seen.insert(*key, place);
                slice.keys.push_back(std::move(*key));
            }
            slice.places.emplace_back(place);
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t p = 1; p < parts; ++p)
                helpers.emplace_back(keySlice, p);
        } catch (const std::system_error&) {
            // No more threads to be had: the slices without one are keyed below.
        }
        keySlice(0);
        for (std::jthread& helper : helpers)
            helper.join();
        for (std::size_t p = helpers.size() + 1; p < parts; ++p)
            keySlice(p);
    }
    ListingKeys all = std::move(slices[0]);
    QHash<QString, std::size_t> places;
    for (std::size_t k = 0; k < all.keys.size(); ++k)
        places.insert(all.keys[k], k);
    all.places.reserve(count);
    for (std::size_t p = 1; p < parts; ++p) {
        std::vector<std::size_t> joined;
        for (QString& key : slices[p].keys) {
            const auto found = places.constFind(key);
            joined.push_back(found != places.cend() ? found.value() : all.keys.size());
            if (found == places.cend()) {
                places.insert(key, all.keys.size());
                all.keys.push_back(std::move(key));
            }
        }
        for (const std::optional<std::size_t>& place : slices[p].places)
            all.places.push_back(place ? std::optional<std::size_t>(joined[*place]) : std::nullopt);
    }
    return all;
}

}  // namespace moxtal
