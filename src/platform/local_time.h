#pragma once

#include <cstdint>
#include <string>

namespace corvane::platform {

// The user's short date of a moment given in seconds since 1970 (UTC), in local time under the
// time-zone rules in force. Outside 1950-2049 the year is written whole, since a two-digit year
// reads as one of those. Empty when the moment cannot be converted.
std::string localShortDate(std::int64_t utcSeconds);

// The current local date and time in the user's short formats.
std::string currentLocalDate();
std::string currentLocalTime();

} // namespace corvane::platform
