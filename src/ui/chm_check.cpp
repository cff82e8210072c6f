#include "ui/chm_check.h"

#include <array>
#include <limits>
#include <string_view>
#include <vector>

namespace corvane {
namespace {

// The file header ("ITSF"), the directory header ("ITSP") that starts the directory, and the
// directory's chunks that follow it: listing chunks ("PMGL") chained by a "next" index, and
// index chunks ("PMGI") that point at other chunks. All little-endian.
constexpr std::size_t kFileHeaderV2 = 0x58;
constexpr std::size_t kFileHeaderV3 = 0x60;
constexpr std::size_t kHeaderSection0 = 0x18;
constexpr std::size_t kDirectoryHeader = 0x54;
constexpr std::size_t kListingHeader = 0x14;
constexpr std::size_t kIndexHeader = 0x08;
constexpr std::uint32_t kMinChunkLength = 0x40;
constexpr std::uint32_t kMaxChunkLength = 0x100000;
constexpr std::uint32_t kMaxQuickRefDensity = 16;
constexpr std::uint64_t kMaxPathLength = 512; // longer than any path of ours

// The compressed section: one LZX stream cut into frames of 32 KiB, found through a reset table
// of where each frame starts in the compressed bytes. No frame may take more than the frame's
// length and 6 KiB of compressed bytes.
constexpr std::uint64_t kFrameLength = 0x8000;
constexpr std::uint64_t kFrameSlack = 6144;
constexpr std::uint32_t kMinWindow = 1u << 15;
constexpr std::uint32_t kMaxWindow = 1u << 21;
constexpr std::size_t kResetTableHeader = 0x28;
constexpr std::size_t kMinControlData = 0x18;
constexpr std::size_t kMaxControlData = 256;
// Our help is a few hundred kilobytes; this bounds how much a file can make the decoder inflate.
constexpr std::uint64_t kMaxUncompressed = 64u * 1024 * 1024;

constexpr std::string_view kContentName = "::DataSpace/Storage/MSCompressed/Content";
constexpr std::string_view kControlDataName = "::DataSpace/Storage/MSCompressed/ControlData";
constexpr std::string_view kResetTableName =
    "::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/"
    "InstanceData/ResetTable";

struct Entry {
    std::string_view name;
    std::uint64_t space = 0; // 0 stored as is, 1 in the compressed section
    std::uint64_t start = 0;
    std::uint64_t length = 0;
};

struct Chunk {
    enum Kind { Other, Listing, Index } kind = Other;
    std::int32_t next = -1;              // listing chunks
    std::vector<std::uint32_t> children; // index chunks
};

class Reader {
public:
    Reader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::size_t size() const { return size_; }
    bool holds(std::uint64_t at, std::uint64_t length) const {
        return at <= size_ && length <= size_ - at;
    }
    std::uint32_t le32(std::size_t at) const {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | bytes_[at + i];
        return value;
    }
    std::uint64_t le64(std::size_t at) const {
        return le32(at) | static_cast<std::uint64_t>(le32(at + 4)) << 32;
    }
    bool tagAt(std::size_t at, std::string_view tag) const {
        return std::string_view(reinterpret_cast<const char*>(bytes_ + at), tag.size()) == tag;
    }
    const std::uint8_t* at(std::size_t offset) const { return bytes_ + offset; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
};

// A variable-length number: seven bits a byte, most significant first, high bit on all but
// the last byte.
bool readNumber(const std::uint8_t*& cursor, const std::uint8_t* end, std::uint64_t& value) {
    value = 0;
    for (int used = 0; cursor < end && used < 10; ++used) {
        const std::uint8_t byte = *cursor++;
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 7))
            return false;
        value = value << 7 | (byte & 0x7F);
        if (byte < 0x80)
            return true;
    }
    return false;
}

// A name: within its chunk, of a sensible length, and without a zero byte, which would cut it
// short.
bool readName(const std::uint8_t*& cursor, const std::uint8_t* end, std::string_view& name) {
    std::uint64_t length = 0;
    if (!readNumber(cursor, end, length) || length == 0 || length > kMaxPathLength ||
        length > static_cast<std::uint64_t>(end - cursor))
        return false;
    name = std::string_view(reinterpret_cast<const char*>(cursor), length);
    cursor += length;
    return name.find('\0') == std::string_view::npos;
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

class HelpFileCheck {
public:
    HelpFileCheck(const std::uint8_t* bytes, std::size_t size) : file_(bytes, size) {}

    std::string run() {
        if (!readHeaders())
            return fault_;
        if (!readChunks() || !checkListingChain() || !checkIndexTree() || !checkObjects())
            return fault_;
        return {};
    }

private:
    bool fail(const char* why) {
        fault_ = why;
        return false;
    }

    bool readHeaders() {
        // Readers read the longer header whatever the version says.
        if (file_.size() < kFileHeaderV3 || !file_.tagAt(0, "ITSF"))
            return fail("no help file header");
        const std::uint32_t version = file_.le32(4);
        const std::uint32_t headerLength = file_.le32(8);
        if ((version != 2 && version != 3) ||
            headerLength < (version == 2 ? kFileHeaderV2 : kFileHeaderV3) ||
            headerLength > file_.size())
            return fail("unknown help file header");
        const std::uint64_t directoryStart = file_.le64(0x48);
        const std::uint64_t directoryLength = file_.le64(0x50);
        if (!file_.holds(directoryStart, directoryLength) || directoryLength < kDirectoryHeader)
            return fail("directory beyond the file");
        // Header section 0 states the file's length; the decoder subtracts the real one from it
        // unchecked, so only the truth is let through.
        const std::uint64_t section0 = file_.le64(0x38);
        if (!file_.holds(section0, kHeaderSection0) ||
            file_.le64(static_cast<std::size_t>(section0) + 8) != file_.size())
            return fail("stated file length is not the file's");
        dataStart_ = version == 3 ? file_.le64(0x58) : directoryStart + directoryLength;
        if (dataStart_ > file_.size())
            return fail("data beyond the file");

        const std::size_t at = static_cast<std::size_t>(directoryStart);
        if (!file_.tagAt(at, "ITSP") || file_.le32(at + 4) != 1 ||
            file_.le32(at + 8) != kDirectoryHeader)
            return fail("unknown directory header");
        chunkLength_ = file_.le32(at + 0x10);
        const auto root = static_cast<std::int32_t>(file_.le32(at + 0x1C));
        const auto head = static_cast<std::int32_t>(file_.le32(at + 0x20));
        if (chunkLength_ < kMinChunkLength || chunkLength_ > kMaxChunkLength)
            return fail("directory chunk length out of range");
        // A listing has a quick reference every 1 + 2^density entries (writers use 2); the
        // decoder shifts by this number unchecked.
        if (file_.le32(at + 0x14) > kMaxQuickRefDensity)
            return fail("quick reference density out of range");
        // The header's own chunk count is not what writers agree on; the directory's length is.
        const std::uint64_t chunkCount = (directoryLength - kDirectoryHeader) / chunkLength_;
        if (chunkCount == 0)
            return fail("directory without chunks");
        chunksStart_ = at + kDirectoryHeader;
        chunks_.resize(static_cast<std::size_t>(chunkCount));
        if (head < 0 || static_cast<std::uint64_t>(head) >= chunkCount)
            return fail("first listing chunk out of range");
        head_ = static_cast<std::uint32_t>(head);
        // A lookup starts at the listing when there is no index chunk.
        if (root >= 0 && static_cast<std::uint64_t>(root) >= chunkCount)
            return fail("index root out of range");
        root_ = root < 0 ? head_ : static_cast<std::uint32_t>(root);
        return true;
    }

    bool readChunks() {
        for (std::size_t i = 0; i < chunks_.size(); ++i) {
            const std::size_t at = chunksStart_ + i * chunkLength_;
            if (file_.tagAt(at, "PMGL")) {
                if (!readListing(at, chunks_[i]))
                    return false;
            } else if (file_.tagAt(at, "PMGI")) {
                if (!readIndex(at, chunks_[i]))
                    return false;
            }
        }
        return true;
    }

    // Where a chunk's entries end: its length less the free space its header states.
    const std::uint8_t* entriesEnd(std::size_t at, std::size_t headerLength) {
        const std::uint32_t freeSpace = file_.le32(at + 4);
        if (freeSpace > chunkLength_ - headerLength)
            return nullptr;
        return file_.at(at + chunkLength_ - freeSpace);
    }

    bool readListing(std::size_t at, Chunk& chunk) {
        chunk.kind = Chunk::Listing;
        chunk.next = static_cast<std::int32_t>(file_.le32(at + 0x10));
        const std::uint8_t* end = entriesEnd(at, kListingHeader);
        if (!end)
            return fail("listing chunk with more free space than room");
        for (const std::uint8_t* cursor = file_.at(at + kListingHeader); cursor < end;) {
            Entry entry;
            if (!readName(cursor, end, entry.name) || !readNumber(cursor, end, entry.space) ||
                !readNumber(cursor, end, entry.start) || !readNumber(cursor, end, entry.length))
                return fail("listing entry beyond its chunk");
            if (entry.space > 1)
                return fail("listing entry in an unknown section");
            entries_.push_back(entry);
        }
        return true;
    }

    bool readIndex(std::size_t at, Chunk& chunk) {
        chunk.kind = Chunk::Index;
        const std::uint8_t* end = entriesEnd(at, kIndexHeader);
        if (!end)
            return fail("index chunk with more free space than room");
        for (const std::uint8_t* cursor = file_.at(at + kIndexHeader); cursor < end;) {
            std::string_view name;
            std::uint64_t child = 0;
            if (!readName(cursor, end, name) || !readNumber(cursor, end, child))
                return fail("index entry beyond its chunk");
            if (child >= chunks_.size())
                return fail("index entry points beyond the directory");
            chunk.children.push_back(static_cast<std::uint32_t>(child));
        }
        return true;
    }

    // The listing chunks are walked from the first by their "next" index until -1.
    bool checkListingChain() {
        std::vector<bool> seen(chunks_.size(), false);
        for (std::int32_t at = static_cast<std::int32_t>(head_); at != -1;) {
            if (at < 0 || static_cast<std::size_t>(at) >= chunks_.size())
                return fail("listing chunk's next out of range");
            if (seen[at])
                return fail("listing chunks form a loop");
            seen[at] = true;
            if (chunks_[at].kind != Chunk::Listing)
                return fail("listing chain reaches a chunk that is no listing");
            at = chunks_[at].next;
        }
        return true;
    }

    // A lookup descends from the root through index chunks; no descent may come back round.
    bool checkIndexTree() {
        enum class Mark : std::uint8_t { New, Open, Done };
        std::vector<Mark> marks(chunks_.size(), Mark::New);
        struct Step {
            std::uint32_t chunk;
            std::size_t child;
        };
        std::vector<Step> path{{root_, 0}};
        marks[root_] = Mark::Open;
        while (!path.empty()) {
            Step& step = path.back();
            const Chunk& chunk = chunks_[step.chunk];
            if (chunk.kind != Chunk::Index || step.child == chunk.children.size()) {
                marks[step.chunk] = Mark::Done;
                path.pop_back();
                continue;
            }
            const std::uint32_t child = chunk.children[step.child++];
            if (marks[child] == Mark::Open)
                return fail("index chunks form a loop");
            if (marks[child] == Mark::New) {
                marks[child] = Mark::Open;
                path.push_back({child, 0});
            }
        }
        return true;
    }

    const Entry* unique(std::string_view name, bool& duplicated) const {
        const Entry* found = nullptr;
        for (const Entry& entry : entries_) {
            if (!sameNameIgnoringCase(entry.name, name))
                continue;
            duplicated = duplicated || found;
            found = &entry;
        }
        return found;
    }

    bool checkObjects() {
        const std::uint64_t stored = file_.size() - dataStart_;
        for (const Entry& entry : entries_)
            if (entry.space == 0 && (entry.start > stored || entry.length > stored - entry.start))
                return fail("stored object beyond the file");

        bool duplicated = false;
        const Entry* content = unique(kContentName, duplicated);
        const Entry* control = unique(kControlDataName, duplicated);
        const Entry* resets = unique(kResetTableName, duplicated);
        if (duplicated)
            return fail("compression objects listed twice");
        if (!content && !control && !resets) {
            // Nothing is then read from the compressed section.
            return true;
        }
        if (!content || !control || !resets || content->space != 0 || control->space != 0 ||
            resets->space != 0)
            return fail("compression objects incomplete");
        std::uint32_t window = 0;
        if (!checkControlData(*control, window))
            return false;
        std::uint64_t uncompressed = 0;
        if (!checkResetTable(*resets, *content, window, uncompressed))
            return false;
        for (const Entry& entry : entries_)
            if (entry.space == 1 &&
                (entry.start > uncompressed || entry.length > uncompressed - entry.start))
                return fail("compressed object beyond the compressed section");
        return true;
    }

    bool checkControlData(const Entry& control, std::uint32_t& window) {
        if (control.length < kMinControlData || control.length > kMaxControlData)
            return fail("control data of the wrong length");
        const std::size_t at = static_cast<std::size_t>(dataStart_ + control.start);
        if (!file_.tagAt(at + 4, "LZXC"))
            return fail("control data without its signature");
        // Version 2 counts in units of 32 KiB, which readers scale in 32 bits; refuse what wraps.
        const std::uint64_t scale = file_.le32(at + 8) == 2 ? 0x8000 : 1;
        const std::uint64_t resetInterval = file_.le32(at + 0x0C) * scale;
        const std::uint64_t windowSize = file_.le32(at + 0x10) * scale;
        const std::uint64_t windowsPerReset = file_.le32(at + 0x14);
        if (windowSize < kMinWindow || windowSize > kMaxWindow ||
            (windowSize & (windowSize - 1)) != 0)
            return fail("window size out of range");
        const std::uint64_t halfWindow = windowSize / 2;
        if (resetInterval == 0 || resetInterval % halfWindow != 0 ||
            resetInterval > std::numeric_limits<std::uint32_t>::max())
            return fail("reset interval out of range");
        const std::uint64_t framesPerReset = resetInterval / halfWindow * windowsPerReset;
        if (framesPerReset == 0 || framesPerReset > std::numeric_limits<std::uint32_t>::max())
            return fail("frames per reset out of range");
        window = static_cast<std::uint32_t>(windowSize);
        return true;
    }

    bool checkResetTable(const Entry& resets, const Entry& content, std::uint32_t window,
                         std::uint64_t& uncompressed) {
        if (resets.length < kResetTableHeader)
            return fail("reset table too short");
        const std::size_t at = static_cast<std::size_t>(dataStart_ + resets.start);
        const std::uint32_t frames = file_.le32(at + 4);
        const std::uint32_t tableOffset = file_.le32(at + 0x0C);
        uncompressed = file_.le64(at + 0x10);
        const std::uint64_t compressed = file_.le64(at + 0x18);
        const std::uint64_t frameLength = file_.le64(at + 0x20);
        if (file_.le32(at) != 2)
            return fail("unknown reset table");
        if (frameLength != kFrameLength || frameLength > window)
            return fail("frame length out of range");
        // Writers may end the table with one more entry: where the compressed bytes end.
        const std::uint64_t framesNeeded = (uncompressed + frameLength - 1) / frameLength;
        if (uncompressed > kMaxUncompressed || frames == 0 || frames < framesNeeded ||
            frames > framesNeeded + 1)
            return fail("frame count does not fit the uncompressed length");
        if (tableOffset > resets.length || std::uint64_t{frames} * 8 > resets.length - tableOffset)
            return fail("reset table entries beyond the reset table");
        if (compressed > content.length)
            return fail("compressed length beyond the compressed section");
        // Each frame starts where the one before ended and is of a sensible length.
        std::uint64_t previous = 0;
        for (std::uint32_t i = 0; i < frames; ++i) {
            const std::uint64_t start = file_.le64(at + tableOffset + std::size_t{i} * 8);
            if (start < previous || start > compressed ||
                (i > 0 && start - previous > frameLength + kFrameSlack))
                return fail("reset table entry out of range");
            previous = start;
        }
        if (compressed - previous > frameLength + kFrameSlack)
            return fail("last frame too long");
        return true;
    }

    Reader file_;
    std::string fault_;
    std::uint64_t dataStart_ = 0;
    std::uint32_t chunkLength_ = 0;
    std::size_t chunksStart_ = 0;
    std::uint32_t head_ = 0;
    std::uint32_t root_ = 0;
    std::vector<Chunk> chunks_;
    std::vector<Entry> entries_;
};

} // namespace

std::string helpFileFault(const std::uint8_t* bytes, std::size_t size) {
    return HelpFileCheck(bytes, size).run();
}

} // namespace corvane
