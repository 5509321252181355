#pragma once

#include <functional>
#include <string>
#include <vector>

namespace moxtal {

// The ASCII letters' other case; every other byte (also of a multibyte character) stays.
constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}
constexpr char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

// Equality ignoring the case of ASCII letters.
bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b);

// A caseless equality of two history texts.
using TextEquals = std::function<bool(const std::string&, const std::string&)>;

// Moves text to the top of a history list: an item equal to it ignoring case is exchanged with
// the first item, otherwise text is inserted first. An empty text changes nothing.
void promoteHistory(std::vector<std::string>& items, const std::string& text,
                    const TextEquals& equals = equalsIgnoringAsciiCase);

}  // namespace moxtal
