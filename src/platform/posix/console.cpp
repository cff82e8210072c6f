#include "platform/console.h"

#include <cstdio>

namespace corvane::platform {

bool writeConsole(ConsoleStream stream, std::string_view utf8Text) {
    std::FILE* file = stream == ConsoleStream::Output ? stdout : stderr;
    const bool whole = std::fwrite(utf8Text.data(), 1, utf8Text.size(), file) == utf8Text.size();
    return std::fflush(file) == 0 && whole;
}

} // namespace corvane::platform
