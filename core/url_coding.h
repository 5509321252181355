#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxtal {

// The query-string form of text: the 62 ASCII letters and digits stay, a space becomes "+", every
// other byte becomes "%" and two upper-case hexadecimal digits.
std::string URLEncode(std::string_view text);

// Why a decode failed: the text after "%" that is not a hexadecimal number, as the conversion
// error names it ("$" followed by the bytes taken after the percent sign).
struct UrlDecodeFailure {
    std::string convertedText;
};

// The bytes that text stands for: "+" is a space, "%" and two hexadecimal digits (either case)
// one byte, a trailing "%" and one hexadecimal digit the byte of that digit, every other byte
// itself. Nothing, and the failure when asked, for a "%" without hexadecimal digits.
std::optional<std::string> tryURLDecode(std::string_view text, UrlDecodeFailure* failure = nullptr);

// tryURLDecode, or text unchanged when it cannot be decoded.
std::string URLDecode(std::string_view text);

}  // namespace moxtal
