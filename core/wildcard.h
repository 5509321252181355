#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace moxtal {

// Cuts a filter text at every ";" into masks, left to right; blanks are kept and empty masks
// stay in the list (they match nothing).
std::vector<std::string> splitFilterMasks(std::string_view filter);

// Matches a name against a wildcard mask: "*" any run, "?" one character, letters without
// regard to case; "*.*" matches every name, also one without a dot; an empty mask matches nothing.
bool wildcardMatch(std::string_view mask, std::string_view name);

}  // namespace moxtal
