#include "app/resources.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/string_ids.h"
#include "support/test_support.h"

namespace corvane {
namespace {

TEST(LanguageCodesTest, PrimaryLanguageAndCountry) {
    EXPECT_EQ(languageCodes(0x0409).language, "en");
    EXPECT_EQ(languageCodes(0x0409).country, "US");
    EXPECT_EQ(languageCodes(0x0809).country, "GB");
    EXPECT_EQ(languageCodes(0x0C09).country, ""); // English (Australia) has no country code
    EXPECT_EQ(languageCodes(0x0407).language, "de");
    EXPECT_EQ(languageCodes(0x0407).country, "DE");
    EXPECT_EQ(languageCodes(0x0C0A).country, "ES");
    EXPECT_EQ(languageCodes(0x040A).country, "");
    EXPECT_EQ(languageCodes(0x0416).country, "BR");
    EXPECT_EQ(languageCodes(0x0816).country, "PT");
    EXPECT_EQ(languageCodes(0x0404).country, "TW");
    EXPECT_EQ(languageCodes(0x0804).country, "CN");
}

TEST(LanguageCodesTest, TableKeepsItsOwnCodes) {
    EXPECT_EQ(languageCodes(0x0411).language, "jp");
    EXPECT_EQ(languageCodes(0x0411).country, "JP");
    EXPECT_EQ(languageCodes(0x0811).country, "JP"); // any Japanese sublanguage
    EXPECT_EQ(languageCodes(0x040D).language, "iw");
    EXPECT_EQ(languageCodes(0x0421).language, "in");
    EXPECT_EQ(languageCodes(0x0461).language, "ne");
}

TEST(LanguageCodesTest, UnlistedPrimaryLanguagesHaveNoCodes) {
    for (unsigned primary : {0u, 23u, 40u, 41u, 46u, 98u, 0x3FFu}) {
        LanguageCodes codes = languageCodes(static_cast<std::uint16_t>(0x0400 | primary));
        EXPECT_EQ(codes.language, "") << primary;
        EXPECT_EQ(codes.country, "") << primary;
    }
}

TEST(ResourceLibraryNamesTest, NamesTriedInOrder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0409),
              (Names{"Corvane_enUS.so", "Corvane_409.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0809),
              (Names{"Corvane_enGB.so", "Corvane_809.so", "Corvane_enUS.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0C09),
              (Names{"Corvane_c09.so", "Corvane_enUS.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x040A),
              (Names{"Corvane_40a.so", "Corvane_esSP.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0404),
              (Names{"Corvane_zhTW.so", "Corvane_404.so", "Corvane_zhCN.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0411),
              (Names{"Corvane_jpJP.so", "Corvane_411.so", "Corvane_jpJP.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0413), (Names{"Corvane_413.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0417), (Names{"Corvane_417.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0C0A),
              (Names{"Corvane_esES.so", "Corvane_c0a.so", "Corvane_esSP.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0816),
              (Names{"Corvane_ptPT.so", "Corvane_816.so", "Corvane_ptBR.so"}));
    EXPECT_EQ(resourceLibraryNames("Corvane", 0x0407),
              (Names{"Corvane_deDE.so", "Corvane_407.so", "Corvane_deDE.so"}));
}

TEST(LocaleTest, LocaleNamesMapToLanguageIds) {
    EXPECT_EQ(languageIdFromLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(languageIdFromLocale("de_AT.UTF-8"), 0x0C07);
    EXPECT_EQ(languageIdFromLocale("en_GB"), 0x0809);
    EXPECT_EQ(languageIdFromLocale("en_US.UTF-8"), 0x0409);
    EXPECT_EQ(languageIdFromLocale("es_ES.UTF-8@euro"), 0x0C0A);
    EXPECT_EQ(languageIdFromLocale("pt_PT"), 0x0816);
    EXPECT_EQ(languageIdFromLocale("ja_JP.UTF-8"), 0x0411);
    EXPECT_EQ(languageIdFromLocale("zh_TW"), 0x0404);
    EXPECT_EQ(languageIdFromLocale("nl_NL"), 0x0413);
    EXPECT_EQ(languageIdFromLocale("fr"), 0x040C); // no country: default sublanguage
    EXPECT_EQ(languageIdFromLocale("C"), 0x0409);
    EXPECT_EQ(languageIdFromLocale("POSIX"), 0x0409);
    EXPECT_EQ(languageIdFromLocale("C.UTF-8"), 0x0409);
    EXPECT_EQ(languageIdFromLocale(""), 0x0409);
    EXPECT_EQ(languageIdFromLocale("xx_YY"), 0x0409);
}

TEST(LocaleTest, MessagesLocaleVariablesInOrder) {
    const char* saved[3];
    const char* names[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::string copies[3];
    for (int i = 0; i < 3; ++i) {
        const char* v = std::getenv(names[i]);
        saved[i] = v ? (copies[i] = v).c_str() : nullptr;
    }
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(userDefaultLanguageId(), 0x0407);
    setenv("LC_MESSAGES", "pt_PT", 1);
    EXPECT_EQ(userDefaultLanguageId(), 0x0816);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(userDefaultLanguageId(), 0x0409);
    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            setenv(names[i], copies[i].c_str(), 1);
        else
            unsetenv(names[i]);
    }
}

class ResourceModuleTest : public ::testing::Test {
protected:
    void TearDown() override { releaseResourceLibrary(); }
    static std::string binaryDir() { return std::string(CORVANE_BINARY_DIR) + "/"; }
};

TEST_F(ResourceModuleTest, BuiltInTextsWithoutModule) {
    releaseResourceLibrary();
    EXPECT_EQ(loadString(ids::LineErrorFormat), "Error on line %d: %s\n");
    EXPECT_EQ(loadString(ids::ExpiredText), "WARNING! Certificate is expired.");
    EXPECT_EQ(loadString(202), "save");
    EXPECT_EQ(loadString(225), "set_inner_auth <tunneled authentication protocol type, one of PAP, "
                               "CHAP, MSCHAP, MSCHAPv2, EAP-GTC, EAP-MD5-Challenge, EAP-MSCHAPv2>");
    EXPECT_FALSE(loadString(ids::TextTooLongText).empty());
    EXPECT_EQ(loadString(28), "");
    EXPECT_EQ(loadString(204), "");
    EXPECT_EQ(loadString(9999), "");
}

TEST_F(ResourceModuleTest, GermanModuleTranslatesProseButNotScriptWords) {
    EXPECT_EQ(selectResourceLibraryIn(binaryDir(), "Corvane", 0x0407), "Corvane_deDE.so");
    EXPECT_EQ(loadString(ids::UnknownCommand), "Unbekannter Befehl");
    EXPECT_EQ(loadString(ids::ExpiredText), "WARNUNG! Das Zertifikat ist abgelaufen.");
    EXPECT_EQ(loadString(ids::FirstUsageText + 3), "set_name <Profilname>");
    // Command words and protocol names are a language of their own.
    for (unsigned id = 1; id <= 13; ++id) {
        releaseResourceLibrary();
        const std::string english = loadString(id);
        selectResourceLibraryIn(binaryDir(), "Corvane", 0x0407);
        EXPECT_EQ(loadString(id), english) << id;
    }
    for (unsigned id = 200; id <= 214; ++id) {
        releaseResourceLibrary();
        const std::string english = loadString(id);
        selectResourceLibraryIn(binaryDir(), "Corvane", 0x0407);
        EXPECT_EQ(loadString(id), english) << id;
    }
}

TEST_F(ResourceModuleTest, GermanModuleCoversEveryMessageAndUsageText) {
    std::vector<std::pair<unsigned, std::string>> english;
    releaseResourceLibrary();
    for (unsigned id = 20; id < 200; ++id)
        if (!loadString(id).empty())
            english.emplace_back(id, loadString(id));
    for (unsigned id = 221; id <= 251; ++id)
        if (id != 230)
            english.emplace_back(id, loadString(id));
    selectResourceLibraryIn(binaryDir(), "Corvane", 0x0407);
    for (const auto& [id, text] : english) {
        if (id == 22 || id == 171 || id == 172)
            continue; // "%s: %s\n" and the program's name read the same in German
        EXPECT_NE(loadString(id), text) << "id " << id << " is not translated";
    }
}

TEST_F(ResourceModuleTest, FallsBackThroughTheNamesInOrder) {
    // German (Austria) has no country code: the hexadecimal name, then the German fallback.
    EXPECT_EQ(selectResourceLibraryIn(binaryDir(), "Corvane", 0x0C07), "Corvane_deDE.so");
    EXPECT_EQ(selectResourceLibraryIn(binaryDir(), "Corvane", 0x0409), "");
    EXPECT_EQ(loadString(ids::UnknownCommand), "Unknown command");
}

TEST_F(ResourceModuleTest, ModulesAreLookedForOnlyInTheGivenFolder) {
    test::TempDir empty;
    EXPECT_EQ(selectResourceLibraryIn(empty.path().string() + "/", "Corvane", 0x0407), "");
    EXPECT_EQ(loadString(ids::UnknownCommand), "Unknown command");
}

TEST_F(ResourceModuleTest, UnusableModulesArePassedOver) {
    test::TempDir folder;
    test::writeFile(folder.file("Corvane_deDE.so"), "this is not a shared library");
    EXPECT_EQ(selectResourceLibraryIn(folder.path().string() + "/", "Corvane", 0x0407), "");
    EXPECT_EQ(selectResourceLibraryIn(binaryDir() + "test-modules/no-export/", "Corvane", 0x040C),
              "");
    EXPECT_EQ(loadString(ids::UnknownCommand), "Unknown command");
}

TEST_F(ResourceModuleTest, MissingTextsComeFromTheBuiltInTable) {
    EXPECT_EQ(selectResourceLibraryIn(binaryDir() + "test-modules/partial/", "Corvane", 0x0410),
              "Corvane_itIT.so");
    EXPECT_EQ(loadString(ids::UnknownCommand), "Comando sconosciuto");
    EXPECT_EQ(loadString(ids::LoadFailed), "Failed to load database.");
    EXPECT_FALSE(loadString(ids::TextTooLongText).empty()); // an empty translation is no text
}

TEST(StringTest, MatchesIgnoringAsciiCaseOnly) {
    EXPECT_TRUE(matchesString("eap-tls", ids::EapTls));
    EXPECT_TRUE(matchesString("EAP-TLS", ids::EapTls));
    EXPECT_TRUE(matchesString("Set_Name", 203));
    EXPECT_FALSE(matchesString("EAP-TLS ", ids::EapTls));
    EXPECT_FALSE(matchesString("EAP-TL", ids::EapTls));
    EXPECT_FALSE(matchesString("", ids::EapTls));
    EXPECT_TRUE(matchesString("", 204)); // an empty entry equals only the empty text
}

TEST(StringTest, FillFormatNeverInterpretsArguments) {
    EXPECT_EQ(fillFormat("Error on line %d: %s\n", {"7", "Unknown command"}),
              "Error on line 7: Unknown command\n");
    EXPECT_EQ(fillFormat("%s: %s\n", {"%s%n%d", "x"}), "%s%n%d: x\n");
    EXPECT_EQ(fillFormat("%s %s %s %x 100%%", {"a"}), "a   %x 100%");
    EXPECT_EQ(fillFormat("trailing %", {}), "trailing %");
}

} // namespace
} // namespace corvane
