#pragma once

#include <functional>
#include <string>

namespace moxtal {

// The watcher's URL coder: set InputString, then read its encoded or decoded form. A decode that
// fails gives the input unchanged and tells OnError, when set.
class TUrlCoder {
public:
    using TOnErrorEvent =
        std::function<void(TUrlCoder* Sender, const std::string& Operation, const std::string& ErrMsg)>;

    std::string InputString;
    TOnErrorEvent OnError;

    std::string GetEncodeString();
    std::string GetDecodeString();
};

}  // namespace moxtal
