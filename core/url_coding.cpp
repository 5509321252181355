#include "url_coding.h"

namespace moxtal {

namespace {

bool isUnreserved(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string URLEncode(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c)) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> tryURLDecode(std::string_view text, UrlDecodeFailure* failure)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
            ++i;
        } else if (c != '%') {
            out += c;
            ++i;
        } else {
            const std::string_view digits = text.substr(i + 1, 2);
            const int high = digits.size() > 0 ? hexValue(digits[0]) : -1;
            const int low = digits.size() > 1 ? hexValue(digits[1]) : -1;
            if (digits.size() == 1 && high >= 0) {
                out += static_cast<char>(high);  // a trailing "%4" is the byte 4
                break;
            }
            if (high < 0 || low < 0) {
                if (failure)
                    failure->convertedText = "$" + std::string(digits);
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 3;
        }
    }
    return out;
}

std::string URLDecode(std::string_view text)
{
    std::optional<std::string> decoded = tryURLDecode(text);
    return decoded ? std::move(*decoded) : std::string(text);
}

}  // namespace moxtal
