#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace corvane::platform {

// The longest value an environment variable can have, in characters.
constexpr std::size_t kMaxEnvironmentValue = 32767;

// A PATH list with the folder appended, unless an entry names it already (case ignored, with or
// without a trailing backslash). Every other byte of the list stays as it was.
std::wstring pathWithEntry(std::wstring_view list, std::wstring_view folder);
// A PATH list without the entries that name the folder; every other entry stays as it was,
// empty ones included.
std::wstring pathWithoutEntry(std::wstring_view list, std::wstring_view folder);

// Adds the folder to, or removes it from, the Path value of the environment key `key`: read
// whole, however long, written back with its type (REG_EXPAND_SZ when new); an emptied value is
// deleted. False when the key cannot be read or written, when the value is not a string or when
// the new list would be longer than an environment variable can be: nothing is changed then.
bool addToPathValue(HKEY key, std::wstring_view folder);
bool removeFromPathValue(HKEY key, std::wstring_view folder);

} // namespace corvane::platform
