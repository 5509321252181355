#include "collation.h"

#include "core/text_case.h"
#include "listing_threads.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>

#include <QByteArray>

#include <unicode/ucol.h>

namespace moxtal {

namespace {

// Runs work(begin, end) over parts equal slices of [0, count), each on its own thread (runInParts).
template <typename Work> void forEachPart(std::size_t count, std::size_t parts, const Work& work)
{
    runInParts(parts, [&](std::size_t part) { work(count * part / parts, count * (part + 1) / parts); });
}

// How many of a's items come first among the first k of the stable merge of a and b (a's before
// b's among equals): the point where a merge can be cut into parts done apart.
template <typename T, typename Less>
std::size_t takenFromFirst(std::size_t k, const T* a, std::size_t aSize, const T* b, std::size_t bSize,
                           const Less& less)
{
    std::size_t low = k > bSize ? k - bSize : 0;
    std::size_t high = std::min(k, aSize);
    while (low < high) {
        const std::size_t i = low + (high - low) / 2;
        // a[i] comes before b[k - i - 1]: more of a come first.
        if (!less(b[k - i - 1], a[i]))
            low = i + 1;
        else
            high = i;
    }
    return low;
}

// Merges the sorted runs [first, middle) and [middle, last) of items stably, cut into parts each
// merged by a thread of its own into a second buffer.
template <typename T, typename Less>
void mergeInParts(std::vector<T>& items, std::size_t first, std::size_t middle, std::size_t last, std::size_t parts,
                  const Less& less)
{
    const std::size_t count = last - first;
    std::vector<T> merged(count);
    const T* a = items.data() + first;
    const T* b = items.data() + middle;
    const std::size_t aSize = middle - first, bSize = last - middle;
    forEachPart(count, parts, [&](std::size_t begin, std::size_t end) {
        const std::size_t aBegin = takenFromFirst(begin, a, aSize, b, bSize, less);
        const std::size_t aEnd = takenFromFirst(end, a, aSize, b, bSize, less);
        std::merge(a + aBegin, a + aEnd, b + (begin - aBegin), b + (end - aEnd), merged.begin() + begin, less);
    });
    std::move(merged.begin(), merged.end(), items.begin() + static_cast<std::ptrdiff_t>(first));
}

// Sorts items by less: each part sorted by its own thread, then the sorted parts merged, each merge
// shared by the threads; stable, as one stable sort of the whole (ties keep their order).
template <typename T, typename Less> void sortInParts(std::vector<T>& items, const Less& less)
{
    const std::size_t count = items.size();
    const std::size_t parts = partsFor(count);
    std::vector<std::size_t> bounds;
    for (std::size_t p = 0; p <= parts; ++p)
        bounds.push_back(count * p / parts);
    forEachPart(count, parts, [&](std::size_t begin, std::size_t end) {
        std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(begin),
                         items.begin() + static_cast<std::ptrdiff_t>(end), less);
    });
    for (std::size_t width = 1; width < parts; width *= 2) {
        for (std::size_t p = 0; p + width < parts; p += 2 * width)
            mergeInParts(items, bounds[p], bounds[p + width], bounds[std::min(p + 2 * width, parts)], parts, less);
    }
}

// The positions 0..count-1 sorted by ordered, stable (sortInParts).
template <typename Ordered> std::vector<std::size_t> orderInParts(std::size_t count, const Ordered& ordered)
{
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t {0});
    sortInParts(order, ordered);
    return order;
}

// A name's position with its first 16 bytes (or those of its folded text), as two numbers that
// compare as the bytes do: most names differ within them, so that the sort seldom reads a name.
// Names hold no NUL byte, so the zeros after a shorter name put it first, as its end does.
struct PrefixKeyed {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::size_t index = 0;
};

PrefixKeyed prefixKeyed(std::string_view name, std::size_t index, bool folded)
{
    PrefixKeyed keyed;
    keyed.index = index;
    for (std::size_t i = 0; i < 16; ++i) {
        const char c = i < name.size() ? (folded ? asciiLower(name[i]) : name[i]) : '\0';
        std::uint64_t& half = i < 8 ? keyed.high : keyed.low;
        half = half << 8 | static_cast<unsigned char>(c);
    }
    return keyed;
}

// The positions of texts (names, or collation keys) sorted by their bytes, or by those of their
// ASCII-folded text, with the first 16 bytes compared as numbers so that the sort seldom reads a
// text; texts equal that way are ordered by tie(a, b).
template <typename Tie>
std::vector<std::size_t> prefixOrder(const std::vector<std::string_view>& texts, bool folded, bool descending,
                                     const Tie& tie)
{
    auto less = [&](std::size_t a, std::size_t b) {
        const std::string_view x = texts[a], y = texts[b];
        if (folded) {
            const std::size_t n = std::min(x.size(), y.size());
            for (std::size_t i = 0; i < n; ++i) {
                const char fx = asciiLower(x[i]), fy = asciiLower(y[i]);
                if (fx != fy)
                    return static_cast<unsigned char>(fx) < static_cast<unsigned char>(fy);
            }
            if (x.size() != y.size())
                return x.size() < y.size();
        } else if (x != y) {
            return x < y;
        }
        return tie(a, b);
    };
    std::vector<PrefixKeyed> keyed(texts.size());
    forEachPart(texts.size(), partsFor(texts.size()), [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            keyed[i] = prefixKeyed(texts[i], i, folded);
    });
    const auto keyedLess = [&](const PrefixKeyed& a, const PrefixKeyed& b) {
        if (a.high != b.high)
            return a.high < b.high;
        if (a.low != b.low)
            return a.low < b.low;
        return less(a.index, b.index);
    };
    sortInParts(keyed, [&](const PrefixKeyed& a, const PrefixKeyed& b) {
        return descending ? keyedLess(b, a) : keyedLess(a, b);
    });
    std::vector<std::size_t> order;
    order.reserve(keyed.size());
    for (const PrefixKeyed& k : keyed)
        order.push_back(k.index);
    return order;
}

// The C locale orders by the bytes of the (folded) text; for ASCII names those are the names' own
// bytes, so no collation key need be made: their first bytes are the keys. Names equal when folded
// are ordered by their bytes.
std::vector<std::size_t> asciiOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                    bool descending)
{
    return prefixOrder(names, sensitivity == Qt::CaseInsensitive, descending,
                       [&](std::size_t a, std::size_t b) { return names[a] < names[b]; });
}

bool allAscii(const std::vector<std::string_view>& names)
{
    for (const std::string_view name : names) {
        for (const char c : name) {
            if (static_cast<unsigned char>(c) >= 0x80)
                return false;
        }
    }
    return true;
}

}  // namespace

void CollationKeyMaker::CollatorCloser::operator()(UCollator* collator) const
{
    ucol_close(collator);
}

CollationKeyMaker::CollationKeyMaker(Qt::CaseSensitivity sensitivity, const QLocale& locale)
    : m_sensitivity(sensitivity), m_isC(locale.language() == QLocale::C)
{
    if (m_isC)
        return;
    // The collator QCollator opens for the locale, set up as it sets it up: the keys are the bytes
    // of QCollator's sort keys.
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    m_collator.reset(ucol_open(name.constData(), &status));
    if (U_FAILURE(status)) {
        m_collator.reset();
        return;
    }
    ucol_setAttribute(m_collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    const auto set = [&](UColAttribute attribute, UColAttributeValue value) {
        status = U_ZERO_ERROR;
        ucol_setAttribute(m_collator.get(), attribute, value, &status);
    };
    set(UCOL_STRENGTH, sensitivity == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY);
    set(UCOL_NUMERIC_COLLATION, UCOL_OFF);
    set(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE);
}

void CollationKeyMaker::appendKey(std::string_view name, std::string& keys) const
{
    // An ASCII name, as most are, reads the same as Latin-1, into the text's own room.
    const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    if (std::all_of(name.begin(), name.end(), ascii))
        m_text = QLatin1StringView(name.data(), static_cast<qsizetype>(name.size()));
    else
        m_text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    // Folded first, in every locale: the C locale's collation does not ignore case by itself.
    if (m_sensitivity == Qt::CaseInsensitive)
        m_text = m_text.toCaseFolded();
    if (!m_collator) {
        const QByteArray utf8 = m_isC ? m_text.toUtf8() : QByteArray();
        keys.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        return;
    }
    const auto* text = reinterpret_cast<const UChar*>(m_text.utf16());
    const auto length = static_cast<std::int32_t>(m_text.size());
    m_key.resize(std::max<std::size_t>(m_key.size(), 16 + 4 * m_text.size()));
    std::int32_t size =
        ucol_getSortKey(m_collator.get(), text, length, m_key.data(), static_cast<std::int32_t>(m_key.size()));
    if (size > static_cast<std::int32_t>(m_key.size())) {
        m_key.resize(static_cast<std::size_t>(size));
        size = ucol_getSortKey(m_collator.get(), text, length, m_key.data(), size);
    }
    keys.append(reinterpret_cast<const char*>(m_key.data()), static_cast<std::size_t>(std::max(size, 0)));
}

bool comparesCollationKeys(const QLocale& locale)
{
    return locale.language() != QLocale::C;
}

std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                        bool descending, const QLocale& locale)
{
    if (locale.language() == QLocale::C && allAscii(names))
        return asciiOrder(names, sensitivity, descending);
    // Each name's key once, made by a few threads (each with a collator of its own) into a block of
    // their part's, then compared as the keys' bytes.
    const std::size_t count = names.size();
    const std::size_t parts = partsFor(count);
    const auto bound = [&](std::size_t part) { return count * part / parts; };
    std::vector<std::string> blocks(parts);
    std::vector<std::size_t> ends(count);
    runInParts(parts, [&](std::size_t part) {
        const CollationKeyMaker maker(sensitivity, locale);
        for (std::size_t i = bound(part); i < bound(part + 1); ++i) {
            maker.appendKey(names[i], blocks[part]);
            ends[i] = blocks[part].size();
        }
    });
    std::vector<std::string_view> keys(count);
    for (std::size_t part = 0; part < parts; ++part) {
        std::size_t start = 0;
        for (std::size_t i = bound(part); i < bound(part + 1); ++i) {
            keys[i] = std::string_view(blocks[part]).substr(start, ends[i] - start);
            start = ends[i];
        }
    }
    return collationOrder(names, keys, descending);
}

std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names,
                                        const std::vector<std::string_view>& keys, bool descending)
{
    return prefixOrder(keys, false, descending, [&](std::size_t a, std::size_t b) { return names[a] < names[b]; });
}

}  // namespace moxtal
