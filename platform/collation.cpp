#include "collation.h"

#include "core/text_case.h"
#include "listing_threads.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

#include <QCollator>

namespace moxtal {

namespace {

// Below this many names one thread collates faster than several.
constexpr std::size_t kParallelFrom = 4096;

// How many threads share a collation: for a large one, as many as a listing uses.
std::size_t partsFor(std::size_t count)
{
    if (count < kParallelFrom)
        return 1;
    return static_cast<std::size_t>(std::max(1, listingThreads()));
}

// Runs work(begin, end) over parts equal slices of [0, count), each on its own thread (the first
// on the calling one).
template <typename Work> void forEachPart(std::size_t count, std::size_t parts, const Work& work)
{
    std::vector<std::thread> helpers;
    for (std::size_t p = 1; p < parts; ++p)
        helpers.emplace_back([&, p] { work(count * p / parts, count * (p + 1) / parts); });
    work(0, count / parts);
    for (std::thread& helper : helpers)
        helper.join();
}

// The positions 0..count-1 sorted by ordered: each part sorted by its own thread, then the sorted
// parts merged; stable, as one stable sort of the whole (ties keep their order).
template <typename Ordered> std::vector<std::size_t> orderInParts(std::size_t count, const Ordered& ordered)
{
    const std::size_t parts = partsFor(count);
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::vector<std::size_t> bounds;
    for (std::size_t p = 0; p <= parts; ++p)
        bounds.push_back(count * p / parts);
    forEachPart(count, parts, [&](std::size_t begin, std::size_t end) {
        std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(begin),
                         order.begin() + static_cast<std::ptrdiff_t>(end), ordered);
    });
    for (std::size_t width = 1; width < parts; width *= 2) {
        for (std::size_t p = 0; p + width < parts; p += 2 * width) {
            const auto first = order.begin() + static_cast<std::ptrdiff_t>(bounds[p]);
            const auto middle = order.begin() + static_cast<std::ptrdiff_t>(bounds[p + width]);
            const auto last = order.begin() + static_cast<std::ptrdiff_t>(bounds[std::min(p + 2 * width, parts)]);
            std::inplace_merge(first, middle, last, ordered);
        }
    }
    return order;
}

// The C locale orders by the bytes of the (folded) text; for ASCII names those are the names' own
// bytes, so no collation key need be made.
std::vector<std::size_t> asciiOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                    bool descending)
{
    auto less = [&](std::size_t a, std::size_t b) {
        const std::string_view x = names[a], y = names[b];
        if (sensitivity == Qt::CaseInsensitive) {
            const std::size_t n = std::min(x.size(), y.size());
            for (std::size_t i = 0; i < n; ++i) {
                const char fx = asciiLower(x[i]), fy = asciiLower(y[i]);
                if (fx != fy)
                    return static_cast<unsigned char>(fx) < static_cast<unsigned char>(fy);
            }
            if (x.size() != y.size())
                return x.size() < y.size();
        }
        return x < y;
    };
    return orderInParts(names.size(),
                        [&](std::size_t a, std::size_t b) { return descending ? less(b, a) : less(a, b); });
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

CollationKeyMaker::CollationKeyMaker(Qt::CaseSensitivity sensitivity, const QLocale& locale)
    : m_collator(locale), m_sensitivity(sensitivity)
{
    m_collator.setCaseSensitivity(sensitivity);
}

QCollatorSortKey CollationKeyMaker::keyOf(std::string_view name) const
{
    QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    // Folded first: the C locale's collation does not ignore case by itself.
    if (m_sensitivity == Qt::CaseInsensitive)
        text = text.toCaseFolded();
    return m_collator.sortKey(text);
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
    // Each name's key once, made by a few threads (each with a collator of its own), then compared
    // as the keys' bytes.
    std::vector<std::optional<QCollatorSortKey>> keys(names.size());
    const auto makeKeys = [&](std::size_t begin, std::size_t end) {
        const CollationKeyMaker maker(sensitivity, locale);
        for (std::size_t i = begin; i < end; ++i)
            keys[i].emplace(maker.keyOf(names[i]));
    };
    forEachPart(names.size(), partsFor(names.size()), makeKeys);
    std::vector<const QCollatorSortKey*> made;
    made.reserve(keys.size());
    for (const std::optional<QCollatorSortKey>& key : keys)
        made.push_back(&*key);
    return collationOrder(names, made, descending);
}

std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names,
                                        const std::vector<const QCollatorSortKey*>& keys, bool descending)
{
    auto less = [&](std::size_t a, std::size_t b) {
        const int c = keys[a]->compare(*keys[b]);
        return c != 0 ? c < 0 : names[a] < names[b];
    };
    return orderInParts(names.size(),
                        [&](std::size_t a, std::size_t b) { return descending ? less(b, a) : less(a, b); });
}

}  // namespace moxtal
