#include "platform/setup.h"

namespace corvane::platform {

// Packages install the program on this system; it has no installer commands.
std::optional<int> runSetupCommand(const std::string&) {
    return std::nullopt;
}

} // namespace corvane::platform
