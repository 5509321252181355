#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QLocale>
#include <QString>

struct UCollator;  // ICU's collator

namespace moxtal {

// Positions of names in the order of the locale's collation (ignoring letter case when asked);
// names that collate equal are ordered by their bytes. Descending compares every pair the other
// way round. Each name's collation key is computed once.
std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names, Qt::CaseSensitivity sensitivity,
                                        bool descending = false, const QLocale& locale = QLocale::system());

// The collation key collationOrder makes of each name, one name at a time, on one thread: a maker of
// its own (a collator of its own) for each thread that makes keys, as a listing's threads do while
// the names come in. A key is a string of bytes, and two names collate as their keys compare byte by
// byte (as unsigned bytes, a shorter key first where one begins the other): QCollator's sort key,
// made by the same ICU collator as QCollator sets up, into the caller's block.
class CollationKeyMaker {
public:
    CollationKeyMaker(Qt::CaseSensitivity sensitivity, const QLocale& locale = QLocale::system());

    // Appends the key of name to keys.
    void appendKey(std::string_view name, std::string& keys) const;

private:
    struct CollatorCloser {
        void operator()(UCollator* collator) const;
    };
    // None in the C locale, where the key is the text's UTF-8, and none where ICU has no collator
    // for the locale, where every key is empty (as QCollator's then are).
    std::unique_ptr<UCollator, CollatorCloser> m_collator;
    Qt::CaseSensitivity m_sensitivity;
    bool m_isC;
    mutable QString m_text;  // each name's text in turn
    mutable std::vector<std::uint8_t> m_key;  // each key in turn
};

// Whether collationOrder compares the collation keys of any names in locale; in the C locale it
// compares keys only when a name is not ASCII, else the names' bytes.
bool comparesCollationKeys(const QLocale& locale = QLocale::system());

// collationOrder with each name's key made already, by CollationKeyMaker of the same locale and
// sensitivity: keys[i] is the key of names[i]. For a locale whose order compares keys.
std::vector<std::size_t> collationOrder(const std::vector<std::string_view>& names,
                                        const std::vector<std::string_view>& keys, bool descending = false);

// Reorders items so that position i holds the item that was at order[i].
template <typename T> void applyOrder(std::vector<T>& items, const std::vector<std::size_t>& order)
{
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const std::size_t i : order)
        sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

}  // namespace moxtal
