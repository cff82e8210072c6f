#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "profile/status.h"

namespace corvane {

// Fault injection for the write path, process-wide. Only tests set it; a default-constructed
// hook injects nothing. The counters cover every low-level write since the hook was reset.
struct WriteFaultHook {
    // 1-based number of the write call that fails with EIO; 0 for none.
    unsigned failWriteCall = 0;
    // Once this many bytes have gone out, writes come short and then fail with ENOSPC, like a
    // full disk; negative for no limit.
    std::int64_t stopAfterBytes = -1;
    // Called before each write call with its 1-based number (a test may end the process here).
    std::function<void(unsigned)> beforeWrite;
    // Called after the temporary file is synced, just before it replaces the target.
    std::function<void()> beforeRename;

    unsigned writeCalls = 0;
    std::uint64_t bytesWritten = 0;
};
WriteFaultHook& writeFaultHook();

// Marks the temporary files that a write leaves behind only if the process is killed.
inline constexpr const char* kTemporaryFileMarker = ".corvane-tmp-";

// One open file. Reading works on the file itself. Writing never touches the target until
// commit(): the bytes go to a temporary file in the target's folder, which commit() syncs and
// renames over the target. Either way the file is held under an exclusive advisory lock, so a
// second opener (in this process or another) fails instead of seeing a half-written file.
// Every status is 0 (success) or 1 (failure).
class FileAccess {
public:
    FileAccess() = default;
    ~FileAccess();
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;

    // Opens for reading (an existing, non-empty regular file) or for writing (creating or
    // replacing the file on commit). Both flags at once are refused: there is no in-place update.
    StatusCode open(const std::string& path, bool read, bool write);
    // Closes; an uncommitted write is abandoned and its temporary file removed.
    void close();
    bool isOpen() const { return fd_ >= 0; }

    std::uint64_t size() const;
    StatusCode seek(std::uint64_t offset);

    StatusCode readByte(std::uint8_t& value);
    StatusCode readBe16(std::uint16_t& value);
    StatusCode readBe32(std::uint32_t& value);
    StatusCode readBlock(std::uint8_t* buffer, std::size_t n);

    StatusCode writeByte(std::uint8_t value);
    StatusCode writeBe16(std::uint16_t value);
    StatusCode writeBe32(std::uint32_t value);
    StatusCode writeBlock(const std::uint8_t* buffer, std::size_t n);

    // Makes the written bytes the target's content: flush, fsync, rename, fsync of the folder.
    // After any failure (here or in an earlier write) the target is left as it was.
    StatusCode commit();

private:
    StatusCode openForReading(const std::string& path);
    StatusCode openForWriting(const std::string& path);
    StatusCode flushPending();
    StatusCode writeAll(const std::uint8_t* bytes, std::size_t n);
    void abandonWrite();

    int fd_ = -1;       // the file read, or the temporary file being written
    int targetFd_ = -1; // while writing: the existing target, held locked
    bool writing_ = false;
    bool failed_ = false;
    std::string targetPath_;
    std::string tempPath_;
    std::vector<std::uint8_t> pending_;
};

} // namespace corvane
