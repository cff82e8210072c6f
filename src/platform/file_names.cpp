#include "platform/files.h"

namespace corvane::platform {

std::string safeFileName(std::string_view name) {
    std::string safe(name);
    for (char& c : safe)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
            std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return safe;
}

} // namespace corvane::platform
