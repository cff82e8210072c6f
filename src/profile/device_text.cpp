#include "profile/device_text.h"

#include <algorithm>
#include <array>

namespace corvane {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Windows-1252 at 0x80 to 0x9F; everywhere else a byte is the character of its number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t characterOf(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t(byte);
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The character at the start of the bytes and its length; U+FFFD and 1 for a byte that starts
// no well-formed character (overlong forms, surrogates and code points past U+10FFFF included).
std::pair<char32_t, std::size_t> nextCharacter(std::string_view bytes) {
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return {kReplacementCharacter, 1};
    }
    if (bytes.size() < length)
        return {kReplacementCharacter, 1};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(bytes[k]);
        if ((next & 0xC0) != 0x80)
            return {kReplacementCharacter, 1};
        c = (c << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return {kReplacementCharacter, 1};
    return {c, length};
}

} // namespace

std::string decodeDeviceText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes)
        appendUtf8(out, characterOf(static_cast<std::uint8_t>(byte)));
    return out;
}

std::optional<std::uint8_t> deviceByte(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return std::uint8_t(character);
    const auto* found = std::find(kHighControls.begin(), kHighControls.end(), character);
    if (found == kHighControls.end())
        return std::nullopt;
    return std::uint8_t(0x80 + (found - kHighControls.begin()));
}

std::string encodeDeviceText(std::string_view utf8, char replacement) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto [c, length] = nextCharacter(utf8);
        const bool malformed = c == kReplacementCharacter && length == 1;
        const std::optional<std::uint8_t> byte = malformed ? std::nullopt : deviceByte(c);
        if (byte)
            out += char(*byte);
        else if (replacement != kDropUnstorable)
            out += replacement;
        utf8.remove_prefix(length);
    }
    return out;
}

std::u32string utf8ToCodePoints(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const auto [c, length] = nextCharacter(utf8);
        out += c;
        utf8.remove_prefix(length);
    }
    return out;
}

std::string codePointsToUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto [c, length] = nextCharacter(bytes);
        if (c == kReplacementCharacter && length == 1)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

} // namespace corvane
