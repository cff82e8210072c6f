#include "ui/qt/chm_file.h"

#include <chm_lib.h>

#include <cstdint>
#include <fstream>
#include <new>

namespace corvane {
namespace {

// Our own help file is a few hundred kilobytes; a damaged file must not make us allocate
// whatever length it claims.
constexpr std::uint64_t kMaxObjectSize = 64u * 1024 * 1024;

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

std::uint64_t le64(const char* bytes) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

// chmlib reads past the end of a file cut short as if it held zeros, so a truncated file would
// give pages of zero bytes. Refuse it up front: every object stored in the file's uncompressed
// space (the compressed pages live inside one of them) must end within the file.
bool holdsAllItsObjects(const std::string& path, chmFile* file) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in.tellg();
    char header[0x60] = {};
    if (!in || size < static_cast<std::streamoff>(sizeof header) || !in.seekg(0) ||
        !in.read(header, sizeof header))
        return false;
    // The header: "ITSF", its version, then the place and length of the directory at 0x48 and,
    // from version 3 on, where the stored objects begin; before that they follow the directory.
    const unsigned version = static_cast<unsigned char>(header[4]);
    const auto fileSize = static_cast<std::uint64_t>(size);
    const std::uint64_t directoryStart = le64(header + 0x48);
    const std::uint64_t directoryLength = le64(header + 0x50);
    if (directoryStart > fileSize || directoryLength > fileSize - directoryStart)
        return false;
    const std::uint64_t dataStart =
        version >= 3 ? le64(header + 0x58) : directoryStart + directoryLength;
    if (dataStart > fileSize)
        return false;
    std::uint64_t dataEnd = 0;
    auto widen = [](chmFile*, chmUnitInfo* unit, void* context) -> int {
        auto* end = static_cast<std::uint64_t*>(context);
        if (unit->space != CHM_UNCOMPRESSED)
            return CHM_ENUMERATOR_CONTINUE;
        const std::uint64_t last =
            unit->length > UINT64_MAX - unit->start ? UINT64_MAX : unit->start + unit->length;
        if (last > *end)
            *end = last;
        return CHM_ENUMERATOR_CONTINUE;
    };
    if (!chm_enumerate(file, CHM_ENUMERATE_ALL, widen, &dataEnd))
        return false;
    return dataEnd <= fileSize - dataStart;
}

} // namespace

void ChmFile::Closer::operator()(chmFile* file) const {
    if (file)
        chm_close(file);
}

ChmFile::ChmFile(Key, std::unique_ptr<chmFile, Closer> file) : file_(std::move(file)) {}

std::unique_ptr<ChmFile> ChmFile::open(const std::string& path) {
    try {
        std::unique_ptr<chmFile, Closer> handle(chm_open(path.c_str()));
        if (!handle || !holdsAllItsObjects(path, handle.get()))
            return nullptr;
        auto help = std::make_unique<ChmFile>(Key{}, std::move(handle));
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
        if (path.back() == '/' || path.size() > CHM_MAX_PATHLEN)
            return std::nullopt;
        chmUnitInfo unit{};
        if (chm_resolve_object(file_.get(), path.c_str(), &unit) != CHM_RESOLVE_SUCCESS)
            return std::nullopt;
        if (unit.length > kMaxObjectSize)
            return std::nullopt;
        std::string bytes(static_cast<std::size_t>(unit.length), '\0');
        if (bytes.empty())
            return bytes;
        const LONGINT64 got =
            chm_retrieve_object(file_.get(), &unit, reinterpret_cast<unsigned char*>(bytes.data()),
                                0, static_cast<LONGINT64>(unit.length));
        if (got != static_cast<LONGINT64>(unit.length))
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace corvane
