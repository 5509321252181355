#include "collation.h"

#include "core/text_case.h"

#include <algorithm>
#include <numeric>

#include <QCollator>

namespace moxtal {

namespace {

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
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return descending ? less(b, a) : less(a, b); });
    return order;
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

std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                        bool descending, const QLocale& locale)
{
    if (locale.language() == QLocale::C && allAscii(names))
        return asciiOrder(names, sensitivity, descending);
    QCollator collator(locale);
    collator.setCaseSensitivity(sensitivity);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(names.size());
    for (const std::string_view name : names) {
        QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        // Folded first: the C locale's collation does not ignore case by itself.
        if (sensitivity == Qt::CaseInsensitive)
            text = text.toCaseFolded();
        keys.push_back(collator.sortKey(text));
    }
    auto less = [&](std::size_t a, std::size_t b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : names[a] < names[b];
    };
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t {0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return descending ? less(b, a) : less(a, b); });
    return order;
}

}  // namespace moxtal
