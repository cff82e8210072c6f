#include "platform/module.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace corvane::platform {

const char* const kModuleSuffix = ".dll";

namespace {

// A full path only, and no search of the current folder or PATH for what the module needs.
HMODULE openByPath(const std::string& fullPath, DWORD flags) {
    const std::wstring wide = toWide(fullPath);
    if (wide.size() < 3 || !(wide[1] == L':' || (wide[0] == L'\\' && wide[1] == L'\\')))
        return nullptr;
    return LoadLibraryExW(wide.c_str(), nullptr, flags);
}

} // namespace

void Module::Closer::operator()(void* handle) const {
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
}

Module::Module(const std::string& fullPath)
    : handle_(
          openByPath(fullPath, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

void* Module::symbol(const char* name) const {
    return handle_
               ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_.get()), name))
               : nullptr;
}

void ResourceModule::Closer::operator()(void* handle) const {
    if (handle)
        FreeLibrary(static_cast<HMODULE>(handle));
}

bool ResourceModule::load(const std::string& fullPath) {
    release();
    // As data: the module's code never runs and nothing it imports is loaded.
    handle_.reset(openByPath(fullPath, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!handle_)
        return false;
    // Not one of ours unless it carries a string table.
    bool hasStrings = false;
    EnumResourceNamesW(
        static_cast<HMODULE>(handle_.get()), RT_STRING,
        [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR found) -> BOOL {
            *reinterpret_cast<bool*>(found) = true;
            return FALSE;
        },
        reinterpret_cast<LONG_PTR>(&hasStrings));
    if (!hasStrings) {
        release();
        return false;
    }
    return true;
}

void ResourceModule::release() {
    lookup_ = nullptr;
    handle_.reset();
}

std::optional<std::string> ResourceModule::text(unsigned id) const {
    if (!handle_ || id > 0xFFFF)
        return std::nullopt;
    // With a zero length LoadStringW hands out a pointer into the module's own table.
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(static_cast<HMODULE>(handle_.get()), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || !text)
        return std::nullopt;
    return toUtf8(std::wstring_view(text, static_cast<std::size_t>(length)));
}

} // namespace corvane::platform
