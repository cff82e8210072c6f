#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// A profile's texts reach the device as bytes of its code page, Windows-1252, whatever the
// desktop's own: the profile databases of the Western and German systems hold those bytes, and
// both builds must write the same ones. The five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same numbers, as Windows converts
// them, so that every byte reads as one character and writes back as itself.

// The characters of stored bytes, as UTF-8.
std::string decodeDeviceText(std::string_view bytes);

// The byte that stores a character; none when the code page cannot hold it.
std::optional<std::uint8_t> deviceByte(char32_t character);

// The bytes that store a UTF-8 text. A character the code page cannot hold, or a byte that is
// not UTF-8, becomes the replacement; with kDropUnstorable it is left out.
constexpr char kDropUnstorable = '\0';
std::string encodeDeviceText(std::string_view utf8, char replacement);

// The characters of a UTF-8 text; a byte that starts no well-formed character gives U+FFFD.
std::u32string utf8ToCodePoints(std::string_view utf8);
std::string codePointsToUtf8(std::u32string_view text);

// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

} // namespace corvane
