#include "platform/program_folder.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

namespace corvane::platform {

std::string programFolder() {
    // Long paths are allowed (the manifest says so), so the buffer grows until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return {};
    return toUtf8(std::wstring_view(path).substr(0, separator + 1));
}

} // namespace corvane::platform
