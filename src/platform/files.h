#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace corvane::platform {

// The characters that separate a path's folders: "/" on POSIX, where a backslash is part of a
// file name; "/" and "\\" on Windows.
extern const char* const kPathSeparators;

enum class FileKind { Missing, Regular, Directory, Other };

// What a path names, following links, and a regular file's size. Paths are UTF-8 everywhere.
FileKind fileKind(const std::string& path, std::uint64_t* size = nullptr);

// std::fopen by a UTF-8 path. Mode "a" is a text mode: CR LF line ends where the system uses
// them. Null on failure, with errno set.
std::FILE* openFile(const std::string& path, const char* mode);

// The name with every character that a file name cannot hold on either system (the separators,
// ":*?"<>|" and control characters) replaced by an underscore.
std::string safeFileName(std::string_view name);

} // namespace corvane::platform
