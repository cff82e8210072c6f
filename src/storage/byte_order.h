#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Little-endian writers for record payloads. Each writes only when a destination is given and
// always returns the width, so an encoder can run once to measure and once to fill.
constexpr std::size_t putLe8(std::uint32_t value, std::uint8_t* dest, std::size_t position) {
    if (dest)
        dest[position] = static_cast<std::uint8_t>(value);
    return 1;
}

constexpr std::size_t putLe16(std::uint32_t value, std::uint8_t* dest, std::size_t position) {
    if (dest) {
        dest[position] = static_cast<std::uint8_t>(value);
        dest[position + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return 2;
}

constexpr std::size_t putLe32(std::uint32_t value, std::uint8_t* dest, std::size_t position) {
    if (dest) {
        for (std::size_t i = 0; i < 4; ++i)
            dest[position + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return 4;
}

constexpr std::uint16_t getLe16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

constexpr std::uint32_t getLe32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) |
           (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
}

// Big-endian readers for the container's own integers.
constexpr std::uint16_t getBe16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

constexpr std::uint32_t getBe32(const std::uint8_t* bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
           (std::uint32_t(bytes[2]) << 8) | std::uint32_t(bytes[3]);
}

} // namespace corvane
