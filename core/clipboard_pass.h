#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text_lines.h"

namespace moxtal {

// What the watcher does to each result line after the substitution.
enum class UrlStep { NotCare, Encode, Decode };

// One handling of a clipboard text, from the source lines to its outcome.
struct ClipboardPass {
    bool matched = false;
    bool changed = false;
    std::vector<std::string> resultLines;
};

// A line's URL form for the Encode or Decode step (the line itself when it cannot be decoded).
using UrlLineCoder = std::function<std::string(const std::string& line, UrlStep step)>;

// Runs the pattern (caselessly) and the replacement over the text of the source lines, then the URL
// step line by line; a line whose decoded bytes are not valid UTF-8 stays as it was. Throws AppError for a pattern that
// does not compile or a match the library cannot carry out, AppError for "sub pattern error".
ClipboardPass runClipboardPass(const std::vector<std::string>& sourceLines, const std::string& pattern,
                               const std::string& replacement, UrlStep step, const UrlLineCoder& coder);

}  // namespace moxtal
