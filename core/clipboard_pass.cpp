#include "clipboard_pass.h"

#include "regular_expression.h"

namespace moxtal {

std::vector<std::string> linesOf(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::string textOfLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

ClipboardPass runClipboardPass(const std::vector<std::string>& sourceLines, const std::string& pattern,
                               const std::string& replacement, UrlStep step, const UrlLineCoder& coder)
{
    ClipboardPass pass;
    const std::string source = textOfLines(sourceLines);
    const int rc = RegexMatch(source, pattern);
    if (rc < 0 && rc != kNoMatch)
        throw AppError(pcre2ErrorMessage(rc));
    if (rc < 0) {
        pass.resultLines = sourceLines;
    } else {
        pass.matched = true;
        try {
            const std::string result = RegexReplace(source, pattern, replacement, kCaseless);
            pass.changed = result != source;
            pass.resultLines = linesOf(result);
        } catch (const MatchError& e) {
            throw AppError(e.what());
        }
    }
    if (step != UrlStep::NotCare) {
        for (std::string& line : pass.resultLines) {
            std::string coded = coder(line, step);
            if (coded != line) {
                line = std::move(coded);
                pass.changed = true;
            }
        }
    }
    return pass;
}

}  // namespace moxtal
