#include "wildcard.h"

#include "text_case.h"

namespace moxtal {

std::vector<std::string> splitFilterMasks(std::string_view filter)
{
    std::vector<std::string> masks;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = filter.find(';', begin);
        masks.emplace_back(filter.substr(begin, end == std::string_view::npos ? end : end - begin));
        if (end == std::string_view::npos)
            break;
        begin = end + 1;
    }
    return masks;
}

namespace {

unsigned char foldCase(unsigned char c)
{
    return static_cast<unsigned char>(asciiLower(static_cast<char>(c)));
}

// Length of the character at the start of text: a whole UTF-8 sequence when it is a valid one,
// so that "?" stands for one letter of a name, otherwise one byte.
std::size_t characterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    if (length > text.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

}  // namespace

bool wildcardMatch(std::string_view mask, std::string_view name)
{
    if (mask.empty())
        return false;
    if (mask == "*.*" || mask == "*")
        return true;
    // Greedy matching that backtracks only to the last "*": linear in practice, never exponential.
    std::size_t m = 0, n = 0;
    std::size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += characterLength(name.substr(n));
        } else if (m < mask.size() &&
                   foldCase(static_cast<unsigned char>(mask[m])) == foldCase(static_cast<unsigned char>(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    // A trailing ".*" also matches a name without a dot, as "*.*" does.
    if (m + 2 == mask.size() && mask[m] == '.' && mask[m + 1] == '*')
        return true;
    return m == mask.size();
}

}  // namespace moxtal
