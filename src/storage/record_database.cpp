#include "storage/record_database.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/file_access.h"
#include "storage/byte_order.h"

namespace corvane {

namespace {

// A ByteBuffer counts its bytes in 32 bits.
constexpr std::uint64_t kMaxBufferSize = std::numeric_limits<std::uint32_t>::max();

std::uint64_t entrySize(std::uint16_t attributes) {
    return (attributes & kResourceFormAttribute) ? 10 : 8;
}

} // namespace

void DatabaseHeader::copyHeader(const DatabaseHeader& source) {
    std::array<char, 32> copied{};
    auto end = std::find(source.name.begin(), source.name.end(), '\0');
    if (end != source.name.end())
        ++end;
    std::copy(source.name.begin(), end, copied.begin());
    name = copied;
    attributes = source.attributes;
    version = source.version;
    creationDate = source.creationDate;
    modificationDate = source.modificationDate;
    lastBackupDate = source.lastBackupDate;
    modificationNumber = source.modificationNumber;
    appInfoOffset = source.appInfoOffset;
    sortInfoOffset = source.sortInfoOffset;
    type = source.type;
    creator = source.creator;
    uniqueIdSeed = source.uniqueIdSeed;
    headerValid = false;
}

StatusCode RecordDatabase::readDatabaseFromMemory(const std::uint8_t* bytes, std::size_t size) {
    try {
        if (size < kHeaderSize || size > kMaxDatabaseSize)
            return StatusCode::Failure;
        std::memcpy(name.data(), bytes, name.size());
        attributes = getBe16(bytes + 32);
        version = getBe16(bytes + 34);
        creationDate = getBe32(bytes + 36);
        modificationDate = getBe32(bytes + 40);
        lastBackupDate = getBe32(bytes + 44);
        modificationNumber = getBe32(bytes + 48);
        appInfoOffset = getBe32(bytes + 52);
        sortInfoOffset = getBe32(bytes + 56);
        type = getBe32(bytes + 60);
        creator = getBe32(bytes + 64);
        uniqueIdSeed = getBe32(bytes + 68);
        const std::uint32_t count = getBe32(bytes + 74);

        // The whole list must lie in the file before a single entry is made for it.
        const bool resourceForm = attributes & kResourceFormAttribute;
        const std::uint64_t listEnd = kHeaderSize + std::uint64_t(count) * entrySize(attributes);
        if (count > kMaxRecordCount || listEnd > size)
            return StatusCode::Failure;

        const std::uint8_t* at = bytes + kHeaderSize;
        for (std::uint32_t i = 0; i < count; ++i) {
            auto entry = std::make_unique<RecordEntry>();
            if (resourceForm) {
                entry->resourceType = getBe32(at);
                entry->resourceId = getBe16(at + 4);
                entry->dataOffset = getBe32(at + 6);
                at += 10;
            } else {
                entry->dataOffset = getBe32(at);
                entry->attributes = at[4];
                std::copy(at + 5, at + 8, entry->uniqueId.begin());
                at += 8;
            }
            if (!appendRecord(entry))
                return StatusCode::Failure;
        }

        // A record runs to the next one's offset, the last to the end of the file; offsets out
        // of order or past the end make the database unreadable.
        for (std::uint32_t i = 0; i < count; ++i) {
            RecordEntry& entry = *recordAt(i);
            const std::uint64_t begin = entry.dataOffset;
            const std::uint64_t end = i + 1 < count ? recordAt(i + 1)->dataOffset : size;
            if (begin > end || end > size)
                return StatusCode::Failure;
            if (entry.data.assign(bytes + begin, static_cast<std::size_t>(end - begin)) != 0)
                return StatusCode::Failure;
        }
        headerValid = true;
        return StatusCode::Success;
    } catch (const std::bad_alloc&) {
        return StatusCode::Failure;
    }
}

StatusCode RecordDatabase::readDatabase(const std::string& path) {
    try {
        FileAccess file;
        if (file.open(path, true, false) != StatusCode::Success)
            return StatusCode::Failure;
        const std::uint64_t size = file.size();
        if (size > kMaxDatabaseSize)
            return StatusCode::Failure;
        // One read of the whole file; parsing then works on memory with every bound checked.
        auto content = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        if (file.readBlock(content.get(), size) != StatusCode::Success)
            return StatusCode::Failure;
        file.close();
        return readDatabaseFromMemory(content.get(), size);
    } catch (const std::bad_alloc&) {
        return StatusCode::Failure;
    }
}

bool RecordDatabase::assignDataOffsets() {
    std::uint64_t offset = kHeaderSize + std::uint64_t(recordCount()) * entrySize(attributes);
    for (const auto& entry : records) {
        if (offset > kMaxDatabaseSize)
            return false;
        entry->dataOffset = static_cast<std::uint32_t>(offset);
        offset += entry->length();
    }
    return offset <= kMaxDatabaseSize;
}

std::uint64_t RecordDatabase::fileSize() const {
    const std::uint64_t list = kHeaderSize + std::uint64_t(recordCount()) * entrySize(attributes);
    if (recordCount() == 0)
        return list + 2;
    const RecordEntry& last = *recordAt(recordCount() - 1);
    return std::uint64_t(last.dataOffset) + last.length();
}

StatusCode RecordDatabase::writeDatabase(const std::string& path) {
    try {
        if (!assignDataOffsets())
            return StatusCode::Failure;
        FileAccess file;
        if (file.open(path, false, true) != StatusCode::Success ||
            file.reserve(fileSize()) != StatusCode::Success)
            return StatusCode::Failure;

        bool ok = true;
        auto check = [&ok](StatusCode status) { ok = ok && status == StatusCode::Success; };
        check(file.writeBlock(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
        check(file.writeBe16(attributes));
        check(file.writeBe16(version));
        for (std::uint32_t value :
             {creationDate, modificationDate, lastBackupDate, modificationNumber, appInfoOffset,
              sortInfoOffset, type, creator, uniqueIdSeed})
            check(file.writeBe32(value));
        check(file.writeBe16(0));
        check(file.writeBe32(recordCount()));
        // An empty list still gets two bytes, so an empty database has a fixed size of 80.
        if (recordCount() == 0)
            check(file.writeBe16(0));

        const bool resourceForm = attributes & kResourceFormAttribute;
        for (const auto& entry : records) {
            if (resourceForm) {
                check(file.writeBe32(entry->resourceType));
                check(file.writeBe16(entry->resourceId));
                check(file.writeBe32(entry->dataOffset));
            } else {
                check(file.writeBe32(entry->dataOffset));
                check(file.writeByte(entry->attributes));
                check(file.writeBlock(entry->uniqueId.data(), entry->uniqueId.size()));
            }
        }
        for (const auto& entry : records)
            check(file.writeBlock(entry->data.data(), entry->length()));

        if (!ok)
            return StatusCode::Failure; // closing abandons the temporary file
        return file.commit();
    } catch (const std::bad_alloc&) {
        return StatusCode::Failure;
    }
}

StatusCode readTypeAndCreator(const std::string& path, std::uint32_t* type,
                              std::uint32_t* creator) {
    FileAccess file;
    if (file.open(path, true, false) != StatusCode::Success)
        return StatusCode::Failure;
    const std::uint64_t size = file.size();
    // A code that does not lie wholly in the file reads as zero and so matches nothing.
    auto readCode = [&](std::uint64_t offset, std::uint32_t* code) {
        if (!code)
            return;
        *code = 0;
        std::uint32_t value = 0;
        if (offset + 4 <= size && file.seek(offset) == StatusCode::Success &&
            file.readBe32(value) == StatusCode::Success)
            *code = value;
    };
    readCode(60, type);
    readCode(64, creator);
    return StatusCode::Success;
}

StatusCode readWholeFile(const std::string& path, ByteBuffer& buffer, std::uint64_t maxSize) {
    try {
        FileAccess file;
        if (file.open(path, true, false, ReadLocking::None) != StatusCode::Success)
            return StatusCode::Failure;
        const std::uint64_t size = file.size();
        if (size > maxSize)
            return StatusCode::Failure;
        if (size > kMaxBufferSize || buffer.resize(static_cast<std::size_t>(size)) != 0)
            return StatusCode::OutOfMemory;
        if (file.readBlock(buffer.data(), buffer.size()) != StatusCode::Success) {
            buffer.clear();
            return StatusCode::Failure;
        }
        return StatusCode::Success;
    } catch (const std::bad_alloc&) {
        buffer.clear();
        return StatusCode::OutOfMemory;
    }
}

} // namespace corvane
