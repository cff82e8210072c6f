#pragma once

#include <string_view>

namespace corvane::platform {

enum class ConsoleStream { Output, Error };

// Writes UTF-8 text to standard output or standard error so that it reads right where it goes:
// on Windows as characters to a console, and in the console's code page to a file or pipe,
// which is what the system's text tools read; elsewhere the bytes as they are. False when it
// did not go out whole (nothing connected, a closed pipe).
bool writeConsole(ConsoleStream stream, std::string_view utf8Text);

} // namespace corvane::platform
