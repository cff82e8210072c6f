#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/eap_config.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using E = ConfigImportError;
using S = StatusCode;

std::string configFile(const std::string& name) {
    return test::dataFile("eap-config/" + name);
}

// The client's PKCS#12 file in base64, as the TLS configuration carries it.
std::string p12Base64() {
    const std::string text = test::readFile(configFile("tls-p12.eap-config"));
    const auto start = text.find('>', text.find("<ClientCertificate")) + 1;
    return text.substr(start, text.find("</ClientCertificate>") - start);
}

// One provider around the given authentication method, with what follows the methods.
std::string provider(const std::string& method, const std::string& after = "") {
    return "<EAPIdentityProviderList><EAPIdentityProvider ID=\"x.example\">"
           "<AuthenticationMethods><AuthenticationMethod>" +
           method + "</AuthenticationMethod></AuthenticationMethods>" + after +
           "</EAPIdentityProvider></EAPIdentityProviderList>";
}

class EapConfigTest : public ::testing::Test {
protected:
    ConfigImport import(const std::string& path, std::string_view language = "en") {
        return importProviderConfiguration(path, profile, language);
    }
    Profile profile;
};

TEST_F(EapConfigTest, PeapWithTwoCasAndAnAnonymousIdentity) {
    const ConfigImport result = import(configFile("peap-two-cas.eap-config"));
    ASSERT_TRUE(result.imported()) << configImportErrorText(result);
    EXPECT_EQ(profile.authProtocol, EapPeap);
    EXPECT_EQ(profile.innerAuthProtocol, EapMschapV2);
    EXPECT_EQ(profile.initialIdentity.str(), "anonymous@example.org");
    EXPECT_TRUE(profile.username.empty());
    EXPECT_EQ(profile.profileName.str(), "Example University Network");
    EXPECT_TRUE(profile.filePath.empty());
    EXPECT_TRUE(profile.modified);

    // The same stored bytes as the certificates added from their DER files.
    ASSERT_EQ(profile.caCertificates.count(), 2u);
    const char* files[] = {"ca.der", "ca2.der"};
    const char* names[] = {"Corvane Test CA.der", "Corvane Second CA.der"};
    for (std::size_t i = 0; i < 2; ++i) {
        Profile direct;
        ASSERT_EQ(direct.addCertificate(test::dataFile("certs/") + files[i],
                                        CertificateKind::CaCertificate),
                  S::Success);
        const CertificateEntry& entry = *profile.caCertificates.itemAt(i);
        EXPECT_EQ(entry.bytes.view(), direct.caCertificates.itemAt(0)->bytes.view());
        EXPECT_EQ(entry.format, direct.caCertificates.itemAt(0)->format);
        EXPECT_EQ(entry.fileName.str(), names[i]);
    }

    EXPECT_EQ(result.serverIds,
              (std::vector<std::string>{"radius1.example.org", "radius2.example.org"}));
    EXPECT_EQ(result.ssids, std::vector<std::string>{"ExampleNet"});
    EXPECT_EQ(result.consortiumIds, std::vector<std::string>{"001bc50460"});
    EXPECT_EQ(result.helpdesk.size(), 3u);
    EXPECT_TRUE(result.termsOfUse);
    EXPECT_EQ(result.otherProviders, std::vector<std::string>{"Example Guests"});
    EXPECT_FALSE(result.serverIdWithoutCa);
    const std::vector<std::string> notice = configImportNotice(result);
    ASSERT_EQ(notice.size(), 7u); // heading, five points, the other provider
    EXPECT_EQ(notice[1], "- Server names (ServerID): radius1.example.org, radius2.example.org");
}

TEST_F(EapConfigTest, DisplayNameInTheUsersLanguageMadeAscii) {
    ASSERT_TRUE(import(configFile("peap-two-cas.eap-config"), "de").imported());
    EXPECT_EQ(profile.profileName.str(), "Universitat Koln-Sud & OEu");
    EXPECT_EQ(profileNameFromDisplayName("  \xC3\x89"
                                         "cole\t\xE6\x9D\xB1\xE4\xBA\xAC  Nord "),
              "Ecole Nord");
    EXPECT_EQ(profileNameFromDisplayName("Stra\xC3\x9F"
                                         "e \xC5\x81\xC3\xB3"
                                         "d\xC5\xBA"),
              "Strasse Lodz");
    // A name without Latin letters leaves nothing: the provider's identifier serves. The
    // credentials are stored in the device's code page.
    test::TempDir folder;
    test::writeFile(folder.file("tokyo.eap-config"),
                    provider("<EAPMethod><Type>25</Type></EAPMethod><InnerAuthenticationMethod>"
                             "<EAPMethod><Type>26</Type></EAPMethod></InnerAuthenticationMethod>"
                             "<ClientSideCredential><UserName>J\u00fcrgen</UserName>"
                             "<Password>p\u00e4sswort\u20ac</Password></ClientSideCredential>",
                             "<ProviderInfo><DisplayName>\xE6\x9D\xB1\xE4\xBA\xAC</DisplayName>"
                             "</ProviderInfo>"));
    ASSERT_TRUE(import(folder.file("tokyo.eap-config")).imported());
    EXPECT_EQ(profile.profileName.str(), "x.example");
    EXPECT_EQ(profile.username.str(), "J\xFCrgen");
    EXPECT_EQ(profile.password.str(), "p\xE4sswort\x80");
}

TEST_F(EapConfigTest, TtlsWithPapUserNameAndEscapedPassword) {
    const ConfigImport result = import(configFile("ttls-pap.eap-config"));
    ASSERT_TRUE(result.imported()) << configImportErrorText(result);
    EXPECT_EQ(profile.authProtocol, EapTtls);
    EXPECT_EQ(profile.innerAuthProtocol, Pap);
    EXPECT_EQ(profile.username.str(), "alice@ttls.example.org");
    EXPECT_EQ(profile.password.str(), "p&ss <word>");
    EXPECT_EQ(profile.initialIdentity.str(), "guest@ttls.example.org");
    // No display name: the provider's identifier names the profile.
    EXPECT_EQ(profile.profileName.str(), "ttls.example.org");
    EXPECT_TRUE(configImportNotice(result).empty());
}

TEST_F(EapConfigTest, TlsWithPkcs12ClientCertificateAndPassphrase) {
    const ConfigImport result = import(configFile("tls-p12.eap-config"));
    ASSERT_TRUE(result.imported()) << configImportErrorText(result);
    EXPECT_EQ(profile.authProtocol, EapTls);
    EXPECT_EQ(profile.privateKeyPassword.str(), "corvane-p12");
    EXPECT_EQ(profile.username.str(), "device-7");
    ASSERT_NE(profile.clientCertificate, nullptr);
    EXPECT_EQ(profile.clientCertificate->format, CertificateFormat::Pkcs12);
    EXPECT_EQ(profile.clientCertificate->bytes.view(),
              test::readFile(test::dataFile("certs/client.p12")));
    EXPECT_FALSE(profile.clientCertificate->passwordRequired);
    EXPECT_EQ(profile.clientCertificate->fileName.str(), "tls.example.org.p12");
    EXPECT_EQ(profile.fieldMask, 0x78);
}

TEST_F(EapConfigTest, HostileAndBrokenFilesAreRefusedAndChangeNothing) {
    const std::string peap = "<EAPMethod><Type>25</Type></EAPMethod>"
                             "<InnerAuthenticationMethod><EAPMethod><Type>26</Type></EAPMethod>"
                             "</InnerAuthenticationMethod>";
    const std::string tls = "<EAPMethod><Type>13</Type></EAPMethod>";
    struct Case {
        const char* name;
        std::string content;
        E error;
        S status = S::Success;
    };
    const Case cases[] = {
        {"entity expansion",
         "<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
         "<EAPIdentityProviderList>&b;</EAPIdentityProviderList>",
         E::Doctype},
        {"external entity",
         "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<EAPIdentityProviderList>&x;</EAPIdentityProviderList>",
         E::Doctype},
        {"5 MiB",
         "<EAPIdentityProviderList>" + std::string(5 << 20, ' ') + "</EAPIdentityProviderList>",
         E::TooLarge},
        {"wrong root", "<html><EAPIdentityProvider/></html>", E::WrongRoot},
        {"foreign prefix", "<x:EAPIdentityProviderList xmlns:x=\"urn:x\"/>", E::WrongRoot},
        {"malformed", "<EAPIdentityProviderList><EAPIdentityProvider>", E::Malformed},
        {"no provider", "<EAPIdentityProviderList/>", E::NoProvider},
        {"no supported method", provider("<EAPMethod><Type>43</Type></EAPMethod>"),
         E::NoSupportedMethod},
        {"base64 garbage",
         provider(peap + "<ServerSideCredential><CA>MII!not*base64==</CA></ServerSideCredential>"),
         E::CaNotBase64},
        {"CA not a certificate",
         provider(peap + "<ServerSideCredential><CA>aGVsbG8gd29ybGQK</CA></ServerSideCredential>"),
         E::CaRefused, S::UnknownFormat},
        {"PKCS#12 as CA",
         provider(peap + "<ServerSideCredential><CA>" + p12Base64() +
                  "</CA></ServerSideCredential>"),
         E::CaRefused, S::CaFormatNotSupported},
        {"wrong pass phrase",
         provider(tls + "<ClientSideCredential><ClientCertificate>" + p12Base64() +
                  "</ClientCertificate><Passphrase>wrong</Passphrase></ClientSideCredential>"),
         E::ClientRefused, S::WrongPassword},
        {"character the device cannot store",
         provider(peap + "<ClientSideCredential><UserName>\xC5\x81ukasz</UserName>"
                         "</ClientSideCredential>"),
         E::NotStorable},
        {"identity too long",
         provider(peap + "<ClientSideCredential><OuterIdentity>" + std::string(65, 'a') +
                  "</OuterIdentity></ClientSideCredential>"),
         E::TextTooLong},
    };
    test::TempDir folder;
    for (const Case& c : cases) {
        profile.reset(true);
        profile.profileName.assign("Kept");
        const std::string path = folder.file("case.eap-config");
        test::writeFile(path, c.content);
        const ConfigImport result = import(path);
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.certificateStatus, c.status) << c.name;
        EXPECT_FALSE(configImportErrorText(result).empty()) << c.name;
        EXPECT_EQ(profile.profileName.str(), "Kept") << c.name;
        EXPECT_EQ(profile.caCertificates.count(), 0u) << c.name;
        EXPECT_FALSE(profile.modified) << c.name;
    }
    EXPECT_EQ(import(folder.file("missing.eap-config")).error, E::Unreadable);
}

} // namespace
} // namespace corvane
