// The device's code page: every byte reads as one character and writes back as itself; a
// character it cannot hold is replaced or left out, never stored as "?".
#include <gtest/gtest.h>

#include "profile/device_text.h"

namespace corvane {
namespace {

TEST(DeviceTextTest, EveryByteRoundTripsAndOtherCharactersAreReplacedOrDropped) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, char(b)), text = decodeDeviceText(byte);
        EXPECT_EQ(utf8ToCodePoints(text).size(), 1u) << b;
        EXPECT_EQ(encodeDeviceText(text, kDropUnstorable), byte) << b;
    }
    // The euro sign, and an undefined byte as the control of its number.
    EXPECT_EQ(decodeDeviceText("\xFC\x80\x81"), "\xC3\xBC\xE2\x82\xAC\xC2\x81");
    // "Łów" and "ź", a key emoji, a byte that is not UTF-8.
    const std::string text = "\xC5\x81\xC3\xB3w\xC5\xBA \xF0\x9F\x94\x91 \xFF";
    EXPECT_EQ(encodeDeviceText(text, '_'), "_\xF3w_ _ _");
    EXPECT_EQ(encodeDeviceText(text, kDropUnstorable), "\xF3w  ");
}

} // namespace
} // namespace corvane
