#include "codepage.h"

#include <algorithm>

namespace moxtal {

bool isLeadByte(CodePage cp, unsigned char c)
{
    if (cp == CodePage::Cp932)
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return false;
}

namespace {

// Calls visit(position) for every byte that begins a character, stopping when visit returns false.
template <typename Visit> void forEachCharStart(std::string_view text, CodePage cp, std::size_t from, Visit visit)
{
    std::size_t i = 0;
    while (i < text.size()) {
        if (i >= from && !visit(i))
            return;
        const bool lead = isLeadByte(cp, static_cast<unsigned char>(text[i]));
        i += (lead && i + 1 < text.size()) ? 2 : 1;
    }
}

}  // namespace

std::size_t findChar(std::string_view text, char ch, CodePage cp, std::size_t from)
{
    if (cp == CodePage::Utf8)
        return text.find(ch, from);
    std::size_t found = std::string_view::npos;
    forEachCharStart(text, cp, from, [&](std::size_t i) {
        if (text[i] != ch)
            return true;
        found = i;
        return false;
    });
    return found;
}

std::size_t findLastChar(std::string_view text, char ch, CodePage cp)
{
    if (cp == CodePage::Utf8)
        return text.rfind(ch);
    std::size_t found = std::string_view::npos;
    forEachCharStart(text, cp, 0, [&](std::size_t i) {
        if (text[i] == ch)
            found = i;
        return true;
    });
    return found;
}

std::size_t findAnyChar(std::string_view text, std::string_view set, CodePage cp)
{
    // In UTF-8 no ASCII byte is part of another character.
    const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    if (cp == CodePage::Utf8 && std::all_of(set.begin(), set.end(), ascii))
        return text.find_first_of(set);
    std::size_t found = std::string_view::npos;
    forEachCharStart(text, cp, 0, [&](std::size_t i) {
        if (set.find(text[i]) == std::string_view::npos)
            return true;
        found = i;
        return false;
    });
    return found;
}

}  // namespace moxtal

namespace moxtal {

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the first continuation byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<std::size_t>(more))
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF))
                return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

}  // namespace moxtal
