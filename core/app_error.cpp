#include "app_error.h"

namespace moxtal {

std::string fillMessage(const char* source, const std::vector<std::string>& values)
{
    std::string out;
    for (const char* c = source; *c; ++c) {
        const std::size_t value = c[0] == '%' && c[1] >= '1' && c[1] <= '9' ? static_cast<std::size_t>(c[1] - '1') : 0;
        if (c[0] == '%' && c[1] >= '1' && c[1] <= '9' && value < values.size()) {
            out += values[value];
            ++c;
        } else {
            out += *c;
        }
    }
    return out;
}

}  // namespace moxtal
