#pragma once

#include <stdexcept>

namespace moxtal {

// The application's general error: its message is shown to the user by the error display.
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace moxtal
