#pragma once

// Builders for hand-made databases in the storage tests. They follow the file layout directly
// (big-endian container, little-endian record payloads) so that a test's input never depends
// on the encoder it checks.

#include <cstdint>
#include <string>
#include <vector>

#include "storage/record_database.h"

namespace corvane::test {

class Bytes {
public:
    Bytes& u8(std::uint32_t v) {
        s_.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& be16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    Bytes& be32(std::uint32_t v) { return u8(v >> 24).u8(v >> 16).u8(v >> 8).u8(v); }
    Bytes& le16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& le32(std::uint32_t v) { return u8(v).u8(v >> 8).u8(v >> 16).u8(v >> 24); }
    // A record tag: its four characters in reverse on disk.
    Bytes& tag(const char (&t)[5]) { return u8(t[3]).u8(t[2]).u8(t[1]).u8(t[0]); }
    Bytes& raw(const std::string& text) {
        s_ += text;
        return *this;
    }
    Bytes& zeros(std::size_t n) {
        s_.append(n, '\0');
        return *this;
    }
    // A text field: tag, length = characters + 1, characters, NUL.
    Bytes& textField(const char (&t)[5], const std::string& text) {
        return tag(t).le32(static_cast<std::uint32_t>(text.size() + 1)).raw(text).u8(0);
    }
    Bytes& byteField(const char (&t)[5], std::uint8_t v) { return tag(t).le32(1).u8(v); }
    Bytes& wordField(const char (&t)[5], std::uint32_t v) { return tag(t).le32(4).le32(v); }
    Bytes& dateField(const char (&t)[5], unsigned year, unsigned month, unsigned day) {
        return tag(t).le32(4).le16(year).u8(month).u8(day);
    }
    const std::string& str() const { return s_; }
    operator std::string() const { return s_; }

private:
    std::string s_;
};

// The header values of a hand-made database.
struct HeaderFields {
    std::string name = "QNRX_Test";
    std::uint16_t attributes = 0x0140;
    std::uint16_t version = 1;
    std::uint32_t creationDate = 0x11111111;
    std::uint32_t modificationDate = 0x22222222;
    std::uint32_t lastBackupDate = 0;
    std::uint32_t modificationNumber = 0;
    std::uint32_t appInfoOffset = 0;
    std::uint32_t sortInfoOffset = 0;
    std::uint32_t type = fourCharCode("PLCY");
    std::uint32_t creator = fourCharCode("QNRX");
    std::uint32_t uniqueIdSeed = 0;
};

inline Bytes headerBytes(const HeaderFields& h, std::uint32_t count) {
    Bytes b;
    std::string name = h.name.substr(0, 32);
    name.resize(32, '\0');
    b.raw(name).be16(h.attributes).be16(h.version);
    for (std::uint32_t v :
         {h.creationDate, h.modificationDate, h.lastBackupDate, h.modificationNumber,
          h.appInfoOffset, h.sortInfoOffset, h.type, h.creator, h.uniqueIdSeed})
        b.be32(v);
    b.be16(0).be32(count);
    return b;
}

// A well-formed database of the given records, laid out with no gaps; the form follows the
// attributes. Record entries carry attributes 0x10 and unique id 0 unless given.
struct RecordFields {
    std::string data;
    std::uint8_t attributes = 0x10;
    std::uint32_t uniqueId = 0; // low 24 bits, in file order
    std::uint32_t resourceType = 0;
    std::uint16_t resourceId = 0;
};

inline std::string databaseBytes(const HeaderFields& h, const std::vector<RecordFields>& records) {
    const bool resourceForm = h.attributes & 1;
    Bytes b = headerBytes(h, static_cast<std::uint32_t>(records.size()));
    std::uint32_t offset =
        78 + static_cast<std::uint32_t>(records.size()) * (resourceForm ? 10 : 8);
    for (const auto& r : records) {
        if (resourceForm)
            b.be32(r.resourceType).be16(r.resourceId).be32(offset);
        else
            b.be32(offset).u8(r.attributes).u8(r.uniqueId >> 16).u8(r.uniqueId >> 8).u8(r.uniqueId);
        offset += static_cast<std::uint32_t>(r.data.size());
    }
    if (records.empty())
        b.be16(0);
    for (const auto& r : records)
        b.raw(r.data);
    return b;
}

inline std::uint32_t be32At(const std::string& s, std::size_t at) {
    return (std::uint32_t(std::uint8_t(s[at])) << 24) |
           (std::uint32_t(std::uint8_t(s[at + 1])) << 16) |
           (std::uint32_t(std::uint8_t(s[at + 2])) << 8) | std::uint32_t(std::uint8_t(s[at + 3]));
}

inline std::uint16_t be16At(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>((std::uint8_t(s[at]) << 8) | std::uint8_t(s[at + 1]));
}

// The keystream byte that scrambling XORs into position i of a run with the given seed.
inline std::uint8_t keystream(std::size_t i, std::uint32_t seed) {
    return static_cast<std::uint8_t>(0xC6 ^ static_cast<std::uint8_t>(seed - i * 0x9B));
}

inline std::string scrambled(const std::string& plain) {
    std::string out = plain;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(out[i] ^ keystream(i, static_cast<std::uint32_t>(out.size())));
    return out;
}

} // namespace corvane::test
