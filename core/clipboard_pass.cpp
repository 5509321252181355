#include "clipboard_pass.h"

#include "codepage.h"
#include "regular_expression.h"
#include "text_lines.h"

namespace moxtal {

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
            // A decode to bytes that are not UTF-8 would not survive the clipboard: the line stays.
            if (step == UrlStep::Decode && !isValidUtf8(coded))
                continue;
            if (coded != line) {
                line = std::move(coded);
                pass.changed = true;
            }
        }
    }
    return pass;
}

}  // namespace moxtal
