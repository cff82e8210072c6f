#pragma once

#include <string>
#include <string_view>

namespace corvane::platform {

// UTF-8 inside, UTF-16 at every Windows call. Bytes that are not UTF-8 are read in the ANSI code
// page (a script saved by a Windows editor names its files so); UTF-16 that cannot be converted
// gives an empty result, so that it names no file rather than a different one.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

} // namespace corvane::platform
