#include "platform/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/posix/shared_folder.h"

namespace corvane::platform {

LogFile::~LogFile() {
    close();
}

void LogFile::close() {
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
}

LogOpenResult LogFile::open(const std::string& path, std::string& systemReason) {
    close();
    // Created as a text file the user's tools may read (the umask decides); a link is refused
    // by the open itself, and a FIFO without a reader does not hold it up.
    const int fd = ::open(
        path.c_str(),
        O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENXIO)
            return LogOpenResult::NotARegularFile;
        systemReason = std::strerror(errno);
        return LogOpenResult::Failed;
    }
    struct stat st {};
    LogOpenResult result = LogOpenResult::Opened;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = LogOpenResult::NotARegularFile;
    } else {
        const std::string folder = std::filesystem::path(path).parent_path().string();
        if (!mayUseInSharedFolder(folder.empty() ? "." : folder, st.st_uid))
            result = LogOpenResult::PlantedInSharedFolder;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (result == LogOpenResult::Opened &&
        (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) {
        systemReason = std::strerror(errno);
        result = LogOpenResult::Failed;
    }
    if (result != LogOpenResult::Opened)
        ::close(fd);
    else
        handle_ = fd;
    return result;
}

bool LogFile::append(std::string_view text) {
    // One write: with O_APPEND it lands whole at the end, whatever other runs append. Only a
    // full disk or a signal splits it.
    while (handle_ != -1 && !text.empty()) {
        const ssize_t n = ::write(static_cast<int>(handle_), text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return handle_ != -1;
}

} // namespace corvane::platform
