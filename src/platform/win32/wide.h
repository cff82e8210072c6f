#pragma once

#include <string>
#include <string_view>

namespace corvane::platform {

// UTF-8 inside, UTF-16 at every Windows call. Invalid input gives an empty result, so a path
// that cannot be converted names no file rather than a different one.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

} // namespace corvane::platform
