#include "platform/setup.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <type_traits>

#include "platform/win32/path_list.h"
#include "platform/win32/wide.h"

namespace corvane::platform {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// The next word of the command line, and the rest after the blanks that follow it.
std::string_view nextWord(std::string_view& rest) {
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    return word;
}

} // namespace

std::optional<int> runSetupCommand(const std::string& commandLine) {
    std::string_view rest = commandLine;
    const std::string_view command = nextWord(rest);
    const bool add = command == "--add-to-path";
    if (!add && command != "--remove-from-path")
        return std::nullopt;
    const std::string_view mode = nextWord(rest);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
        rest.remove_suffix(1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    const std::wstring folder = toWide(rest);
    // An entry with a separator or a quote in it would be more than one entry, or a broken one.
    if (folder.empty() || folder.find_first_of(L";\"") != std::wstring::npos)
        return 1;
    HKEY root = nullptr;
    const wchar_t* subkey = nullptr;
    if (mode == "AllUsers") {
        root = HKEY_LOCAL_MACHINE;
        subkey = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    } else if (mode == "CurrentUser") {
        root = HKEY_CURRENT_USER;
        subkey = L"Environment";
    } else {
        return 1;
    }
    HKEY opened = nullptr;
    if (RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &opened, nullptr) != ERROR_SUCCESS)
        return 1;
    const Key key(opened);
    if (!(add ? addToPathValue(key.get(), folder) : removeFromPathValue(key.get(), folder)))
        return 1;
    // Programs started from now on by Explorer see the new PATH.
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, LPARAM(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return 0;
}

} // namespace corvane::platform
