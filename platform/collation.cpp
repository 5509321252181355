#include "collation.h"

#include <algorithm>
#include <numeric>

#include <QCollator>


namespace moxtal {

std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                        bool descending, const QLocale& locale)
{
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
