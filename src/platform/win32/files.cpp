#include "platform/files.h"

#include <windows.h>

#include <cerrno>

#include "platform/win32/wide.h"

namespace corvane::platform {

const char* const kPathSeparators = "/\\";

FileKind fileKind(const std::string& path, std::uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring wide = toWide(path);
    if (wide.empty() || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return FileKind::Missing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileKind::Directory;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)
        return FileKind::Other;
    if (size)
        *size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return FileKind::Regular;
}

std::FILE* openFile(const std::string& path, const char* mode) {
    const std::wstring widePath = toWide(path);
    const std::wstring wideMode = toWide(mode);
    if (widePath.empty() || wideMode.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

} // namespace corvane::platform
