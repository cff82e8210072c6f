// Certificate commands run through the built program: wizard.log, exit codes and what a saved
// profile database holds afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include "cert_test_support.h"
#include "profile/profile.h"

namespace corvane {
namespace {

using test::certFile;
using test::kKeyPassword;
using test::kP12Password;
using test::logBody;
using test::runScript;

const std::string kAddCaLine = "Failed to add ca certificate.";
const std::string kSetClientLine = "Failed to set client certificate / private key.";
const std::string kAddCaption = "Add Certificate Failed";
const std::string kSaveCaption = "Client Certificate / Private Key Validation Error";

std::string lineError(int line, const std::string& message) {
    return "Error on line " + std::to_string(line) + ": " + message + "\n";
}
std::string report(const std::string& caption, const std::string& text) {
    return "ERROR: " + caption + " - " + text + "\n";
}

class CertScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }
    std::string cwd() const { return dir.path().string(); }
    std::string path(const std::string& name) const { return dir.file(name); }

    // Loads a saved database into a fresh profile.
    std::unique_ptr<Profile> load(const std::string& name) {
        auto profile = std::make_unique<Profile>();
        profile->filePath.assign(path(name));
        EXPECT_EQ(profile->loadProfileDatabase(), StatusCode::Success);
        return profile;
    }
    test::TempDir dir;
};

struct FailureCase {
    const char* label;
    std::string script; // the certificate command is the script's last line
    int line;
    bool client;
    std::string text;
    int exitCode;
};

TEST_F(CertScript, EveryImportStatusReachableFromAScript) {
    const std::string p12Password = "set_pkpassword " + kP12Password + "\n";
    const std::vector<FailureCase> cases{
        {"missing file", "add_ca_cert " + path("nothing.der") + "\n", 1, false,
         "File does not exist.", 1},
        {"wrong password",
         "set_pkpassword wrong\nset_client_cert_pkey " + certFile("client.p12") + "\n", 2, true,
         "The password for your client certificate / private key appears to be incorrect.", 1},
        {"wrong PEM key password",
         "set_pkpassword wrong\nset_client_cert_pkey " + certFile("client-enc-trad.pem") + "\n", 2,
         true, "The password for your client certificate / private key appears to be incorrect.",
         1},
        {"not yet valid", "add_ca_cert " + certFile("future.der") + "\n", 1, false,
         "WARNING! Certificate is not yet valid.", 0},
        {"expired", "add_ca_cert " + certFile("expired.pem") + "\n", 1, false,
         "WARNING! Certificate is expired.", 0},
        {"no certificate",
         p12Password + "set_client_cert_pkey " + certFile("client-nocerts.p12") + "\n", 2, true,
         "File does not contain a certificate.", 1},
        {"no key", "set_client_cert_pkey " + certFile("client-cert-only.pem") + "\n", 1, true,
         "File does not contain a private key.", 1},
        {"no key in bundle",
         p12Password + "set_client_cert_pkey " + certFile("client-nokeys.p12") + "\n", 2, true,
         "File does not contain a private key.", 1},
        {"key only", "set_client_cert_pkey " + certFile("client-key-only.pem") + "\n", 1, true,
         "Unsupported or unknown certificate format.", 1},
        {"bundle as CA", "add_ca_cert " + certFile("client.p12") + "\n", 1, false,
         "Format is not supported for CA certificates.", 1},
        {"PKCS#7 as CA", "add_ca_cert " + certFile("bundle.p7b") + "\n", 1, false,
         "Format is not supported for CA certificates.", 1},
        {"DER as client", "set_client_cert_pkey " + certFile("ca.der") + "\n", 1, true,
         "Format is not supported for client certificate / private key files.", 1},
        {"duplicate",
         "add_ca_cert " + certFile("ca.der") + "\nadd_ca_cert " + certFile("ca.crt") + "\n", 2,
         false, "Certificate is already in the list.", 0},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.label);
        test::TempDir run;
        auto r = runScript(c.script, run.path().string());
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(logBody(run.path().string()),
                  lineError(c.line, c.client ? kSetClientLine : kAddCaLine) +
                      report(kAddCaption, c.text));
    }
}

TEST_F(CertScript, ErrorsStopTheScriptWarningsDoNot) {
    auto r = runScript("add_ca_cert " + certFile("expired.der") + "\n" + "add_ca_cert " +
                           certFile("expired.der") + "\n" + "add_ca_cert " +
                           certFile("random-does-not-exist") + "\n" + "bogus\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()),
              lineError(1, kAddCaLine) + report(kAddCaption, "WARNING! Certificate is expired.") +
                  lineError(2, kAddCaLine) +
                  report(kAddCaption, "Certificate is already in the list.") +
                  lineError(3, kAddCaLine) + report(kAddCaption, "File does not exist."));
}

TEST_F(CertScript, SuccessfulImportsWriteNothing) {
    auto r = runScript("new\nadd_ca_cert " + certFile("ca.der") + "\nadd_ca_cert \"" +
                           certFile("two-certs.pem") + "\"\nset_pkpassword " + kKeyPassword +
                           "\nset_client_cert_pkey " + certFile("client-enc-pkcs8.pem") +
                           "\nset_client_cert_pkey " + certFile("client-plain-rsa.pem") + "\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), "");
}

TEST_F(CertScript, WorkedExampleSavesTheExpiredCertificate) {
    auto r = runScript("new\nset_name Office\nset_auth EAP-PEAP\nset_inner_auth MSCHAPv2\n"
                       "add_ca_cert " +
                           certFile("expired.der") + "\nsave office.odb\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), lineError(5, kAddCaLine) +
                                  report(kAddCaption, "WARNING! Certificate is expired.") +
                                  "Saved profile database: office.odb\n");
    auto profile = load("office.odb");
    EXPECT_EQ(profile->authProtocol, EapPeap);
    EXPECT_EQ(profile->innerAuthProtocol, EapMschapV2);
    ASSERT_EQ(profile->caCertificates.count(), 1u);
    const CertificateEntry& ca = *profile->caCertificates.itemAt(0);
    EXPECT_EQ(ca.format, CertificateFormat::Der);
    EXPECT_EQ(ca.bytes.view(), test::certBytes("expired.pem"));
    EXPECT_EQ(ca.fileName.str(), "expired.der");
    EXPECT_EQ(ca.subject.str(), "Expired Server");
    EXPECT_EQ(ca.issuer.str(), "Corvane Test CA");
    EXPECT_EQ(ca.notAfter.year, 2001);
    EXPECT_EQ(ca.notBefore.year, 2000);
}

// A loaded client record that names a file and carries dates but no certificate bytes stops
// the save, whatever format code it carries.
TEST_F(CertScript, SaveStopsAtAClientRecordWithoutCertificateBytes) {
    for (CertificateFormat format :
         {CertificateFormat::Unrecognised, CertificateFormat::Pkcs7, CertificateFormat::Pkcs12}) {
        SCOPED_TRACE(static_cast<int>(format));
        std::filesystem::remove(path("wizard.log"));
        Profile profile;
        profile.profileName.assign("Damaged");
        ASSERT_EQ(profile.addCertificate(certFile("ca.pem"), CertificateKind::CaCertificate),
                  StatusCode::Success);
        auto client = std::make_unique<CertificateEntry>();
        client->kind = CertificateKind::ClientCertificate;
        client->format = format;
        client->fileName.assign("client.p12");
        client->notBefore.year = 2020;
        client->notAfter.year = 2040;
        profile.clientCertificate = std::move(client);
        profile.filePath.assign(path("damaged.odb"));
        profile.updateFieldMask();
        ASSERT_EQ(profile.saveProfileDatabase(), StatusCode::Success);

        auto r = runScript("load damaged.odb\nsave out.odb\n", cwd());
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(logBody(cwd()), report(kSaveCaption, "Failed to validate certificate."));
        EXPECT_FALSE(std::filesystem::exists(path("out.odb")));
    }
}

TEST_F(CertScript, SaveCatchesAWrongPasswordSetAfterTheCertificate) {
    auto r = runScript("new\nset_auth EAP-TLS\nadd_ca_cert " + certFile("ca.der") +
                           "\nset_client_cert_pkey " + certFile("client.p12") +
                           "\nset_pkpassword wrong\nsave out.odb\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(logBody(cwd()),
              report(kSaveCaption, "The password for your client certificate / private key "
                                   "appears to be incorrect."));
    EXPECT_FALSE(std::filesystem::exists(path("out.odb")));
}

// The providers are loaded by the first certificate operation; when that is a bundle protected
// with RC2, the legacy one must already be there for it.
TEST_F(CertScript, LegacyBundleAsTheFirstCertificateOpens) {
    auto r = runScript("set_pkpassword " + kP12Password + "\nset_client_cert_pkey " +
                           certFile("client-legacy.p12") + "\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), "");
}

TEST_F(CertScript, SaveDescribesTheClientOnceThePasswordIsKnown) {
    auto r = runScript("new\nset_name Client\nset_auth EAP-TLS\nadd_ca_cert " + certFile("ca.der") +
                           "\nset_client_cert_pkey " + certFile("client-legacy.p12") +
                           "\nsave flagged.odb\nset_pkpassword " + kP12Password +
                           "\nsave described.odb\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), "Saved profile database: flagged.odb\n"
                              "Saved profile database: described.odb\n");
    auto flagged = load("flagged.odb");
    ASSERT_TRUE(flagged->clientCertificate);
    EXPECT_TRUE(flagged->clientCertificate->subject.empty());
    // The flag is not taken from the file; the next check finds it again.
    EXPECT_FALSE(flagged->clientCertificate->passwordRequired);
    EXPECT_EQ(checkCertificate(*flagged->clientCertificate, ""), StatusCode::Success);
    EXPECT_TRUE(flagged->clientCertificate->passwordRequired);
    EXPECT_EQ(flagged->clientCertificate->bytes.view(), test::certBytes("client-legacy.p12"));
    EXPECT_EQ(flagged->clientCertificate->format, CertificateFormat::Pkcs12);

    auto described = load("described.odb");
    ASSERT_TRUE(described->clientCertificate);
    EXPECT_FALSE(described->clientCertificate->passwordRequired);
    EXPECT_EQ(described->clientCertificate->subject.str(), "Client RSA");
    EXPECT_EQ(described->privateKeyPassword.str(), kP12Password);
    // The loaded entry opens again with the stored password.
    EXPECT_EQ(checkCertificate(*described->clientCertificate, described->privateKeyPassword.str()),
              StatusCode::Success);
}

TEST_F(CertScript, SaveReportsAClientValidityWarningAndGoesOn) {
    auto r = runScript("new\nset_auth EAP-TLS\nadd_ca_cert " + certFile("ca.pem") +
                           "\nset_client_cert_pkey " + certFile("client-expired-plain.pem") +
                           "\nsave out.odb\n",
                       cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), lineError(4, kSetClientLine) +
                                  report(kAddCaption, "WARNING! Certificate is expired.") +
                                  report(kSaveCaption, "WARNING! Certificate is expired.") +
                                  "Saved profile database: out.odb\n");
    EXPECT_TRUE(std::filesystem::exists(path("out.odb")));
}

// --- Debian's CA collection ------------------------------------------------------------------

// The display name computed a second way: one pass over the name's entries, ranking each by
// its attribute type.
std::string expectedDisplayName(const X509_NAME* name, const std::vector<int>& order) {
    int bestRank = static_cast<int>(order.size());
    std::string best = "unknown";
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        const int nid = OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry));
        const int rank =
            static_cast<int>(std::find(order.begin(), order.end(), nid) - order.begin());
        if (rank >= bestRank)
            continue;
        const ASN1_STRING* data = X509_NAME_ENTRY_get_data(entry);
        std::string bytes(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                          static_cast<std::size_t>(ASN1_STRING_length(data)));
        bytes = bytes.substr(0, std::min<std::size_t>(bytes.find('\0'), 255));
        if (bytes.empty())
            continue;
        bestRank = rank;
        best = bytes;
    }
    return best;
}

TEST_F(CertScript, EveryCertificateOfTheDebianCollection) {
    const std::filesystem::path collection = "/usr/share/ca-certificates/mozilla";
    if (!std::filesystem::is_directory(collection))
        GTEST_SKIP() << "the ca-certificates package is not installed";
    std::vector<std::string> files;
    for (const auto& f : std::filesystem::directory_iterator(collection))
        if (f.path().extension() == ".crt") {
            // UTF-8, as the program takes paths; some names are not ASCII.
            const std::u8string name = f.path().u8string();
            files.emplace_back(name.begin(), name.end());
        }
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 100u);

    const int firstLine = 5;
    std::string script = "new\nset_name Collection\nset_auth EAP-TTLS\nset_inner_auth PAP\n";
    std::string expectedLog;
    std::vector<std::string> storedFiles;
    std::map<std::string, bool> seen;
    const std::time_t now = std::time(nullptr);
    for (std::size_t i = 0; i < files.size(); ++i) {
        script += "add_ca_cert \"" + files[i] + "\"\n";
        const std::string bytes = test::readFile(files[i]);
        const int line = firstLine + static_cast<int>(i);
        // The collection is PEM text; a file is a duplicate only when its text is identical.
        if (seen[bytes]) {
            expectedLog += lineError(line, kAddCaLine) +
                           report(kAddCaption, "Certificate is already in the list.");
            continue;
        }
        seen[bytes] = true;
        storedFiles.push_back(files[i]);
        BIO* bio = BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size()));
        test::X509Owner cert(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
        BIO_free(bio);
        ASSERT_TRUE(cert) << files[i];
        std::time_t t = now;
        if (X509_cmp_time(X509_get0_notBefore(cert.get()), &t) > 0)
            expectedLog += lineError(line, kAddCaLine) +
                           report(kAddCaption, "WARNING! Certificate is not yet valid.");
        else if (X509_cmp_time(X509_get0_notAfter(cert.get()), &t) < 0)
            expectedLog += lineError(line, kAddCaLine) +
                           report(kAddCaption, "WARNING! Certificate is expired.");
    }
    script += "save all.odb\n";
    expectedLog += "Saved profile database: all.odb\n";

    auto r = runScript(script, cwd());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(logBody(cwd()), expectedLog);

    auto profile = load("all.odb");
    ASSERT_EQ(profile->caCertificates.count(), storedFiles.size());
    const std::vector<int> subjectOrder{NID_commonName, NID_surname, NID_organizationName,
                                        NID_organizationalUnitName};
    const std::vector<int> issuerOrder{NID_commonName, NID_organizationName,
                                       NID_organizationalUnitName, NID_surname};
    for (std::size_t i = 0; i < storedFiles.size(); ++i) {
        SCOPED_TRACE(storedFiles[i]);
        const CertificateEntry& entry = *profile->caCertificates.itemAt(i);
        const std::string bytes = test::readFile(storedFiles[i]);
        EXPECT_EQ(entry.bytes.view(), bytes);
        EXPECT_EQ(entry.format, CertificateFormat::Pem);
        EXPECT_EQ(entry.fileName.str(),
                  storedFiles[i].substr(storedFiles[i].find_last_of("/\\") + 1));
        BIO* bio = BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size()));
        test::X509Owner cert(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr));
        BIO_free(bio);
        ASSERT_TRUE(cert);
        EXPECT_EQ(entry.subject.str(),
                  expectedDisplayName(X509_get_subject_name(cert.get()), subjectOrder));
        EXPECT_EQ(entry.issuer.str(),
                  expectedDisplayName(X509_get_issuer_name(cert.get()), issuerOrder));
        std::tm notAfter{};
        ASSERT_EQ(ASN1_TIME_to_tm(X509_get0_notAfter(cert.get()), &notAfter), 1);
        EXPECT_EQ(entry.notAfter.year, notAfter.tm_year + 1900);
        EXPECT_EQ(entry.notAfter.month, notAfter.tm_mon + 1);
        EXPECT_EQ(entry.notAfter.day, notAfter.tm_mday);
    }
}

} // namespace
} // namespace corvane
