#include "storage/file_access.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>

namespace corvane {

namespace {

constexpr std::size_t kWriteBufferSize = 64 * 1024;
// Keeps "." + name + marker + "XXXXXX" within the usual 255-byte limit for a file name.
constexpr std::size_t kMaxNameInTemporary = 200;

// A file-size limit must make write() fail with EFBIG rather than kill the process with SIGXFSZ
// before the failure can be reported. A handler someone else installed is left alone.
void ignoreFileSizeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            sigaction(SIGXFSZ, &ignore, nullptr);
        }
    });
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool lockExclusive(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// The low-level write, with the test hook applied.
ssize_t hookedWrite(int fd, const std::uint8_t* bytes, std::size_t n) {
    WriteFaultHook& hook = writeFaultHook();
    unsigned call = ++hook.writeCalls;
    if (hook.beforeWrite)
        hook.beforeWrite(call);
    if (hook.failWriteCall != 0 && call == hook.failWriteCall) {
        errno = EIO;
        return -1;
    }
    if (hook.stopAfterBytes >= 0) {
        auto limit = static_cast<std::uint64_t>(hook.stopAfterBytes);
        if (hook.bytesWritten >= limit) {
            errno = ENOSPC;
            return -1;
        }
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit - hook.bytesWritten));
    }
    ssize_t written = ::write(fd, bytes, n);
    if (written > 0)
        hook.bytesWritten += static_cast<std::uint64_t>(written);
    return written;
}

} // namespace

WriteFaultHook& writeFaultHook() {
    static WriteFaultHook hook;
    return hook;
}

FileAccess::~FileAccess() {
    close();
}

StatusCode FileAccess::open(const std::string& path, bool read, bool write) {
    close();
    if (read == write || path.empty())
        return StatusCode::Failure;
    try {
        return read ? openForReading(path) : openForWriting(path);
    } catch (const std::bad_alloc&) {
        close();
        return StatusCode::Failure;
    }
}

StatusCode FileAccess::openForReading(const std::string& path) {
    // Non-blocking so that a FIFO cannot hang the open; it is refused below anyway.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return StatusCode::Failure;
    struct stat st {};
    if (!lockExclusive(fd_) || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        close();
        return StatusCode::Failure;
    }
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return StatusCode::Success;
}

StatusCode FileAccess::openForWriting(const std::string& path) {
    ignoreFileSizeSignal();
    namespace fs = std::filesystem;
    mode_t mode = 0600; // a new file holds credentials
    fs::path target(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        // An existing file we may not write stays as it is, as an in-place write would fail.
        if (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0)
            return StatusCode::Failure;
        // Replace what a symbolic link points to, not the link itself.
        std::error_code ec;
        target = fs::canonical(target, ec);
        if (ec)
            return StatusCode::Failure;
        targetFd_ = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (targetFd_ < 0)
            targetFd_ = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (targetFd_ < 0 || !lockExclusive(targetFd_)) {
            close();
            return StatusCode::Failure;
        }
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return StatusCode::Failure;
    }

    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string name = target.filename().string();
    if (name.empty()) {
        close();
        return StatusCode::Failure;
    }
    name.resize(std::min(name.size(), kMaxNameInTemporary));
    std::string pattern = (folder / ("." + name + kTemporaryFileMarker + "XXXXXX")).string();
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        close();
        return StatusCode::Failure;
    }
    tempPath_ = pattern;
    targetPath_ = target.string();
    writing_ = true;
    // The lock travels with the new file through the rename, so nobody reads it before we close.
    if (::fchmod(fd_, mode) != 0 || !lockExclusive(fd_)) {
        close();
        return StatusCode::Failure;
    }
    pending_.reserve(kWriteBufferSize);
    return StatusCode::Success;
}

void FileAccess::abandonWrite() {
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

void FileAccess::close() {
    if (writing_)
        abandonWrite();
    closeFd(fd_);
    closeFd(targetFd_);
    writing_ = false;
    failed_ = false;
    targetPath_.clear();
    pending_.clear();
}

std::uint64_t FileAccess::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

StatusCode FileAccess::seek(std::uint64_t offset) {
    if (fd_ < 0 || writing_ || offset > static_cast<std::uint64_t>(INT64_MAX))
        return StatusCode::Failure;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? StatusCode::Failure
                                                                  : StatusCode::Success;
}

StatusCode FileAccess::readBlock(std::uint8_t* buffer, std::size_t n) {
    if (fd_ < 0 || writing_)
        return StatusCode::Failure;
    std::size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(fd_, buffer + done, n - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return StatusCode::Failure;
        done += static_cast<std::size_t>(got);
    }
    return StatusCode::Success;
}

StatusCode FileAccess::readByte(std::uint8_t& value) {
    return readBlock(&value, 1);
}

StatusCode FileAccess::readBe16(std::uint16_t& value) {
    std::array<std::uint8_t, 2> b{};
    if (readBlock(b.data(), b.size()) != StatusCode::Success)
        return StatusCode::Failure;
    value = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
    return StatusCode::Success;
}

StatusCode FileAccess::readBe32(std::uint32_t& value) {
    std::array<std::uint8_t, 4> b{};
    if (readBlock(b.data(), b.size()) != StatusCode::Success)
        return StatusCode::Failure;
    value = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) |
            std::uint32_t(b[3]);
    return StatusCode::Success;
}

StatusCode FileAccess::writeAll(const std::uint8_t* bytes, std::size_t n) {
    while (n > 0) {
        ssize_t written = hookedWrite(fd_, bytes, n);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failed_ = true;
            return StatusCode::Failure;
        }
        bytes += written;
        n -= static_cast<std::size_t>(written);
    }
    return StatusCode::Success;
}

StatusCode FileAccess::flushPending() {
    if (pending_.empty())
        return StatusCode::Success;
    StatusCode status = writeAll(pending_.data(), pending_.size());
    pending_.clear();
    return status;
}

StatusCode FileAccess::writeBlock(const std::uint8_t* buffer, std::size_t n) {
    if (fd_ < 0 || !writing_ || failed_)
        return StatusCode::Failure;
    if (n == 0)
        return StatusCode::Success;
    // Small writes gather in a buffer whose capacity was reserved at open, so nothing here
    // allocates; a block too large for it goes out directly.
    if (pending_.size() + n > kWriteBufferSize && flushPending() != StatusCode::Success)
        return StatusCode::Failure;
    if (n >= kWriteBufferSize)
        return writeAll(buffer, n);
    pending_.insert(pending_.end(), buffer, buffer + n);
    return StatusCode::Success;
}

StatusCode FileAccess::writeByte(std::uint8_t value) {
    return writeBlock(&value, 1);
}

StatusCode FileAccess::writeBe16(std::uint16_t value) {
    const std::array<std::uint8_t, 2> b{static_cast<std::uint8_t>(value >> 8),
                                        static_cast<std::uint8_t>(value)};
    return writeBlock(b.data(), b.size());
}

StatusCode FileAccess::writeBe32(std::uint32_t value) {
    const std::array<std::uint8_t, 4> b{
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return writeBlock(b.data(), b.size());
}

StatusCode FileAccess::commit() {
    if (fd_ < 0 || !writing_)
        return StatusCode::Failure;
    if (failed_ || flushPending() != StatusCode::Success || ::fsync(fd_) != 0) {
        close();
        return StatusCode::Failure;
    }
    if (writeFaultHook().beforeRename)
        writeFaultHook().beforeRename();
    if (::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
        close();
        return StatusCode::Failure;
    }
    tempPath_.clear();
    // The rename itself is durable only once the folder is synced.
    StatusCode status = StatusCode::Success;
    std::string folder = std::filesystem::path(targetPath_).parent_path().string();
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0 || (::fsync(dirFd) != 0 && errno != EINVAL))
        status = StatusCode::Failure;
    closeFd(dirFd);
    close();
    return status;
}

} // namespace corvane
