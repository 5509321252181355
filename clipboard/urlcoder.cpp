#include "urlcoder.h"

#include <new>

#include "core/app_error.h"
#include "core/url_coding.h"

namespace moxtal {

std::string TUrlCoder::GetEncodeString()
{
    try {
        return URLEncode(InputString);
    } catch (const std::bad_alloc&) {
        if (OnError)
            OnError(this, "Error during encode", "Out of memory");
        return InputString;
    }
}

std::string TUrlCoder::GetDecodeString()
{
    UrlDecodeFailure failure;
    if (std::optional<std::string> decoded = tryURLDecode(InputString, &failure))
        return std::move(*decoded);
    if (OnError)
        OnError(this, "Error during decode", fillMessage(messages::kNotAnInteger, {failure.convertedText}));
    return InputString;
}

}  // namespace moxtal
