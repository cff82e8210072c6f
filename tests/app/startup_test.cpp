#include "app/startup.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

std::string stripped(std::string text) {
    stripQuotes(text);
    return text;
}

TEST(StartupTest, StripQuotesRemovesOnlyLeadingAndThenTrailingQuote) {
    EXPECT_EQ(stripped("\"my script.txt\""), "my script.txt");
    EXPECT_EQ(stripped("\"my script.txt"), "my script.txt");
    EXPECT_EQ(stripped("script.txt\""), "script.txt\"");
    EXPECT_EQ(stripped("\"a b\" c"), "a b\" c");
    EXPECT_EQ(stripped("\""), "");
    EXPECT_EQ(stripped("\"\""), "");
    EXPECT_EQ(stripped(""), "");
}

TEST(StartupTest, FileExtensionIsAfterTheLastDotOfTheWholePath) {
    EXPECT_EQ(fileExtension("profile.odb"), "odb");
    EXPECT_EQ(fileExtension("dir.odb/script"), "odb/script");
    EXPECT_EQ(fileExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(fileExtension("name."), "");
    EXPECT_FALSE(fileExtension("makefile").has_value());
}

TEST(StartupTest, HasExtensionComparesTheFirstThreeLettersIgnoringCase) {
    EXPECT_TRUE(hasExtension("profile.odb", "odb"));
    EXPECT_TRUE(hasExtension("PROFILE.ODB", "odb"));
    EXPECT_TRUE(hasExtension("backup.odbx", "odb"));
    EXPECT_TRUE(hasExtension("folder.odb/script", "odb"));
    EXPECT_FALSE(hasExtension("make.txt", "odb"));
    EXPECT_FALSE(hasExtension("x.od", "odb"));
    EXPECT_FALSE(hasExtension("noextension", "odb"));
    EXPECT_FALSE(hasExtension("profile.odb.txt", "odb"));
}

TEST(StartupTest, CommandLineIsOnePath) {
    EXPECT_EQ(commandLinePath({}), "");
    EXPECT_EQ(commandLinePath({"my", "script.txt"}), "my script.txt");
    EXPECT_EQ(commandLinePath({"\"my", "script.txt\""}), "my script.txt");
    EXPECT_EQ(commandLinePath({"\"my script.txt\"", "more"}), "my script.txt\" more");
}

TEST(StartupTest, OpenAsFirstArgumentAlwaysMeansTheWindow) {
    const auto* windows = &platform::kWindowsCommandLine;
    struct Case {
        std::vector<std::string> arguments;
        bool window;
        std::string path;
        std::string option = {};
        const platform::CommandLineConvention* convention = &platform::kPosixCommandLine;
    };
    const Case cases[] = {
        {{}, true, ""},
        {{"--open"}, true, ""},
        {{"--open", "office-wifi"}, true, "office-wifi"},
        {{"--open", "make.txt"}, true, "make.txt"},
        {{"--open", "\"my", "site.txt\""}, true, "my site.txt"},
        {{"office-wifi"}, false, "office-wifi"},
        {{"site.odb"}, true, "site.odb"},
        // A provider configuration opens in the window, never as a script.
        {{"campus.eap-config"}, true, "campus.eap-config"},
        {{"\"My Campus.EAP-CONFIG\""}, true, "My Campus.EAP-CONFIG"},
        {{"campus.eap-configs"}, false, "campus.eap-configs"},
        {{"eap-config"}, false, "eap-config"},
        {{"--opener"}, false, "--opener"},
        {{"make.txt", "--open"}, false, "make.txt --open"},
        {{"\"--open", "x\""}, false, "--open x"},
        // Answered whatever files exist; a script of that name is named with its folder.
        {{"--help"}, false, "", "--help"},
        {{"--version"}, false, "", "--version"},
        {{"./--help"}, false, "./--help"},
        {{"/?"}, false, "/?"},
        {{"my file.txt "}, false, "my file.txt "},
        // The command line in one piece, as Windows hands it over, with the blank that cmd
        // leaves before ">", "|" and "&&".
        {{"--open \"C:\\My Files\\office-wifi\""}, true, "C:\\My Files\\office-wifi", "", windows},
        {{"--open \"C:\\x.odb\" \t"}, true, "C:\\x.odb", "", windows},
        {{"\"office.txt\" "}, false, "office.txt", "", windows},
        {{"\"my site.odb\"\t "}, true, "my site.odb", "", windows},
        {{"--version "}, false, "", "--version", windows},
        {{"--help "}, false, "", "--help", windows},
        {{"/?"}, false, "", "--help", windows},
        {{"-h "}, false, "", "--help", windows},
        {{".\\--help"}, false, ".\\--help", "", windows},
    };
    for (const Case& c : cases) {
        const StartMode mode = chooseStartMode(c.arguments, *c.convention);
        EXPECT_EQ(mode.window, c.window) << c.path;
        EXPECT_EQ(mode.path, c.path);
        EXPECT_EQ(mode.option, c.option) << c.path;
    }
}

} // namespace
} // namespace corvane
