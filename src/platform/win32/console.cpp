#include "platform/console.h"

#include "platform/win32/console.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <io.h>
#include <string>

#include "platform/win32/wide.h"

namespace corvane::platform {

bool writeConsoleHandle(HANDLE handle, std::string_view utf8Text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring wide = toWide(utf8Text);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        // The console shows characters: no code page can garble them.
        std::wstring_view rest = wide;
        while (!rest.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 8192));
            if (!WriteConsoleW(handle, rest.data(), chunk, &written, nullptr) || written == 0)
                return false;
            rest.remove_prefix(written);
        }
        return true;
    }
    // Redirected: the bytes that type, find and more read as the console shows them.
    std::wstring lines;
    lines.reserve(wide.size() + wide.size() / 16);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'\n' && (i == 0 || wide[i - 1] != L'\r'))
            lines += L'\r';
        lines += wide[i];
    }
    if (lines.size() > INT_MAX)
        return false;
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0)
        codePage = GetOEMCP();
    std::string bytes;
    if (!lines.empty()) {
        const int length = static_cast<int>(lines.size());
        const int needed =
            WideCharToMultiByte(codePage, 0, lines.data(), length, nullptr, 0, nullptr, nullptr);
        if (needed <= 0)
            return false;
        bytes.resize(static_cast<std::size_t>(needed));
        WideCharToMultiByte(codePage, 0, lines.data(), length, bytes.data(), needed, nullptr,
                            nullptr);
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20));
        if (!WriteFile(handle, rest.data(), chunk, &written, nullptr) || written == 0)
            return false;
        rest.remove_prefix(written);
    }
    return true;
}

bool writeConsole(ConsoleStream stream, std::string_view utf8Text) {
    std::FILE* file = stream == ConsoleStream::Output ? stdout : stderr;
    // Whatever the C library still holds goes out first, and to where its stream goes.
    std::fflush(file);
    const int descriptor = _fileno(file);
    // A program without a console or redirection has no handle there (-1, or -2 for none).
    const intptr_t handle = descriptor < 0 ? -1 : _get_osfhandle(descriptor);
    return handle >= 0 && writeConsoleHandle(reinterpret_cast<HANDLE>(handle), utf8Text);
}

} // namespace corvane::platform
