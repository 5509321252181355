#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/rename_job.h"

namespace moxtal {

// A name as one field of moxtal-cli's output: a backslash becomes "\\", TAB, CR and LF become
// "\t", "\r" and "\n", every other byte below 0x20 and 0x7F becomes "\xHH" (upper-case hex);
// every other byte stays. Any field reads back with unescapeField.
std::string escapeField(std::string_view text);
// The same, appended to out.
void appendEscapedField(std::string& out, std::string_view text);

// One line of moxtal-cli's output for a row: Old, TAB, New, TAB, Status (with withResult, TAB and
// the result word), LF; the names escaped as fields.
void appendRowLine(std::string& out, const ConfirmRow& row, bool withResult);

// The bytes of a field written by escapeField; nothing when field holds a backslash that starts
// none of its escapes.
std::optional<std::string> unescapeField(std::string_view field);

}  // namespace moxtal
