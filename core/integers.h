#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace moxtal {

// A value as a message quotes it: at most its first 100 bytes (cut before a UTF-8 character),
// "..." after a cut, so that a huge damaged line never fills a message box.
std::string quotedInMessage(std::string_view value);

// Reads a signed 32-bit decimal integer; throws AppError "'text' は整数ではありません" otherwise.
std::int32_t parseInteger(const std::string& text);

}  // namespace moxtal
