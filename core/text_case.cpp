#include "text_case.h"

namespace moxtal {

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

void promoteHistory(std::vector<std::string>& items, const std::string& text, const TextEquals& equals)
{
    if (text.empty())
        return;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (equals(items[i], text)) {
            std::swap(items[0], items[i]);
            return;
        }
    }
    items.insert(items.begin(), text);
}

}  // namespace moxtal
