// Runs the built program on scripts and checks what a user sees: wizard.log, the terminal and
// the exit code.
#include <gtest/gtest.h>

#include <filesystem>

#include "profile/profile.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::logBody;
using test::readFile;
using test::readTextFile;
using test::runCorvane;
using test::runScript;
using test::TempDir;

class ScriptRunTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string cwd() const { return dir.path().string(); }
};

TEST_F(ScriptRunTest, EmptyScriptWritesOnlyTheHeader) {
    auto r = runScript("", cwd());
    EXPECT_EQ(r.exitCode, 0);
    const std::string log = readTextFile(dir.file("wizard.log"));
    EXPECT_TRUE(log.starts_with("\n--- script.txt [")) << log;
    EXPECT_TRUE(log.ends_with("] ---\n")) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
    EXPECT_EQ(r.out, log); // the terminal shows the same text
    EXPECT_EQ(r.err, "");
}

TEST_F(ScriptRunTest, LogIsAppendedRunAfterRun) {
    runScript("new\n", cwd());
    runScript("new\n", cwd());
    const std::string log = readTextFile(dir.file("wizard.log"));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);
}

TEST_F(ScriptRunTest, CommentsBlankLinesAndSpacesOnlyCount) {
    auto r = runScript("# a comment\n\n   \nnew # trailing\n  # indented\nbogus\n", cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()), "Error on line 6: Unknown command\n");
}

TEST_F(ScriptRunTest, StopsAtTheFirstErrorAndReadsNoFurther) {
    auto r = runScript("new\nset_auth LEAP\nset_auth WPA\nbogus\n", cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()),
              "Error on line 3: Bad auth type (expected EAP-TLS, EAP-TTLS, EAP-PEAP, or LEAP).\n");
}

TEST_F(ScriptRunTest, WrongWordCountsShowTheUsage) {
    auto r = runScript("new extra\n", cwd());
    EXPECT_EQ(logBody(cwd()), "Error on line 1: expected \"new\"\n");
    EXPECT_EQ(r.exitCode, 1);
    TempDir other;
    runScript("set_name\n", other.path().string());
    EXPECT_EQ(logBody(other.path().string()),
              "Error on line 1: expected \"set_name <profile name>\"\n");
    TempDir third;
    runScript("set_name a b\n", third.path().string());
    EXPECT_EQ(logBody(third.path().string()),
              "Error on line 1: expected \"set_name <profile name>\"\n");
}

TEST_F(ScriptRunTest, EveryCommandIsRecognisedAndArgumentChecked) {
    const char* withArgument[] = {"load",         "save",           "set_name",
                                  "set_auth",     "set_inner_auth", "set_initial_identity",
                                  "add_ca_cert",  "remove_ca_cert", "set_client_cert_pkey",
                                  "set_username", "set_password",   "set_pkpassword",
                                  "import_config"};
    for (const char* word : withArgument) {
        TempDir d;
        auto r = runScript(std::string(word) + "\n", d.path().string());
        EXPECT_EQ(r.exitCode, 1) << word;
        EXPECT_TRUE(logBody(d.path().string())
                        .starts_with("Error on line 1: expected \"" + std::string(word) + " "))
            << logBody(d.path().string());
    }
    for (const char* word : {"new", "clear_client_cert_pkey"}) {
        TempDir d;
        auto r = runScript(std::string(word) + " x\n", d.path().string());
        EXPECT_EQ(logBody(d.path().string()),
                  "Error on line 1: expected \"" + std::string(word) + "\"\n");
        EXPECT_EQ(runScript(std::string(word) + "\n", d.path().string()).exitCode, 0);
    }
}

TEST_F(ScriptRunTest, TextLimitsAndNameCharacters) {
    struct Case {
        std::string script;
        std::string log;
        int exit;
    };
    const std::string tooLong = "Error on line 2: The text is too long (at most 26 characters for "
                                "the profile name, 64 for other fields).\n";
    const std::vector<Case> cases = {
        {"new\nset_name " + std::string(26, 'n') + "\n", "", 0},
        {"new\nset_name " + std::string(27, 'n') + "\n", tooLong, 1},
        {"new\nset_name \"\"\n",
         "Error on line 2: The profile name must be at least one character long.\n", 1},
        {"new\nset_name Caf\xC3\xA9\n",
         "Error on line 2: This string must contain 7-bit ASCII characters in the range 0x20 "
         "to 0x7E.\n",
         1},
        {"new\nset_password " + std::string(64, 'p') + "\n", "", 0},
        {"new\nset_password " + std::string(65, 'p') + "\n", tooLong, 1},
        {"new\nset_username " + std::string(65, 'u') + "\n", tooLong, 1},
        {"new\nset_pkpassword " + std::string(65, 'k') + "\n", tooLong, 1},
        {"new\nset_initial_identity " + std::string(65, 'i') + "\n", tooLong, 1},
        {"new\nset_username \"\xC3\xA9\\t\x01\"\n", "", 0},
    };
    for (const Case& c : cases) {
        TempDir d;
        auto r = runScript(c.script, d.path().string());
        EXPECT_EQ(r.exitCode, c.exit) << c.script;
        EXPECT_EQ(logBody(d.path().string()), c.log) << c.script;
    }
}

TEST_F(ScriptRunTest, ProtocolNames) {
    EXPECT_EQ(runScript("set_auth eap-peap\nset_auth Eap-Ttls\nset_auth leap\nset_auth EAP-TLS\n"
                        "set_inner_auth pap\nset_inner_auth CHAP\nset_inner_auth mschap\n"
                        "set_inner_auth MSCHAPV2\nset_inner_auth eap-gtc\n"
                        "set_inner_auth EAP-MSCHAPv2\nset_inner_auth eap-md5-challenge\n",
                        cwd())
                  .exitCode,
              0);
    for (const char* shortName : {"GTC", "MD5-Challenge", "PEAP"}) {
        TempDir d;
        auto r = runScript(std::string("set_inner_auth ") + shortName + "\n", d.path().string());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(logBody(d.path().string()),
                  "Error on line 1: Bad inner auth type (expected PAP, CHAP, MSCHAP, MSCHAPv2, "
                  "EAP-GTC, EAP-MSCHAPv2, or EAP-MD5-Challenge).\n");
    }
}

TEST_F(ScriptRunTest, SaveChecksProtocolsAndCertificatesBeforeWriting) {
    struct Case {
        std::string script;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"new\nset_auth EAP-PEAP\nset_inner_auth PAP\nsave out.odb\n",
         "Error on line 4: Bad inner auth type (expected PAP, CHAP, MSCHAP, MSCHAPv2, EAP-GTC, "
         "EAP-MSCHAPv2, or EAP-MD5-Challenge).\n"},
        {"new\nsave out.odb\n",
         "Error on line 2: You must specify at least one CA certificate for server "
         "authentication.\n"},
        {"new\nset_auth EAP-TTLS\nsave out.odb\n",
         "Error on line 3: You must specify at least one CA certificate for server "
         "authentication.\n"},
        {"new\nset_auth EAP-PEAP\nset_inner_auth MSCHAPv2\nsave out.odb\n",
         "Error on line 4: You must specify at least one CA certificate for server "
         "authentication.\n"},
    };
    for (const Case& c : cases) {
        TempDir d;
        auto r = runScript(c.script, d.path().string());
        EXPECT_EQ(r.exitCode, 1) << c.script;
        EXPECT_EQ(logBody(d.path().string()), c.log) << c.script;
        EXPECT_FALSE(std::filesystem::exists(d.file("out.odb")));
    }
}

TEST_F(ScriptRunTest, ImportConfigReplacesTheProfileAndLogsWhatTheDeviceCannotHold) {
    std::filesystem::copy_file(test::dataFile("eap-config/first-unsupported.eap-config"),
                               dir.file("legacy.eap-config"));
    auto r = runScript("new\nset_name Old\nimport_config legacy.eap-config\nsave leap.odb\n"
                       "import_config missing.eap-config\nsave never.odb\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()),
              "Provider Configuration: WARNING! The file names the authentication servers but "
              "gives no CA certificate: the device cannot check the server it sends the password "
              "to.\n"
              "Provider Configuration: The device profile cannot hold these settings of the "
              "provider configuration, so the device will not enforce them:\n"
              "Provider Configuration: - Server names (ServerID): leap.example.org\n"
              "Provider Configuration: Authentication methods the device does not support, "
              "skipped: EAP-pwd, EAP-TTLS (inner: EAP-pwd)\n"
              "Saved profile database: leap.odb\n"
              "Error on line 5: Failed to import provider configuration.\n"
              "ERROR: Provider Configuration - The file cannot be read.\n");
    // The saved profile is the imported one: LEAP with the file's user name, no old name.
    Profile saved;
    saved.filePath.assign(dir.file("leap.odb"));
    ASSERT_EQ(saved.loadProfileDatabase(), StatusCode::Success);
    EXPECT_EQ(saved.authProtocol, Leap);
    EXPECT_EQ(saved.username.str(), "bob");
    EXPECT_EQ(saved.password.str(), "secret");
    EXPECT_EQ(saved.profileName.str(), "legacy.example.org");
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.odb")));
}

TEST_F(ScriptRunTest, RemoveAndClearCertificates) {
    auto r = runScript("new\nclear_client_cert_pkey\nremove_ca_cert 0\n", cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()), "Error on line 3: Failed to remove ca certificate.\n");
    TempDir d;
    runScript("remove_ca_cert x\n", d.path().string());
    EXPECT_EQ(logBody(d.path().string()), "Error on line 1: Failed to remove ca certificate.\n");
}

TEST_F(ScriptRunTest, AHashAlwaysStartsAComment) {
    auto r = runScript("set_password \"pass#word\" extra words\n", cwd());
    EXPECT_EQ(r.exitCode, 0); // the line is: set_password "pass
}

TEST_F(ScriptRunTest, MissingScriptStillGetsItsHeader) {
    auto r = runCorvane({"no-such-script.txt"}, cwd());
    EXPECT_EQ(r.exitCode, 1);
    const std::string log = readTextFile(dir.file("wizard.log"));
    EXPECT_TRUE(log.starts_with("\n--- no-such-script.txt [")) << log;
    EXPECT_TRUE(log.ends_with("] ---\nFailed to open script file: no-such-script.txt\n")) << log;
}

TEST_F(ScriptRunTest, FolderAsScriptCannotBeOpened) {
    std::filesystem::create_directory(dir.file("folder.txt"));
    auto r = runCorvane({"folder.txt"}, cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        readTextFile(dir.file("wizard.log")).ends_with("Failed to open script file: folder.txt\n"));
}

TEST_F(ScriptRunTest, UnquotedPathWithSpacesIsOnePath) {
    test::writeFile(dir.file("my script.txt"), "bogus\n");
    auto r = runCorvane({"my", "script.txt"}, cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(readTextFile(dir.file("wizard.log")).starts_with("\n--- my script.txt ["));
    EXPECT_EQ(logBody(cwd()), "Error on line 1: Unknown command\n");
    TempDir other;
    test::writeFile(other.file("my script.txt"), "new\n");
    EXPECT_EQ(runCorvane({"\"my script.txt\""}, other.path().string()).exitCode, 0);
    // Text after the closing quote stays part of the path.
    EXPECT_EQ(runCorvane({"\"my script.txt\" more"}, other.path().string()).exitCode, 1);
}

TEST_F(ScriptRunTest, CrLfLineEndsAreAccepted) {
    auto r = runScript("new\r\nset_name Office\r\nset_auth LEAP\r\nbogus\r\n", cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()), "Error on line 4: Unknown command\n");
}

TEST_F(ScriptRunTest, LongLinesAreReadInPiecesOf1023) {
    // 1023 spaces fill the first piece; the rest of the physical line is line 2.
    auto r = runScript(std::string(1023, ' ') + "bogus\nnew\n", cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()), "Error on line 2: Unknown command\n");
    TempDir d;
    auto r2 = runScript("set_username " + std::string(5000, 'u') + "\n", d.path().string());
    EXPECT_EQ(r2.exitCode, 1);
}

TEST_F(ScriptRunTest, BinaryAndNulBytesNeverCrash) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    auto r = runScript(binary, cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(logBody(cwd()).starts_with("Error on line ")) << logBody(cwd());

    TempDir e;
    auto r3 = runScript(std::string("ne\0w\n", 5), e.path().string());
    EXPECT_EQ(logBody(e.path().string()), "Error on line 1: Unknown command\n");
}

TEST_F(ScriptRunTest, UnwritableFolderStillReportsOnTheTerminal) {
    // Nothing can create files in /proc, not even root.
    test::writeFile(dir.file("s.txt"), "bogus\n");
    auto r = runCorvane({dir.file("s.txt")}, "/proc");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Error on line 1: Unknown command\n"), std::string::npos);
    EXPECT_NE(r.err.find("wizard.log"), std::string::npos);
}

TEST_F(ScriptRunTest, GermanLocaleLogsGermanMessages) {
    const std::map<std::string, std::string> german = {
        {"LANG", "de_DE.UTF-8"}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}};
    auto r = runScript("NEW\nset_auth leap\nset_name\n", cwd(), german);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()), "Fehler in Zeile 3: erwartet \"set_name <Profilname>\"\n");
    TempDir d;
    runScript("bogus\n", d.path().string(), german);
    EXPECT_EQ(logBody(d.path().string()), "Fehler in Zeile 1: Unbekannter Befehl\n");
    TempDir e;
    runScript("bogus\n", e.path().string(), {{"LANG", "fr_FR.UTF-8"}, {"LC_ALL", ""}});
    EXPECT_EQ(logBody(e.path().string()), "Error on line 1: Unknown command\n");
}

TEST_F(ScriptRunTest, ModuleInTheCurrentFolderIsNeverLoaded) {
    std::filesystem::copy_file(std::string(CORVANE_BINARY_DIR) + "/Corvane_deDE.so",
                               dir.file("Corvane_ptPT.so"));
    runScript("bogus\n", cwd(), {{"LANG", "pt_PT.UTF-8"}, {"LC_ALL", ""}});
    EXPECT_EQ(logBody(cwd()), "Error on line 1: Unknown command\n");
}

TEST_F(ScriptRunTest, WindowModeWithoutADisplaySaysSoAndFails) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"profile.odb"}, {"PROFILE.ODB"}, {"backup.odbx"}}) {
        auto r = runCorvane(args, cwd());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(std::filesystem::exists(dir.file("wizard.log")));
    }
}

TEST_F(ScriptRunTest, ScriptModeForAnyOtherExtension) {
    for (const char* name : {"make.txt", "noextension", "x.od"}) {
        TempDir d;
        test::writeFile(d.file(name), "new\n");
        EXPECT_EQ(runCorvane({name}, d.path().string()).exitCode, 0) << name;
        EXPECT_TRUE(std::filesystem::exists(d.file("wizard.log"))) << name;
    }
}

} // namespace
} // namespace corvane

namespace corvane {
namespace {

TEST(ProgramLinkTest, ScriptModeLoadsNoGuiLibrary) {
    const std::string output = test::commandOutput(std::string("ldd ") + CORVANE_EXECUTABLE);
    EXPECT_NE(output.find("libcrypto"), std::string::npos) << output;
    EXPECT_EQ(output.find("Qt"), std::string::npos) << output;
    EXPECT_EQ(output.find("libX11"), std::string::npos) << output;
}

} // namespace
} // namespace corvane
