#include "platform/files.h"

#include <sys/stat.h>

namespace corvane::platform {

const char* const kPathSeparators = "/";

FileKind fileKind(const std::string& path, std::uint64_t* size) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return FileKind::Missing;
    if (S_ISREG(info.st_mode)) {
        if (size)
            *size = static_cast<std::uint64_t>(info.st_size);
        return FileKind::Regular;
    }
    return S_ISDIR(info.st_mode) ? FileKind::Directory : FileKind::Other;
}

std::FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

} // namespace corvane::platform
