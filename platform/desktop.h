#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace moxtal {

// Display text of a byte-string name: invalid UTF-8 shows replacement characters.
QString displayText(std::string_view bytes);

// Upper or lower case of a name with Qt's Unicode mapping; a name that is not valid UTF-8 gets
// only its ASCII letters changed, so no byte is lost.
std::string toUpperName(const std::string& name);
std::string toLowerName(const std::string& name);

// Equality ignoring letter case (Unicode for clean UTF-8, ASCII letters otherwise).
bool equalsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace moxtal
