#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace moxtal {

// The text of a byte string, without loss: UTF-8 is decoded, and each byte that is not part of
// valid UTF-8 becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), which bytesOfText turns
// back into that byte. Every box, history, settings value and name goes through this one mapping,
// so editing part of a text that is not UTF-8 keeps the bytes the user did not touch.
QString displayText(std::string_view bytes);
// The bytes of a text made by displayText or typed by the user: UTF-8, with U+DC80..U+DCFF as the
// bytes they stand for (any other lone surrogate becomes U+FFFD).
std::string bytesOfText(const QString& text);

// Upper or lower case of a name with Qt's Unicode mapping; a name that is not valid UTF-8 gets
// only its ASCII letters changed, so no byte is lost.
std::string toUpperName(const std::string& name);
std::string toLowerName(const std::string& name);

// Equality ignoring letter case (Unicode for clean UTF-8, ASCII letters otherwise).
bool equalsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace moxtal
