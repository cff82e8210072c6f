#include "platform/file_access.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>
#include <string_view>
#include <system_error>

#include "platform/posix/shared_folder.h"

namespace corvane {

namespace {

// Keeps "." + name + marker + "XXXXXX" within the usual 255-byte limit for a file name.
constexpr std::size_t kMaxNameInTemporary = 200;
constexpr std::size_t kTemporarySuffixLength = 6;
// As many links as the kernel itself follows in one path.
constexpr int kMaxLinkHops = 40;
// Each retry means another writer replaced the file just as we locked it.
constexpr int kLockAttempts = 8;

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

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the path still names the open file, and not a file put in its place.
bool namesFile(const std::string& path, int fd) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           sameFile(opened, named);
}

std::string folderOf(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

// Links followed by hand escape the rule the kernel applies to links in shared folders
// (fs.protected_symlinks), so it is applied here.
bool mayFollowLink(const std::string& folderPath, const struct stat& linkStat) {
    return platform::mayUseInSharedFolder(folderPath, linkStat.st_uid);
}

// Where a path leads, with every symbolic link on the way resolved by hand (those naming its
// folders too), so that each one is checked; the final file need not exist yet. A save writes
// there, so the links stay links and a dangling one gets its target.
bool followLinks(const std::string& path, std::string& resolved) {
    namespace fs = std::filesystem;
    std::vector<std::string> rest; // the components still to walk, the next one last
    auto walkNext = [&rest](const fs::path& p) {
        const std::size_t at = rest.size();
        for (const fs::path& part : p.relative_path())
            if (!part.empty() && part != ".")
                rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), part.string());
    };
    std::error_code ec;
    fs::path current = fs::path(path).is_absolute() ? fs::path("/") : fs::current_path(ec);
    if (ec)
        return false;
    walkNext(path);
    int hops = 0;
    while (!rest.empty()) {
        const std::string part = std::move(rest.back());
        rest.pop_back();
        if (part == "..") {
            current = current.parent_path();
            continue;
        }
        const fs::path next = current / part;
        struct stat st {};
        if (::lstat(next.c_str(), &st) != 0) {
            if (errno != ENOENT || !rest.empty())
                return false;
            current = next; // the file still to be made
            break;
        }
        if (!S_ISLNK(st.st_mode)) {
            current = next;
            continue;
        }
        if (++hops > kMaxLinkHops || !mayFollowLink(current.string(), st))
            return false;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1,
                         '\0');
        const ssize_t n = ::readlink(next.c_str(), link.data(), link.size());
        if (n < 0 || static_cast<std::size_t>(n) >= link.size())
            return false;
        link.resize(static_cast<std::size_t>(n));
        if (fs::path(link).is_absolute())
            current = "/";
        walkNext(link);
    }
    resolved = current.string();
    return true;
}

bool isTemporarySuffix(std::string_view suffix) {
    return suffix.size() == kTemporarySuffixLength &&
           std::all_of(suffix.begin(), suffix.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
           });
}

// Removes the temporary files of earlier saves of this target that were killed before they
// could clean up, whether or not the target exists yet. A live writer holds the lock of its
// temporary file, so a file whose lock can be taken is stale; a writer that loses its file in
// the moment before it locks it makes another (see createReplacement). Nothing here can fail
// the save: a folder that cannot be listed is simply skipped.
void removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(prefix) ||
            !isTemporarySuffix(std::string_view(name).substr(prefix.size())))
            continue;
        const std::string path = it->path().string();
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat opened {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && lockExclusive(fd) &&
            namesFile(path, fd))
            ::unlink(path.c_str());
        closeFd(fd);
    }
}

// The file-size limit of the process, or none.
std::uint64_t fileSizeLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(limit.rlim_cur);
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

StatusCode FileAccess::openForReading(const std::string& path, ReadLocking locking) {
    // Non-blocking so that a FIFO cannot hang the open; it is refused below anyway.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0)
        return StatusCode::Failure;
    mode_ = Mode::Reading;
    struct stat st {};
    if ((locking == ReadLocking::Shared && ::flock(fd_, LOCK_SH | LOCK_NB) != 0) ||
        ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        close();
        return StatusCode::Failure;
    }
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return StatusCode::Success;
}

// Opens and locks the existing file at `target` into targetFd_. When another writer replaced
// the file between our open and our lock, the new file is opened again, so the lock held is
// always that of the file the path names. `exists` is false when there is no file at all.
StatusCode FileAccess::lockExistingTarget(const std::string& target, bool& exists,
                                          struct stat& st) {
    exists = false;
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        // Opened for writing: an existing file that we may not write is not ours to replace.
        // The links were followed already; one that appeared since is not followed.
        targetFd_ =
            ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
        if (targetFd_ < 0)
            return errno == ENOENT ? StatusCode::Success : StatusCode::Failure;
        struct stat named {};
        // Someone else's file in a shared folder may have been planted to receive our save
        // (fs.protected_regular, which the kernel applies to creating opens only).
        if (::fstat(targetFd_, &st) != 0 || !S_ISREG(st.st_mode) ||
            !platform::mayUseInSharedFolder(folderOf(target), st.st_uid) ||
            !lockExclusive(targetFd_))
            return StatusCode::Failure;
        if (::stat(target.c_str(), &named) == 0 && sameFile(st, named)) {
            int flags = ::fcntl(targetFd_, F_GETFL);
            if (flags >= 0)
                ::fcntl(targetFd_, F_SETFL, flags & ~O_NONBLOCK);
            exists = true;
            return StatusCode::Success;
        }
        closeFd(targetFd_);
    }
    return StatusCode::Failure;
}

// Makes the temporary file that will replace the target, locked, with the target's owner, group
// and mode (or mode 0600 for a new file, which holds credentials). False when that cannot be
// done; nothing is left behind then.
bool FileAccess::createReplacement(const std::string& folder, const std::string& prefix,
                                   const struct stat* existing) {
    // The lock travels with the new file through the rename, so nobody reads it before we close.
    // Until it is taken, another save's clean-up may take the file for stale and remove it.
    bool ok = false;
    for (int attempt = 0; attempt < kLockAttempts && !ok; ++attempt) {
        std::string pattern = folder + "/" + prefix + "XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            return false;
        tempPath_ = pattern;
        ok = lockExclusive(fd_) && namesFile(tempPath_, fd_);
        if (!ok) {
            if (namesFile(tempPath_, fd_))
                abandonWrite();
            tempPath_.clear();
            closeFd(fd_);
        }
    }
    if (!ok)
        return false;
    if (existing) {
        struct stat own {};
        ok = ::fstat(fd_, &own) == 0;
        if (ok && (own.st_uid != existing->st_uid || own.st_gid != existing->st_gid))
            ok = ::fchown(fd_, existing->st_uid, existing->st_gid) == 0;
    }
    // After the change of owner, which clears the set-id bits.
    ok = ok && ::fchmod(fd_, existing ? existing->st_mode & 07777 : 0600) == 0;
    if (!ok) {
        abandonWrite();
        closeFd(fd_);
    }
    return ok;
}

StatusCode FileAccess::openForWriting(const std::string& path) {
    ignoreFileSizeSignal();
    std::string target;
    if (!followLinks(path, target))
        return StatusCode::Failure;
    const std::string name = std::filesystem::path(target).filename().string();
    if (name.empty())
        return StatusCode::Failure;
    const std::string folder = folderOf(target);
    const std::string prefix = "." + name.substr(0, kMaxNameInTemporary) + kTemporaryFileMarker;

    bool exists = false;
    struct stat st {};
    if (lockExistingTarget(target, exists, st) != StatusCode::Success) {
        close();
        return StatusCode::Failure;
    }
    targetPath_ = target;
    pending_.reserve(kWriteBufferSize);
    written_ = 0;
    removeStaleTemporaries(folder, prefix);
    if (!exists) {
        if (!createReplacement(folder, prefix, nullptr)) {
            close();
            return StatusCode::Failure;
        }
        mode_ = Mode::Replacing;
        return StatusCode::Success;
    }

    // A replacement would split a hard link from its other names.
    if (st.st_nlink == 1 && createReplacement(folder, prefix, &st)) {
        mode_ = Mode::Replacing;
        return StatusCode::Success;
    }
    fd_ = targetFd_;
    targetFd_ = -1;
    mode_ = Mode::InPlace;
    return StatusCode::Success;
}

void FileAccess::abandonWrite() {
    if (!tempPath_.empty())
        ::unlink(tempPath_.c_str());
    tempPath_.clear();
}

void FileAccess::close() {
    if (mode_ == Mode::Replacing)
        abandonWrite();
    closeFd(fd_);
    closeFd(targetFd_);
    mode_ = Mode::Closed;
    failed_ = false;
    written_ = 0;
    targetPath_.clear();
    tempPath_.clear();
    pending_.clear();
}

std::uint64_t FileAccess::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

StatusCode FileAccess::seek(std::uint64_t offset) {
    if (mode_ != Mode::Reading || offset > static_cast<std::uint64_t>(INT64_MAX))
        return StatusCode::Failure;
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? StatusCode::Failure
                                                                  : StatusCode::Success;
}

StatusCode FileAccess::readBlock(std::uint8_t* buffer, std::size_t n) {
    if (mode_ != Mode::Reading)
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

StatusCode FileAccess::reserve(std::uint64_t size) {
    if (mode_ != Mode::Replacing && mode_ != Mode::InPlace)
        return StatusCode::Failure;
    if (mode_ == Mode::Replacing || size == 0)
        return StatusCode::Success; // a failed replacement leaves the target as it was anyway
    // Written in place, a file that fails halfway is damaged: find out first. The limit is
    // checked by hand, since claiming room without growing the file does not check it. A file
    // system that cannot claim room is written all the same.
    if (size > fileSizeLimit() || size > static_cast<std::uint64_t>(INT64_MAX) ||
        (::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
         errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)) {
        failed_ = true;
        return StatusCode::Failure;
    }
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
        written_ += static_cast<std::uint64_t>(written);
    }
    return StatusCode::Success;
}

StatusCode FileAccess::commitReplacement() {
    if (failed_ || flushPending() != StatusCode::Success || ::fsync(fd_) != 0)
        return StatusCode::Failure;
    if (writeFaultHook().beforeRename)
        writeFaultHook().beforeRename();
    if (::rename(tempPath_.c_str(), targetPath_.c_str()) != 0)
        return StatusCode::Failure;
    tempPath_.clear();
    // Once renamed, the file is saved. Syncing the folder makes the rename durable where that
    // can be done; a folder we may enter but not read cannot be opened for it, and that is no
    // failure of the save.
    int dirFd = ::open(folderOf(targetPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
        ::fsync(dirFd);
    closeFd(dirFd);
    return StatusCode::Success;
}

StatusCode FileAccess::commitInPlace() {
    if (failed_ || flushPending() != StatusCode::Success ||
        written_ > static_cast<std::uint64_t>(INT64_MAX) ||
        ::ftruncate(fd_, static_cast<off_t>(written_)) != 0 || ::fsync(fd_) != 0)
        return StatusCode::Failure;
    return StatusCode::Success;
}

} // namespace corvane
