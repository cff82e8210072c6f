#pragma once

#include <cstdint>

namespace corvane::platform {

// The user's interface language as a 16-bit language id (0x0409 when none is set).
std::uint16_t userLanguageId();

} // namespace corvane::platform
