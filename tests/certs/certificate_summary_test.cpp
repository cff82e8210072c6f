// Certificate details for tooltips, checked against what the openssl tool itself reports.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

#include <openssl/err.h>

#include "certs/cert_test_support.h"
#include "certs/certificate_summary.h"

namespace corvane {
namespace {

using test::certFile;

using test::commandOutput;

// The text after "<key>=" or "<key>: " on the first line that has it.
std::string field(const std::string& text, const std::string& key) {
    const auto at = text.find(key);
    if (at == std::string::npos)
        return {};
    const auto start = at + key.size();
    return text.substr(start, text.find('\n', start) - start);
}

std::string withoutColons(std::string text) {
    std::erase(text, ':');
    return text;
}

struct Expected {
    std::string subject, issuer, serial, fingerprint, notBefore, notAfter, signature, keyType;
    int keyBits = 0;
};

// What the tool says about the certificate that `source` prints as PEM.
Expected fromOpensslTool(const std::string& source) {
    const std::string facts =
        commandOutput(source + " | openssl x509 -noout -subject -issuer -serial -fingerprint "
                               "-sha256 -dates -dateopt iso_8601 -nameopt RFC2253,-esc_msb");
    const std::string text = commandOutput(source + " | openssl x509 -noout -text");
    Expected e;
    e.subject = field(facts, "subject=");
    e.issuer = field(facts, "issuer=");
    e.serial = field(facts, "serial=");
    e.fingerprint = field(facts, "Fingerprint=");
    // "2026-12-08 17:22:28Z" -> "2026-12-08 17:22:28 UTC"
    e.notBefore = field(facts, "notBefore=");
    e.notAfter = field(facts, "notAfter=");
    for (std::string* date : {&e.notBefore, &e.notAfter})
        if (!date->empty() && date->back() == 'Z')
            *date = date->substr(0, date->size() - 1) + " UTC";
    e.signature = field(text, "Signature Algorithm: ");
    const std::string bits = field(text, "Public-Key: (");
    e.keyBits = std::atoi(bits.c_str());
    const std::string algorithm = field(text, "Public Key Algorithm: ");
    e.keyType = algorithm == "rsaEncryption" ? "RSA" : "EC (" + field(text, "ASN1 OID: ") + ")";
    return e;
}

TEST(CertificateSummaryTest, AgreesWithTheOpensslTool) {
    struct Case {
        const char* file;
        CertificateFormat format;
        std::string password;
        std::string toolSource; // prints the certificate as PEM
    };
    const std::string pass = test::kP12Password;
    const Case cases[] = {
        {"ca.pem", CertificateFormat::Pem, "", "cat " + certFile("ca.pem")},
        {"ca.der", CertificateFormat::Der, "",
         "openssl x509 -inform DER -in " + certFile("ca.der")},
        {"client-plain-rsa.pem", CertificateFormat::Pem, "",
         "cat " + certFile("client-plain-rsa.pem")},
        {"client-key-first.pem", CertificateFormat::Pem, "",
         "cat " + certFile("client-key-first.pem")},
        {"client-enc-pkcs8.pem", CertificateFormat::Pem, "",
         "cat " + certFile("client-enc-pkcs8.pem")},
        {"client.p12", CertificateFormat::Pkcs12, pass,
         "openssl pkcs12 -in " + certFile("client.p12") + " -nokeys -clcerts -passin pass:" + pass},
        {"name-utf8.pem", CertificateFormat::Pem, "", "cat " + certFile("name-utf8.pem")},
        {"expired.pem", CertificateFormat::Pem, "", "cat " + certFile("expired.pem")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto entry = test::entryFor(c.file, CertificateKind::CaCertificate, c.format);
        const std::optional<CertificateSummary> summary = summarizeCertificate(*entry, c.password);
        ASSERT_TRUE(summary.has_value());
        const Expected e = fromOpensslTool(c.toolSource);
        ASSERT_FALSE(e.subject.empty()) << "the openssl tool gave nothing";
        EXPECT_EQ(summary->subject, e.subject);
        EXPECT_EQ(summary->issuer, e.issuer);
        EXPECT_EQ(withoutColons(summary->serialNumber), e.serial);
        EXPECT_EQ(summary->sha256Fingerprint, e.fingerprint);
        EXPECT_EQ(summary->validFrom, e.notBefore);
        EXPECT_EQ(summary->validUntil, e.notAfter);
        EXPECT_EQ(summary->signatureAlgorithm, e.signature);
        EXPECT_EQ(summary->keyType, e.keyType);
        EXPECT_EQ(summary->keyBits, e.keyBits);
        EXPECT_EQ(ERR_peek_error(), 0u);
    }
}

TEST(CertificateSummaryTest, NothingForWhatCannotBeRead) {
    struct Case {
        std::string bytes;
        CertificateFormat format;
        std::string password;
    };
    const Case cases[] = {
        {test::certBytes("client.p12"), CertificateFormat::Pkcs12, "wrong"},
        {test::certBytes("client.p12"), CertificateFormat::Pkcs12, ""},
        {test::certBytes("client-key-only.pem"), CertificateFormat::Pem, ""},
        {"not a certificate", CertificateFormat::Pem, ""},
        {"", CertificateFormat::Der, ""},
        {test::certBytes("ca.der").substr(0, 100), CertificateFormat::Der, ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        auto entry = test::entryFromBytes(c.bytes, CertificateKind::ClientCertificate, c.format);
        EXPECT_FALSE(summarizeCertificate(*entry, c.password).has_value());
        EXPECT_EQ(ERR_peek_error(), 0u);
    }
}

} // namespace
} // namespace corvane
