#include "ui/qt/chm_file.h"

#include <chm_lib.h>

#include <cstdint>
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

// The whole file, for the checks before chmlib sees it; nothing when it cannot be read or is
// larger than any help file of ours could be.
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

} // namespace

void ChmFile::Closer::operator()(chmFile* file) const {
    if (file)
        chm_close(file);
}

ChmFile::ChmFile(Key, std::unique_ptr<chmFile, Closer> file) : file_(std::move(file)) {}

std::unique_ptr<ChmFile> ChmFile::open(const std::string& path) {
    try {
        // chmlib trusts what the file says (it divides by its sizes and follows its links), so
        // the file is checked first. It is ours, beside the program, and not rewritten while
        // we read it.
        const auto bytes = readWhole(path);
        if (!bytes || !helpFileFault(bytes->data(), bytes->size()).empty())
            return nullptr;
        std::unique_ptr<chmFile, Closer> handle(chm_open(path.c_str()));
        if (!handle)
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
