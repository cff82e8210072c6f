#include "platform/file_access.h"

#include <windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <random>
#include <string_view>

#include "platform/win32/wide.h"

namespace corvane {

namespace {

// Keeps "." + name + marker + "XXXXXX" within the usual 255-character limit for a file name.
constexpr std::size_t kMaxNameInTemporary = 200;
constexpr std::size_t kTemporarySuffixLength = 6;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(int fd) {
    return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The descriptor takes the handle over; closing it closes the handle.
int adopt(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0)
        CloseHandle(handle);
    return fd;
}

void closeFd(int& fd) {
    if (fd >= 0)
        _close(fd);
    fd = -1;
}

// A lock over the whole file, taken without waiting.
bool lockFile(HANDLE handle, bool exclusive) {
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    return LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &at) != 0;
}

std::wstring folderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return L".";
    return path.substr(0,
                       separator == 0 || path[separator - 1] == L':' ? separator + 1 : separator);
}

std::wstring nameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring joinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() &&
        (folder.back() == L'\\' || folder.back() == L'/' || folder.back() == L':'))
        return folder + name;
    return folder + L"\\" + name;
}

bool isTemporarySuffix(std::wstring_view suffix) {
    return suffix.size() == kTemporarySuffixLength &&
           std::all_of(suffix.begin(), suffix.end(), [](wchar_t c) {
               return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
                      (c >= L'0' && c <= L'9');
           });
}

// Removes the temporary files of earlier saves of this target that were killed before they
// could clean up. Called under the target's exclusive lock; a temporary file still open by a
// live writer cannot be opened without sharing and is left alone. Nothing here fails the save.
void removeStaleTemporaries(const std::wstring& folder, const std::wstring& prefix) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(joinPath(folder, prefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !name.starts_with(prefix) ||
            !isTemporarySuffix(std::wstring_view(name).substr(prefix.size())))
            continue;
        HANDLE stale =
            CreateFileW(joinPath(folder, name).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (stale != INVALID_HANDLE_VALUE)
            CloseHandle(stale);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// A security descriptor that gives the current user alone full access: a new database holds
// credentials. Null when it cannot be made; the file then gets the folder's inherited rights.
struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
std::unique_ptr<void, LocalFreer> ownerOnlyDescriptor() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    std::array<unsigned char, 256> buffer{};
    DWORD length = 0;
    const bool gotUser =
        GetTokenInformation(token, TokenUser, buffer.data(), buffer.size(), &length) != 0;
    CloseHandle(token);
    if (!gotUser)
        return nullptr;
    LPWSTR sidText = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText))
        return nullptr;
    const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sidText) + L")";
    LocalFree(sidText);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return nullptr;
    return std::unique_ptr<void, LocalFreer>(descriptor);
}

// Creates a new temporary file "prefix" + six letters in the folder, open for writing only by
// us. Empty when the folder takes no new file.
HANDLE createTemporary(const std::wstring& folder, const std::wstring& prefix, bool userOnly,
                       std::wstring& path) {
    static const wchar_t kLetters[] =
        L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<int> pick(0, 61);
    auto descriptor = userOnly ? ownerOnlyDescriptor() : nullptr;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::wstring candidate = joinPath(folder, prefix);
        for (std::size_t i = 0; i < kTemporarySuffixLength; ++i)
            candidate += kLetters[pick(random)];
        HANDLE handle = CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                    descriptor ? &attributes : nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            path = candidate;
            return handle;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

// The low-level write, with the test hook applied.
bool hookedWrite(HANDLE handle, const std::uint8_t* bytes, std::size_t n, std::size_t& written) {
    WriteFaultHook& hook = writeFaultHook();
    unsigned call = ++hook.writeCalls;
    written = 0;
    if (hook.beforeWrite)
        hook.beforeWrite(call);
    if (hook.failWriteCall != 0 && call == hook.failWriteCall)
        return false;
    if (hook.stopAfterBytes >= 0) {
        auto limit = static_cast<std::uint64_t>(hook.stopAfterBytes);
        if (hook.bytesWritten >= limit)
            return false;
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit - hook.bytesWritten));
    }
    DWORD done = 0;
    if (!WriteFile(handle, bytes, static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30)), &done,
                   nullptr))
        return false;
    written = done;
    hook.bytesWritten += done;
    return done > 0;
}

std::wstring fullPath(const std::wstring& path) {
    if (path.empty())
        return {};
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0)
            return {};
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);
    }
    return {};
}

std::wstring temporaryPrefix(const std::wstring& target) {
    return L"." + nameOf(target).substr(0, kMaxNameInTemporary) +
           platform::toWide(kTemporaryFileMarker);
}

} // namespace

StatusCode FileAccess::openForReading(const std::string& path, ReadLocking locking) {
    const std::wstring wide = platform::toWide(path);
    if (wide.empty())
        return StatusCode::Failure;
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    fd_ = adopt(handle);
    if (fd_ < 0)
        return StatusCode::Failure;
    mode_ = Mode::Reading;
    LARGE_INTEGER size{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size) ||
        size.QuadPart == 0 || (locking == ReadLocking::Shared && !lockFile(handle, false))) {
        close();
        return StatusCode::Failure;
    }
    return StatusCode::Success;
}

StatusCode FileAccess::openForWriting(const std::string& path) {
    // The full path: the temporary file goes beside the target, and ReplaceFileW is given
    // both names whole (Wine's fails on a relative one).
    const std::wstring target = fullPath(platform::toWide(path));
    if (target.empty() || nameOf(target).empty())
        return StatusCode::Failure;
    const std::wstring folder = folderOf(target);
    const std::wstring prefix = temporaryPrefix(target);

    // An existing file that we may not write is not ours to replace. Others may keep reading
    // through handles opened before ours, but the lock below fails while anyone holds one.
    HANDLE existing = CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND)
        return StatusCode::Failure;
    targetFd_ = adopt(existing);
    targetPath_ = platform::toUtf8(target);
    pending_.reserve(kWriteBufferSize);
    written_ = 0;
    std::wstring temporary;
    // Whether or not the target exists yet: a killed first save leaves a temporary file too. A
    // live writer keeps its temporary file open without sharing, so that one cannot be removed.
    removeStaleTemporaries(folder, prefix);
    if (targetFd_ < 0) {
        HANDLE created = createTemporary(folder, prefix, true, temporary);
        fd_ = adopt(created);
        if (fd_ < 0) {
            close();
            return StatusCode::Failure;
        }
        tempPath_ = platform::toUtf8(temporary);
        mode_ = Mode::Replacing;
        return StatusCode::Success;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(existing) != FILE_TYPE_DISK || !GetFileInformationByHandle(existing, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !lockFile(existing, true)) {
        close();
        return StatusCode::Failure;
    }
    // A replacement would split a hard link from its other names.
    if (info.nNumberOfLinks == 1) {
        HANDLE created = createTemporary(folder, prefix, false, temporary);
        fd_ = adopt(created);
        if (fd_ >= 0) {
            tempPath_ = platform::toUtf8(temporary);
            mode_ = Mode::Replacing;
            return StatusCode::Success;
        }
    }
    fd_ = targetFd_;
    targetFd_ = -1;
    mode_ = Mode::InPlace;
    return StatusCode::Success;
}

void FileAccess::abandonWrite() {
    if (!tempPath_.empty()) {
        closeFd(fd_);
        DeleteFileW(platform::toWide(tempPath_).c_str());
    }
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
    LARGE_INTEGER size{};
    if (fd_ < 0 || !GetFileSizeEx(handleOf(fd_), &size))
        return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

StatusCode FileAccess::seek(std::uint64_t offset) {
    if (mode_ != Mode::Reading || offset > static_cast<std::uint64_t>(INT64_MAX))
        return StatusCode::Failure;
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handleOf(fd_), to, nullptr, FILE_BEGIN) ? StatusCode::Success
                                                                    : StatusCode::Failure;
}

StatusCode FileAccess::readBlock(std::uint8_t* buffer, std::size_t n) {
    if (mode_ != Mode::Reading)
        return StatusCode::Failure;
    std::size_t done = 0;
    while (done < n) {
        DWORD got = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        if (!ReadFile(handleOf(fd_), buffer + done, chunk, &got, nullptr) || got == 0)
            return StatusCode::Failure;
        done += got;
    }
    return StatusCode::Success;
}

StatusCode FileAccess::reserve(std::uint64_t size) {
    if (mode_ != Mode::Replacing && mode_ != Mode::InPlace)
        return StatusCode::Failure;
    if (mode_ == Mode::Replacing || size == 0)
        return StatusCode::Success; // a failed replacement leaves the target as it was anyway
    // Written in place, a file that fails halfway is damaged: claim the room first. Only
    // growth is claimed, since a smaller allocation would cut the file now.
    if (size > static_cast<std::uint64_t>(INT64_MAX)) {
        failed_ = true;
        return StatusCode::Failure;
    }
    if (size > this->size()) {
        FILE_ALLOCATION_INFO allocation{};
        allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFileInformationByHandle(handleOf(fd_), FileAllocationInfo, &allocation,
                                        sizeof allocation) &&
            GetLastError() == ERROR_DISK_FULL) {
            failed_ = true;
            return StatusCode::Failure;
        }
    }
    return StatusCode::Success;
}

StatusCode FileAccess::writeAll(const std::uint8_t* bytes, std::size_t n) {
    while (n > 0) {
        std::size_t written = 0;
        if (!hookedWrite(handleOf(fd_), bytes, n, written)) {
            failed_ = true;
            return StatusCode::Failure;
        }
        bytes += written;
        n -= written;
        written_ += written;
    }
    return StatusCode::Success;
}

StatusCode FileAccess::commitReplacement() {
    if (failed_ || flushPending() != StatusCode::Success || !FlushFileBuffers(handleOf(fd_)))
        return StatusCode::Failure;
    if (writeFaultHook().beforeRename)
        writeFaultHook().beforeRename();
    const std::wstring temporary = platform::toWide(tempPath_);
    const std::wstring target = platform::toWide(targetPath_);
    // The replacement must be closed to take the target's place; the target's own handle and
    // lock stay until it has, so no other save slips in between.
    closeFd(fd_);
    BOOL replaced = FALSE;
    if (targetFd_ >= 0) {
        // Carries the target's ACL, attributes and creation time over to the new file.
        replaced = ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        if (!replaced && GetLastError() == ERROR_SHARING_VIOLATION) {
            closeFd(targetFd_);
            replaced = ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        }
    } else {
        replaced = MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    if (!replaced)
        return StatusCode::Failure; // close() removes the temporary file
    tempPath_.clear();
    return StatusCode::Success;
}

StatusCode FileAccess::commitInPlace() {
    if (failed_ || flushPending() != StatusCode::Success ||
        written_ > static_cast<std::uint64_t>(INT64_MAX))
        return StatusCode::Failure;
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(written_);
    const HANDLE handle = handleOf(fd_);
    if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle) ||
        !FlushFileBuffers(handle))
        return StatusCode::Failure;
    return StatusCode::Success;
}

} // namespace corvane
