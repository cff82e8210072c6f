#pragma once

#include <sys/stat.h>

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

// Marks the temporary files that a write leaves behind only if the process is killed. The full
// name is "." + the target's name + marker + six letters or digits.
inline constexpr const char* kTemporaryFileMarker = ".corvane-tmp-";

// Whether a read takes the file's shared lock. Databases are read under it, so that a writer
// (which takes the exclusive lock) cannot replace one mid-read; files that are only ever read,
// such as certificates, are read without it.
enum class ReadLocking { Shared, None };

// One open file, implemented once per system. Opening for reading takes a shared lock (unless told
// not to): readers never exclude one another, but a file held by a writer cannot be read. Opening
// for writing takes the target's exclusive lock, so it fails while anyone reads or writes the file.
//
// A write replaces the target atomically where that keeps the file's identity: the bytes go to
// a temporary file in the target's folder, given the target's owner, group and mode, which
// commit() syncs and renames over the target. Where a replacement would change the file (a
// second hard link, an owner that cannot be given back, a folder that takes no new file) the
// target is written in place instead, truncated to the new length and synced on commit. A
// symbolic link is followed to its target, which is created if it does not exist; in a sticky
// folder that anyone may write, only a link of the saving user or of the folder's owner is.
// Every status is 0 (success) or 1 (failure).
class FileAccess {
public:
    FileAccess() = default;
    ~FileAccess();
    FileAccess(const FileAccess&) = delete;
    FileAccess& operator=(const FileAccess&) = delete;

    // Opens for reading (an existing, non-empty regular file) or for writing (creating or
    // replacing the file on commit). Both flags at once are refused. `locking` applies to reads.
    StatusCode open(const std::string& path, bool read, bool write,
                    ReadLocking locking = ReadLocking::Shared);
    // Closes; an uncommitted replacement is abandoned and its temporary file removed.
    void close();
    bool isOpen() const { return fd_ >= 0; }

    std::uint64_t size() const;
    StatusCode seek(std::uint64_t offset);

    StatusCode readByte(std::uint8_t& value);
    StatusCode readBe16(std::uint16_t& value);
    StatusCode readBe32(std::uint32_t& value);
    StatusCode readBlock(std::uint8_t* buffer, std::size_t n);

    // Announces the size of the file about to be written. In place, the room for it is claimed
    // now, so that a full disk or a file-size limit fails the write before a byte has changed.
    StatusCode reserve(std::uint64_t size);

    StatusCode writeByte(std::uint8_t value);
    StatusCode writeBe16(std::uint16_t value);
    StatusCode writeBe32(std::uint32_t value);
    StatusCode writeBlock(const std::uint8_t* buffer, std::size_t n);

    // Makes the written bytes the target's content. A replacement is flushed, synced and renamed
    // over the target; after a failure there (or in an earlier write) the target is left as it
    // was. In place, the file is cut to the bytes written and synced.
    StatusCode commit();

private:
    enum class Mode { Closed, Reading, Replacing, InPlace };
    static constexpr std::size_t kWriteBufferSize = 64 * 1024;

    StatusCode openForReading(const std::string& path, ReadLocking locking);
    StatusCode openForWriting(const std::string& path);
    StatusCode lockExistingTarget(const std::string& target, bool& exists, struct stat& st);
    bool createReplacement(const std::string& folder, const std::string& prefix,
                           const struct stat* existing);
    StatusCode commitReplacement();
    StatusCode commitInPlace();
    StatusCode flushPending();
    StatusCode writeAll(const std::uint8_t* bytes, std::size_t n);
    void abandonWrite();

    // C runtime descriptors; on Windows each wraps the file's handle.
    int fd_ = -1;       // the file read, the temporary file, or the target written in place
    int targetFd_ = -1; // while replacing an existing target: that target, held locked
    Mode mode_ = Mode::Closed;
    bool failed_ = false;
    std::uint64_t written_ = 0;
    std::string targetPath_;
    std::string tempPath_;
    std::vector<std::uint8_t> pending_;
};

} // namespace corvane
