#include "platform/win32/path_list.h"

#include <vector>

namespace corvane::platform {
namespace {

constexpr const wchar_t* kPathValue = L"Path";

// Entries may carry quotes and a trailing backslash; Windows compares folder names without case.
bool namesFolder(std::wstring_view entry, std::wstring_view folder) {
    auto bare = [](std::wstring_view text) {
        if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
            text = text.substr(1, text.size() - 2);
        while (!text.empty() && (text.back() == L'\\' || text.back() == L'/'))
            text.remove_suffix(1);
        return text;
    };
    entry = bare(entry);
    folder = bare(folder);
    return !entry.empty() && CompareStringOrdinal(entry.data(), int(entry.size()), folder.data(),
                                                  int(folder.size()), TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring_view> entriesOf(std::wstring_view list) {
    std::vector<std::wstring_view> entries;
    for (std::size_t start = 0;;) {
        const std::size_t end = list.find(L';', start);
        entries.push_back(list.substr(start, end == std::wstring_view::npos ? end : end - start));
        if (end == std::wstring_view::npos)
            return entries;
        start = end + 1;
    }
}

struct PathValue {
    bool exists = false;
    DWORD type = REG_EXPAND_SZ;
    std::wstring text;
};

// The whole value, however long: asked for its size first, then again while it grows.
bool readPathValue(HKEY key, PathValue& value) {
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS status = RegQueryValueExW(key, kPathValue, nullptr, &type, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    std::vector<wchar_t> buffer;
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = DWORD(buffer.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, kPathValue, nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_SUCCESS) {
            if (type != REG_SZ && type != REG_EXPAND_SZ)
                return false;
            value.exists = true;
            value.type = type;
            value.text.assign(buffer.data(), size / sizeof(wchar_t));
            while (!value.text.empty() && value.text.back() == L'\0')
                value.text.pop_back();
            return true;
        }
        bytes = size;
    }
    return false;
}

bool writePathValue(HKEY key, const PathValue& before, const std::wstring& text) {
    if (text == before.text)
        return true;
    if (text.size() >= kMaxEnvironmentValue)
        return false;
    if (text.empty())
        return RegDeleteValueW(key, kPathValue) == ERROR_SUCCESS;
    return RegSetValueExW(key, kPathValue, 0, before.type,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

} // namespace

std::wstring pathWithEntry(std::wstring_view list, std::wstring_view folder) {
    for (std::wstring_view entry : entriesOf(list)) {
        if (namesFolder(entry, folder))
            return std::wstring(list);
    }
    std::wstring result(list);
    if (!result.empty() && result.back() != L';')
        result += L';';
    return result.append(folder);
}

std::wstring pathWithoutEntry(std::wstring_view list, std::wstring_view folder) {
    std::wstring result;
    bool first = true;
    for (std::wstring_view entry : entriesOf(list)) {
        if (namesFolder(entry, folder))
            continue;
        if (!first)
            result += L';';
        result.append(entry);
        first = false;
    }
    return result;
}

bool addToPathValue(HKEY key, std::wstring_view folder) {
    PathValue value;
    return readPathValue(key, value) &&
           writePathValue(key, value, pathWithEntry(value.text, folder));
}

bool removeFromPathValue(HKEY key, std::wstring_view folder) {
    PathValue value;
    return readPathValue(key, value) &&
           writePathValue(key, value, pathWithoutEntry(value.text, folder));
}

} // namespace corvane::platform
