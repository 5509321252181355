#include "output.h"

namespace moxtal {

std::string escapeField(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    appendEscapedField(out, text);
    return out;
}

namespace {

bool needsEscape(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '\\';
}

}  // namespace

void appendEscapedField(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < text.size(); ++i) {
        // The bytes that stay as they are go in one piece.
        std::size_t plain = i;
        while (plain < text.size() && !needsEscape(text[plain]))
            ++plain;
        out.append(text.data() + i, plain - i);
        if (plain == text.size())
            break;
        i = plain;
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            // A control byte would reach the terminal as a command (ESC sequences).
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
}

void appendRowLine(std::string& out, const ConfirmRow& row, bool withResult)
{
    appendEscapedField(out, row.oldName);
    out += '\t';
    appendEscapedField(out, row.newName);
    out += '\t';
    out += row.status;
    if (withResult) {
        out += '\t';
        out += row.result;
    }
    out += '\n';
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> unescapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 'x': {
            const int high = i + 2 < field.size() ? hexValue(field[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(field[i + 2]) : -1;
            if (low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace moxtal
