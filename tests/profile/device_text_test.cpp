// The device's code page: every byte reads as one character and writes back as itself; a
// character it cannot hold is replaced or left out, never stored as "?".
#include <gtest/gtest.h>

#include "profile/device_text.h"

namespace corvane {
namespace {

TEST(DeviceTextTest, EveryByteReadsAsOneCharacterAndWritesBackAsItself) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, char(b));
        const std::string text = decodeDeviceText(byte);
        EXPECT_EQ(utf8ToCodePoints(text).size(), 1u) << b;
        EXPECT_EQ(encodeDeviceText(text, kDropUnstorable), byte) << b;
    }
    // The euro sign, and a byte the code page leaves undefined as the control of its number.
    EXPECT_EQ(decodeDeviceText("J\xFCrgen \x80\x81\x9F"),
              "J\xC3\xBCrgen \xE2\x82\xAC\xC2\x81\xC5\xB8");
}

TEST(DeviceTextTest, CharactersOutsideTheCodePage) {
    const std::string lodz = "\xC5\x81\xC3\xB3"
                             "d\xC5\xBA"; // Łódź
    const std::pair<std::string, std::string> cases[] = {
        {lodz, "_\xF3"
               "d_"},
        {"\xE4\xB8\xAD", "_"},                    // 中
        {"\xF0\x9F\x94\x91", "_"},                // a key emoji
        {std::string("a\xFF") + "b\xC3", "a_b_"}, // bytes that are not UTF-8
        {"\xE2\x82\xAC\xC5\xB8", "\x80\x9F"},     // € and Ÿ are in it
    };
    for (const auto& [utf8, stored] : cases) {
        EXPECT_EQ(encodeDeviceText(utf8, '_'), stored) << utf8;
        std::string dropped = stored;
        std::erase(dropped, '_');
        EXPECT_EQ(encodeDeviceText(utf8, kDropUnstorable), dropped) << utf8;
    }
}

} // namespace
} // namespace corvane
