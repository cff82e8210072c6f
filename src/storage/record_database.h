#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "profile/status.h"
#include "storage/owned_types.h"

namespace corvane {

// Four-character code: the first character is the most significant byte.
constexpr std::uint32_t fourCharCode(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

constexpr std::uint16_t kResourceFormAttribute = 0x0001;
constexpr std::uint32_t kHeaderSize = 78;
// The largest database read or written. No real profile comes near it (a thousand CA
// certificates make about 2 MB); a larger file is refused before any of it is read.
constexpr std::uint64_t kMaxDatabaseSize = 64 * 1024 * 1024;
// The most records a database may have. Each record in memory costs far more than its eight
// bytes in the list, so the count bounds what a small file can make us allocate. It is also
// where the two readings of the count field (two or four bytes) begin to differ.
constexpr std::uint32_t kMaxRecordCount = 65535;
// No limit for readWholeFile beyond what a ByteBuffer can hold.
constexpr std::uint64_t kNoFileSizeLimit = UINT64_MAX;

// One record of a record database.
class RecordEntry : public ListItem {
public:
    std::uint32_t resourceType = 0;
    std::uint16_t resourceId = 0;
    std::uint32_t dataOffset = 0;
    ByteBuffer data; // its size is the record's length
    std::uint8_t attributes = 0;
    std::array<std::uint8_t, 3> uniqueId{};

    std::uint32_t length() const { return data.size(); }
};

// The header fields of a record database, without its records.
struct DatabaseHeader {
    std::array<char, 32> name{};
    std::uint16_t attributes = 0;
    std::uint16_t version = 0;
    std::uint32_t creationDate = 0;
    std::uint32_t modificationDate = 0;
    std::uint32_t lastBackupDate = 0;
    std::uint32_t modificationNumber = 0;
    std::uint32_t appInfoOffset = 0;
    std::uint32_t sortInfoOffset = 0;
    std::uint32_t type = 0;
    std::uint32_t creator = 0;
    std::uint32_t uniqueIdSeed = 0;
    bool headerValid = false;

    // Copies the source's header fields and clears headerValid. The name is copied up to and
    // including its NUL (at most 32 bytes); the rest of this name is NUL-filled.
    void copyHeader(const DatabaseHeader& source);
};

// An in-memory record database: a header and its records, in order.
class RecordDatabase : public DatabaseHeader {
public:
    ObjectList<RecordEntry> records;

    bool appendRecord(std::unique_ptr<RecordEntry>& entry) { return records.append(entry); }
    RecordEntry* recordAt(std::size_t index) const { return records.itemAt(index); }
    std::uint32_t recordCount() const { return records.count(); }

    // Fills an empty database from a file, under the file's shared lock: 0, or 1 for anything
    // unreadable, malformed or larger than kMaxDatabaseSize. On failure the entries read so far
    // remain; the caller discards the database.
    StatusCode readDatabase(const std::string& path);
    // The same from bytes already in memory; never reads outside them.
    StatusCode readDatabaseFromMemory(const std::uint8_t* bytes, std::size_t size);
    // Writes the database under the file's exclusive lock (see FileAccess); recomputes every
    // data offset. 1 when the file cannot be written or would be larger than kMaxDatabaseSize.
    StatusCode writeDatabase(const std::string& path);

    // Gives each entry its data offset, in list order after the header and record list. False
    // when the file would be larger than kMaxDatabaseSize.
    bool assignDataOffsets();
    // The size of the file that writeDatabase makes, once the offsets are assigned.
    std::uint64_t fileSize() const;
};

// Seconds since 1970 to the device's unit (seconds since 1904), low 32 bits.
constexpr std::uint32_t toDeviceTime(std::int64_t unixSeconds) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(unixSeconds) + 2082844800u);
}

// Reads the type and creator codes at offsets 60 and 64. A code beyond the end reads as 0.
StatusCode readTypeAndCreator(const std::string& path, std::uint32_t* type, std::uint32_t* creator);

// Reads a whole, non-empty file without taking its lock, for files that are only ever read
// (certificates and keys), so that any number of readers never fail one another: 0, 1 (cannot
// open, empty, larger than maxSize, or short read) or 2 (no memory). A file larger than maxSize
// is refused from its size alone, before any of it is read.
StatusCode readWholeFile(const std::string& path, ByteBuffer& buffer,
                         std::uint64_t maxSize = kNoFileSizeLimit);

} // namespace corvane
