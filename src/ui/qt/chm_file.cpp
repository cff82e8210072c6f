#include "ui/qt/chm_file.h"

#include <mspack.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <vector>

#include "ui/chm_check.h"

namespace corvane {
namespace {

// Our own help file is a few hundred kilobytes; a damaged file must not make us allocate
// whatever length it claims.
constexpr std::uint64_t kMaxObjectSize = 64u * 1024 * 1024;
constexpr std::uint64_t kMaxFileSize = 64u * 1024 * 1024;
constexpr std::uint64_t kMaxContentSize = 64u * 1024 * 1024; // all objects together
constexpr std::size_t kMaxPathLength = 512;

// The file header holds two GUIDs, at 0x18 and 0x28, that differ in their first byte. chmcmd
// (fp-utils), which compiles our help, writes the first one twice, and libmspack refuses a file
// whose second one is not the expected one.
constexpr std::size_t kFirstGuid = 0x18;
constexpr std::size_t kSecondGuid = 0x28;
constexpr std::size_t kGuidLength = 16;
constexpr std::uint8_t kFirstGuidStart = 0x10;
constexpr std::uint8_t kSecondGuidStart = 0x11;

// The #SYSTEM object: a 32-bit version, then records of a 16-bit code, a 16-bit length and
// that many bytes, all little-endian. Code 2 holds the default topic, ended by a zero byte.
constexpr unsigned kDefaultTopicCode = 2;

unsigned le16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

std::string defaultTopicOf(const std::string& system) {
    std::size_t at = 4;
    while (at + 4 <= system.size()) {
        const unsigned code = le16(system, at);
        const std::size_t length = le16(system, at + 2);
        at += 4;
        if (length > system.size() - at)
            break;
        if (code == kDefaultTopicCode) {
            std::string topic = system.substr(at, length);
            topic = topic.substr(0, topic.find('\0'));
            if (topic.empty())
                return topic;
            return topic.front() == '/' ? topic : "/" + topic;
        }
        at += length;
    }
    return {};
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The whole file; nothing when it cannot be read or is larger than any help file of ours could
// be.
std::optional<std::vector<std::uint8_t>> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in.tellg();
    if (!in || size < 0 || static_cast<std::uint64_t>(size) > kMaxFileSize || !in.seekg(0))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
        return std::nullopt;
    return bytes;
}

// libmspack does all its input and output through a table of functions. Ours reads the help
// file from memory and writes each object into a string that may not grow beyond the object's
// stated length. The library hands the "file names" it was given back to open(), so a name is
// a pointer to one of these, and each open gets a copy of its own.
struct MemoryFile {
    const std::uint8_t* bytes = nullptr; // read from
    std::size_t size = 0;
    std::size_t position = 0;
    std::string* sink = nullptr; // written to
    std::size_t limit = 0;
};

MemoryFile* asMemory(mspack_file* file) {
    return reinterpret_cast<MemoryFile*>(file);
}

const char* asName(const MemoryFile& file) {
    return reinterpret_cast<const char*>(&file);
}

mspack_file* memoryOpen(mspack_system*, const char* name, int mode) {
    const auto* model = reinterpret_cast<const MemoryFile*>(name);
    const bool reading = mode == MSPACK_SYS_OPEN_READ && model->bytes;
    const bool writing = mode == MSPACK_SYS_OPEN_WRITE && model->sink;
    if (!reading && !writing)
        return nullptr;
    auto* file = new (std::nothrow) MemoryFile(*model);
    if (file && writing)
        file->sink->clear();
    return reinterpret_cast<mspack_file*>(file);
}

void memoryClose(mspack_file* file) {
    delete asMemory(file);
}

int memoryRead(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = asMemory(handle);
    if (!file->bytes || bytes < 0)
        return -1;
    const std::size_t count =
        std::min(static_cast<std::size_t>(bytes), file->size - file->position);
    std::memcpy(buffer, file->bytes + file->position, count);
    file->position += count;
    return static_cast<int>(count);
}

int memoryWrite(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = asMemory(handle);
    if (!file->sink || bytes < 0 ||
        static_cast<std::size_t>(bytes) > file->limit - file->sink->size())
        return -1;
    try {
        file->sink->append(static_cast<const char*>(buffer), static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return bytes;
}

int memorySeek(mspack_file* handle, off_t offset, int mode) {
    MemoryFile* file = asMemory(handle);
    const off_t size = static_cast<off_t>(file->size);
    const off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                       : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                       : mode == MSPACK_SYS_SEEK_END ? size
                                                     : -1;
    if (base < 0 || offset < -base || offset > size - base)
        return -1;
    file->position = static_cast<std::size_t>(base + offset);
    return 0;
}

off_t memoryTell(mspack_file* handle) {
    return static_cast<off_t>(asMemory(handle)->position);
}

// The library's warnings are for a developer with a damaged file; the file is refused anyway.
void memoryMessage(mspack_file*, const char*, ...) {}

void* memoryAlloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}

void memoryFree(void* block) {
    std::free(block);
}

void memoryCopy(void* from, void* to, size_t bytes) {
    std::memmove(to, from, bytes);
}

struct DecompressorDeleter {
    void operator()(mschm_decompressor* decompressor) const {
        mspack_destroy_chm_decompressor(decompressor);
    }
};
using Decompressor = std::unique_ptr<mschm_decompressor, DecompressorDeleter>;

struct HeaderCloser {
    mschm_decompressor* decompressor;
    void operator()(mschmd_header* header) const { decompressor->close(decompressor, header); }
};

} // namespace

std::unique_ptr<ChmFile> ChmFile::open(const std::string& path) {
    try {
        // The checks first: they bound every size and link the file states, before any of it
        // is decoded. The file is ours, beside the program, and read once.
        auto bytes = readWhole(path);
        if (!bytes || !helpFileFault(bytes->data(), bytes->size()).empty())
            return nullptr;
        const auto first = bytes->begin() + kFirstGuid;
        if ((*bytes)[kFirstGuid] == kFirstGuidStart &&
            std::equal(first, first + kGuidLength, bytes->begin() + kSecondGuid))
            (*bytes)[kSecondGuid] = kSecondGuidStart;
        int selfTest = MSPACK_ERR_OK;
        MSPACK_SYS_SELFTEST(selfTest);
        if (selfTest != MSPACK_ERR_OK)
            return nullptr;
        mspack_system system{memoryOpen, memoryClose, memoryRead,    memoryWrite,
                             memorySeek, memoryTell,  memoryMessage, memoryAlloc,
                             memoryFree, memoryCopy,  nullptr};
        const Decompressor decompressor(mspack_create_chm_decompressor(&system));
        if (!decompressor)
            return nullptr;
        const MemoryFile input{bytes->data(), bytes->size()};
        const std::unique_ptr<mschmd_header, HeaderCloser> header(
            decompressor->open(decompressor.get(), asName(input)),
            HeaderCloser{decompressor.get()});
        if (!header)
            return nullptr;

        // Every object is decoded now, in the order of the compressed stream, so that the
        // stream is read once from start to end and a file that cannot be decoded whole is
        // refused before the window shows anything of it.
        std::vector<mschmd_file*> files;
        for (mschmd_file* file = header->files; file; file = file->next)
            files.push_back(file);
        std::sort(files.begin(), files.end(), [](const mschmd_file* a, const mschmd_file* b) {
            return a->section->id != b->section->id ? a->section->id < b->section->id
                                                    : a->offset < b->offset;
        });
        std::unique_ptr<ChmFile> help(new ChmFile);
        std::uint64_t total = 0;
        off_t streamEnd = 0;
        for (mschmd_file* file : files) {
            const std::string name = file->filename ? file->filename : "";
            if (name.empty() || name.back() == '/' || name.size() > kMaxPathLength)
                continue;
            const auto length = static_cast<std::uint64_t>(file->length);
            if (file->length < 0 || length > kMaxObjectSize || length > kMaxContentSize - total)
                return nullptr;
            // Objects that overlap in the compressed stream would make the decoder go back and
            // decode the same part again for each of them.
            if (file->section->id == 1 && length > 0) {
                if (file->offset < streamEnd)
                    return nullptr;
                streamEnd = file->offset + file->length;
            }
            std::string content;
            content.reserve(static_cast<std::size_t>(length));
            const MemoryFile output{nullptr, 0, 0, &content, static_cast<std::size_t>(length)};
            if (decompressor->extract(decompressor.get(), file, asName(output)) != MSPACK_ERR_OK ||
                content.size() != length)
                return nullptr;
            total += length;
            help->objects_.emplace(lowerAscii(name), std::move(content));
        }
        if (auto system = help->read("/#SYSTEM"))
            help->defaultTopic_ = defaultTopicOf(*system);
        return help;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::optional<std::string> ChmFile::read(std::string_view pathInside) const {
    try {
        std::string path(pathInside);
        if (path.empty() || path.front() != '/')
            path.insert(path.begin(), '/');
        const auto found = objects_.find(lowerAscii(std::move(path)));
        if (found == objects_.end())
            return std::nullopt;
        return found->second;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace corvane
