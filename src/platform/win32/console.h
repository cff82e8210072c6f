#pragma once

#include <windows.h>

#include <string_view>

namespace corvane::platform {

// writeConsole's work on one handle: characters to a console, else bytes in the console's output
// code page (the OEM code page when there is no console), with CR LF line ends.
bool writeConsoleHandle(HANDLE handle, std::string_view utf8Text);

} // namespace corvane::platform
