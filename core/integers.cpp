#include "integers.h"

#include <charconv>

#include "app_error.h"

namespace moxtal {

std::string quotedInMessage(std::string_view value)
{
    constexpr std::size_t kMost = 100;
    if (value.size() <= kMost)
        return std::string(value);
    std::size_t cut = kMost;
    // Not inside a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(value.substr(0, cut)) + "...";
}

std::int32_t parseInteger(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    // Parse the magnitude with its sign so that -2147483648 is in range.
    std::string digits = negative ? "-" : "";
    digits.append(text, i, std::string::npos);
    std::int32_t value = 0;
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    const bool startsWithDigit = i < text.size() && text[i] >= '0' && text[i] <= '9';
    const auto [end, error] = std::from_chars(first, last, value);
    if (!startsWithDigit || error != std::errc() || end != last)
        throw AppError(messages::kNotAnInteger, {quotedInMessage(text)});
    return value;
}

}  // namespace moxtal
