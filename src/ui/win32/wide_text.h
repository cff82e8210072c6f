#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Texts are UTF-8 inside the program; Windows takes and gives UTF-16 at its boundary.
std::wstring toWide(std::string_view text);
std::string fromWide(std::wstring_view text);

} // namespace corvane
