// Fuzzes the URL coder: decoding any text never fails badly, and decoding an encoding gives the
// text back.
#include <cstdint>
#include <string>

#include "core/url_coding.h"

using namespace moxtal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string encoded = URLEncode(text);
    if (URLDecode(encoded) != text)
        __builtin_trap();
    if (encoded.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+%") !=
        std::string::npos)
        __builtin_trap();
    UrlDecodeFailure failure;
    const std::optional<std::string> decoded = tryURLDecode(text, &failure);
    if (!decoded && (failure.convertedText.empty() || failure.convertedText[0] != '$'))
        __builtin_trap();
    if (!decoded && URLDecode(text) != text)
        __builtin_trap();
    return 0;
}
