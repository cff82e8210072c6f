// corvane --show and --check run as an administrator or a pipeline runs them.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "app/examine.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::runCorvane;
using test::TempDir;

// Standard output without the carriage returns a Windows console stream adds.
std::string text(std::string out) {
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    return out;
}

class InspectTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"intermediate.pem", "private-root.pem"})
            test::writeFile(dir.file(name), test::readFile(test::dataFile("advisories/") + name));
        // A EAP-TTLS profile that sends the user's name in clear, holds an intermediate without
        // its root, and a password in UTF-8 ("pässwort").
        const auto run = test::runScript("new\n"
                                         "set_name Office\n"
                                         "set_auth EAP-TTLS\n"
                                         "set_username jdoe@example.org\n"
                                         "set_password p\xC3\xA4sswort\n"
                                         "add_ca_cert intermediate.pem\n"
                                         "save office.odb\n",
                                         cwd());
        ASSERT_EQ(run.exitCode, 0) << run.out;
    }
    std::string cwd() const { return dir.path().string(); }
    TempDir dir;
};

TEST_F(InspectTest, CheckListsAdvisoriesAndExitsByWhatItFound) {
    const std::string log = test::readFile(dir.file("wizard.log"));
    const auto clean = runCorvane({"--check", "private-root.pem"}, cwd());
    EXPECT_EQ(clean.exitCode, kCheckClean) << clean.err;
    EXPECT_EQ(clean.out, "");

    const auto found = runCorvane({"--check", "office.odb", "private-root.pem"}, cwd());
    EXPECT_EQ(found.exitCode, kCheckAdvisories) << found.err;
    const std::string out = text(found.out);
    EXPECT_TRUE(out.starts_with("office.odb: CA-NOT-ROOT: intermediate.pem: ")) << out;
    EXPECT_NE(out.find("\noffice.odb: IDENTITY-IN-CLEAR: "), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;

    const auto missing = runCorvane({"--check", "gone.odb", "office.odb"}, cwd());
    EXPECT_EQ(missing.exitCode, kCheckUnreadable);
    EXPECT_EQ(text(missing.out), out);
    EXPECT_NE(missing.err.find("gone.odb: File does not exist."), std::string::npos) << missing.err;
    // Nothing of this goes to the script log.
    EXPECT_EQ(test::readFile(dir.file("wizard.log")), log);
}

TEST_F(InspectTest, ShowPrintsTheProfileWithoutItsSecrets) {
    const auto shown = runCorvane({"--show", "office.odb", "private-root.pem"}, cwd());
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    const std::string out = text(shown.out);
    for (const char* line :
         {"office.odb\n  Database name: QNRX_Office\n", "\n  Outer protocol: EAP-TTLS\n",
          "\n  Tunneled protocol: PAP\n", "\n  User name: jdoe@example.org\n",
          "\n  Password: set\n", "\n  Private key password: not set\n",
          "\n  CA certificate 1: intermediate.pem\n    Subject: O=Corvane Tests,CN=Private "
          "Intermediate\n",
          "\n  Client certificate: none\n", "\n  Advisories:\n    CA-NOT-ROOT: ",
          "\n  Notes:\n    The password holds UTF-8 sequences",
          "\n\nprivate-root.pem\n  Certificate file (PEM)\n", "\n  No advisories.\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line << " in\n" << out;
    EXPECT_EQ(out.find("sswort"), std::string::npos);

    const auto unreadable = runCorvane({"--show", "office.odb", "wizard.log"}, cwd());
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_NE(unreadable.err.find("wizard.log: "), std::string::npos);
}

TEST_F(InspectTest, JsonParsesBackWithItsDocumentedKeys) {
    const auto shown =
        runCorvane({"--show", "--json", "--secrets", "office.odb", "gone.pem"}, cwd());
    EXPECT_EQ(shown.exitCode, 1);
    const nlohmann::json files = nlohmann::json::parse(shown.out);
    ASSERT_EQ(files.size(), 2u);
    const auto& office = files[0];
    EXPECT_EQ(office["kind"], "database");
    EXPECT_EQ(office["database"]["name"], "QNRX_Office");
    EXPECT_TRUE(office["database"]["lastBackup"].is_null());
    EXPECT_EQ(office["profile"]["innerProtocol"], "PAP");
    // The device reads the UTF-8 bytes as Windows-1252.
    EXPECT_EQ(office["profile"]["password"], "p\xC3\x83\xC2\xA4sswort");
    EXPECT_EQ(office["caCertificates"][0]["fileName"], "intermediate.pem");
    const auto& certificate = office["caCertificates"][0]["certificates"][0];
    EXPECT_EQ(certificate["validFrom"], "2020-01-01T00:00:00Z");
    EXPECT_EQ(certificate["keyBits"], 256);
    EXPECT_EQ(certificate["sha256Fingerprint"].get<std::string>().size(), 95u);
    EXPECT_TRUE(office["clientCertificate"].is_null());
    ASSERT_EQ(office["advisories"].size(), 2u);
    EXPECT_EQ(office["advisories"][0]["code"], "CA-NOT-ROOT");
    EXPECT_EQ(office["advisories"][0]["certificate"], "intermediate.pem");
    EXPECT_TRUE(office["advisories"][1]["certificate"].is_null());
    EXPECT_EQ(office["notes"].size(), 1u);
    EXPECT_EQ(files[1]["file"], "gone.pem");
    EXPECT_TRUE(files[1].contains("error"));
}

TEST(InspectParseTest, OptionsAndFiles) {
    EXPECT_FALSE(parseInspectRequest({"script.txt"}).matched);
    const InspectParse show = parseInspectRequest({"--show", "--json", "a.odb", "--", "--b"});
    ASSERT_TRUE(show.request);
    EXPECT_TRUE(show.request->json);
    EXPECT_EQ(show.request->files, (std::vector<std::string>{"a.odb", "--b"}));
    EXPECT_FALSE(parseInspectRequest({"--check", "--json", "a.odb"}).request);
    EXPECT_FALSE(parseInspectRequest({"--check"}).request);
}

} // namespace
} // namespace corvane
