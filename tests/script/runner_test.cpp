#include "script/runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "script/log.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using Words = std::vector<std::string>;

Words split(std::string_view line) {
    return splitScriptLine(line, kMaxScriptWords);
}

TEST(SplitScriptLineTest, SpacesSeparateWordsAndQuotesGroupThem) {
    EXPECT_EQ(split("set_name \"Home Office\""), (Words{"set_name", "Home Office"}));
    EXPECT_EQ(split("   new   "), (Words{"new"}));
    EXPECT_EQ(split("set_password \"\""), (Words{"set_password", ""}));
    EXPECT_EQ(split("set_name \"a\"b c"), (Words{"set_name", "a", "c"}));
    EXPECT_EQ(split(""), Words{});
    EXPECT_EQ(split("     "), Words{});
}

TEST(SplitScriptLineTest, OnlyTheSpaceSeparates) {
    EXPECT_EQ(split("\tnew"), (Words{"\tnew"}));
    EXPECT_EQ(split("set_name a\tb"), (Words{"set_name", "a\tb"}));
}

TEST(SplitScriptLineTest, UnclosedQuoteRunsToTheEndOfTheLine) {
    EXPECT_EQ(split("set_name \"Home Office  "), (Words{"set_name", "Home Office  "}));
}

TEST(SplitScriptLineTest, QuoteInsideAWordDropsItsFirstCharacter) {
    EXPECT_EQ(split("ab\"c d\" e"), (Words{"b\"c d", "e"}));
}

TEST(SplitScriptLineTest, LastAllowedWordTakesTheRestUnchanged) {
    EXPECT_EQ(splitScriptLine("a b  \"c d\" e", 2), (Words{"a", "b  \"c d\" e"}));
    std::string many;
    for (int i = 0; i < 70; ++i)
        many += "w" + std::to_string(i) + " ";
    Words words = split(many);
    ASSERT_EQ(words.size(), kMaxScriptWords);
    EXPECT_EQ(words[62], "w62");
    EXPECT_EQ(words[63].substr(0, 8), "w63 w64 ");
}

TEST(FindScriptCommandTest, WordsMatchInAnyCase) {
    for (const char* word : {"new", "NEW", "New"}) {
        const ScriptCommand* c = findScriptCommand(word);
        ASSERT_NE(c, nullptr) << word;
        EXPECT_EQ(c->code, 1);
    }
    const ScriptCommand* c = findScriptCommand("Clear_Client_Cert_PKey");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->code, 11);
    EXPECT_EQ(c->leastArguments, 0);
    EXPECT_EQ(findScriptCommand("set_pkpassword")->usageId, 233u);
    EXPECT_EQ(findScriptCommand("news"), nullptr);
    EXPECT_EQ(findScriptCommand(""), nullptr); // the unused entry 204 is no command
    EXPECT_EQ(findScriptCommand("set_auth "), nullptr);
}

TEST(ParseIndexTest, ReadsLikeAtoi) {
    EXPECT_EQ(parseIndex("12"), 12);
    EXPECT_EQ(parseIndex("  -3"), -3);
    EXPECT_EQ(parseIndex("+4x"), 4);
    EXPECT_EQ(parseIndex("x"), 0);
    EXPECT_EQ(parseIndex(""), 0);
    EXPECT_GT(parseIndex("99999999999999999999999"), 1000000); // saturates, never wraps
    EXPECT_LT(parseIndex("-99999999999999999999999"), -1000000);
}

// Windows editors save "Unicode" text as UTF-16 with a byte order mark: the runner sees the
// same text in UTF-8, line numbers and all, and stores its texts in the device's code page.
TEST(RunScriptTest, Utf16ScriptsAreReadAsText) {
    test::TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    closeLog();
    const std::u16string text =
        u"new\r\nset_username \"J\u00fcrgen \u20ac\"\r\nset_password \U0001F600\r\nbogus\r\n";
    for (const bool littleEndian : {true, false}) {
        SCOPED_TRACE(littleEndian ? "little endian" : "big endian");
        std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
        for (const char16_t unit : text) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            bytes += littleEndian ? std::string{low, high} : std::string{high, low};
        }
        test::writeFile(dir.file("script.txt"), bytes);
        Profile profile;
        EXPECT_EQ(runScript(profile, dir.file("script.txt")), 1);
        EXPECT_EQ(profile.username.str(), "J\xFCrgen \x80");
        EXPECT_TRUE(profile.password.empty());
        closeLog();
        EXPECT_TRUE(test::readTextFile(dir.file("wizard.log"))
                        .ends_with("] ---\nError on line 3: The text holds a character that the "
                                   "device's code page (Windows-1252) cannot store.\n"));
    }
    std::filesystem::current_path(previous);
}

} // namespace
} // namespace corvane
