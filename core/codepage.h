#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moxtal {

// The multibyte code page that the double-byte-aware scans interpret names in. The program passes
// UTF-8 only (the system code page on Linux); Shift-JIS stays so that the scans keep their designed
// behaviour on Japanese names from the original platform, which the tests and fuzz targets hold.
enum class CodePage {
    Utf8,  // the system code page on Linux: no ASCII byte is ever part of a multibyte character
    Cp932,  // Shift-JIS: a lead byte 0x81-0x9F or 0xE0-0xFC is followed by a trail byte that may be ASCII
};

// True when byte c starts a double-byte character in the code page.
bool isLeadByte(CodePage cp, unsigned char c);

// Position of the first byte equal to ch at or after from that is not the trail byte of a
// double-byte character, or npos.
std::size_t findChar(std::string_view text, char ch, CodePage cp, std::size_t from = 0);

// Position of the last such byte, or npos.
std::size_t findLastChar(std::string_view text, char ch, CodePage cp);

// Position of the first character of text that is one of the bytes of set, or npos.
std::size_t findAnyChar(std::string_view text, std::string_view set, CodePage cp);

}  // namespace moxtal

namespace moxtal {

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool isValidUtf8(std::string_view text);

}  // namespace moxtal
