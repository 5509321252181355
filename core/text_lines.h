#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace moxtal {

// The lines of a text: cut at every CR LF, CR and LF; a break at the very end starts no line; an
// empty text has none; a zero byte ends the text.
std::vector<std::string> linesOf(std::string_view text);

// Every line followed by CR LF.
std::string textOfLines(const std::vector<std::string>& lines);

// A value that must stay one line: every line break (CR LF, CR, LF) and zero byte becomes a blank.
std::string asOneLine(std::string_view value);

}  // namespace moxtal
