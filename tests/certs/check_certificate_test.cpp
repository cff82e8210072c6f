#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <openssl/err.h>

#include "cert_test_support.h"

namespace corvane {
namespace {

using test::certBytes;
using test::entryFor;
using test::entryFromBytes;
using test::kKeyPassword;
using test::kP12Password;
using F = CertificateFormat;
using K = CertificateKind;
using S = StatusCode;

class CertCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }
};

// --- DER -------------------------------------------------------------------------------------

using CertCheckDer = CertCheck;

TEST_F(CertCheckDer, ValidCertificateIsDescribed) {
    auto entry = entryFor("ca.der", K::CaCertificate, F::Der);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_EQ(entry->subject.str(), "Corvane Test CA");
    EXPECT_EQ(entry->issuer.str(), "Corvane Test CA");
    EXPECT_NE(entry->notAfter.year, 0);
    EXPECT_FALSE(entry->passwordRequired);
}

TEST_F(CertCheckDer, ValidityWarningsComeWithTheDescription) {
    auto expired = entryFor("expired.der", K::CaCertificate, F::Der);
    EXPECT_EQ(checkCertificate(*expired, ""), S::Expired);
    EXPECT_EQ(expired->subject.str(), "Expired Server");
    EXPECT_EQ(expired->notAfter.year, 2001);
    auto future = entryFor("future.der", K::CaCertificate, F::Der);
    EXPECT_EQ(checkCertificate(*future, ""), S::NotYetValid);
    EXPECT_EQ(future->notBefore.year, 2081);
}

TEST_F(CertCheckDer, TruncatedCertificateIsUnreadableAndLeavesTheDescription) {
    std::string der = certBytes("ca.der");
    auto entry = entryFromBytes(der.substr(0, der.size() / 2), K::CaCertificate, F::Der);
    entry->subject.assign("kept");
    EXPECT_EQ(checkCertificate(*entry, ""), S::CertificateUnreadable);
    EXPECT_EQ(entry->subject.str(), "kept");
}

// An entry without bytes (a damaged record loaded from a database) fails whatever its format,
// so the check before a save stops instead of writing a client record with no certificate.
TEST_F(CertCheck, EntryWithoutBytesFailsForEveryFormat) {
    for (F format : {F::Der, F::Pkcs12, F::Pem, F::Pkcs7, F::Unrecognised}) {
        for (K kind : {K::ClientCertificate, K::CaCertificate}) {
            auto entry = entryFromBytes("", kind, format);
            entry->fileName.assign("client.p12");
            entry->subject.assign("kept");
            entry->notAfter.year = 2030;
            EXPECT_EQ(checkCertificate(*entry, ""), S::ReaderFailed);
            EXPECT_EQ(checkCertificate(*entry, kP12Password), S::ReaderFailed);
            EXPECT_EQ(entry->subject.str(), "kept");
            EXPECT_FALSE(entry->passwordRequired);
        }
    }
}

TEST_F(CertCheckDer, OtherFormatsAreNotExamined) {
    auto entry = entryFromBytes("not a certificate", K::CaCertificate, F::Pkcs7);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_TRUE(entry->subject.empty());
    entry->format = F::Unrecognised;
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
}

// --- PKCS#12 ---------------------------------------------------------------------------------

using CertCheckPkcs12 = CertCheck;

TEST_F(CertCheckPkcs12, EveryEncryptionOpensWithItsPassword) {
    for (const char* name : {"client.p12", "client-legacy.p12", "client-des.p12"}) {
        SCOPED_TRACE(name);
        auto entry = entryFor(name, K::ClientCertificate, F::Pkcs12);
        EXPECT_EQ(checkCertificate(*entry, kP12Password), S::Success);
        EXPECT_EQ(entry->subject.str(), "Client RSA");
        EXPECT_EQ(entry->issuer.str(), "Corvane Test CA");
        EXPECT_FALSE(entry->passwordRequired);
    }
}

TEST_F(CertCheckPkcs12, WithoutPasswordTheEntryIsFlaggedAndNotDescribed) {
    for (const char* name :
         {"client.p12", "client-legacy.p12", "client-des.p12", "client-nomac.p12"}) {
        SCOPED_TRACE(name);
        auto entry = entryFor(name, K::ClientCertificate, F::Pkcs12);
        EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
        EXPECT_TRUE(entry->passwordRequired);
        EXPECT_TRUE(entry->subject.empty());
        EXPECT_TRUE(entry->issuer.empty());
    }
}

TEST_F(CertCheckPkcs12, WrongPasswordIsReported) {
    for (const char* name :
         {"client.p12", "client-legacy.p12", "client-des.p12", "client-emptypw.p12"}) {
        SCOPED_TRACE(name);
        auto entry = entryFor(name, K::ClientCertificate, F::Pkcs12);
        EXPECT_EQ(checkCertificate(*entry, "not the password"), S::WrongPassword);
        EXPECT_FALSE(entry->passwordRequired);
    }
}

TEST_F(CertCheckPkcs12, BundleWithoutMacOpensWithItsPassword) {
    // Without a MAC the password is proven by decrypting: the right one opens the bundle, a
    // wrong one is reported as such.
    auto entry = entryFor("client-nomac.p12", K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*entry, kP12Password), S::Success);
    EXPECT_FALSE(entry->subject.empty());
    EXPECT_EQ(checkCertificate(*entry, "not the password"), S::WrongPassword);
    EXPECT_FALSE(entry->passwordRequired);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_TRUE(entry->passwordRequired);
}

TEST_F(CertCheckPkcs12, LaterCheckWithThePasswordClearsTheFlag) {
    auto entry = entryFor("client.p12", K::ClientCertificate, F::Pkcs12);
    ASSERT_EQ(checkCertificate(*entry, ""), S::Success);
    ASSERT_TRUE(entry->passwordRequired);
    EXPECT_EQ(checkCertificate(*entry, kP12Password), S::Success);
    EXPECT_FALSE(entry->passwordRequired);
    EXPECT_EQ(entry->subject.str(), "Client RSA");
}

TEST_F(CertCheckPkcs12, EmptyPasswordBundleOpensWithoutOne) {
    auto entry = entryFor("client-emptypw.p12", K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_FALSE(entry->passwordRequired);
    EXPECT_EQ(entry->subject.str(), "Client RSA");
}

TEST_F(CertCheckPkcs12, BundleWithoutCertificate) {
    auto entry = entryFor("client-nocerts.p12", K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*entry, kP12Password), S::NoCertificate);
}

TEST_F(CertCheckPkcs12, BundleWithoutKeyIsDescribedButRefused) {
    auto entry = entryFor("client-nokeys.p12", K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*entry, kP12Password), S::NoPrivateKey);
    EXPECT_EQ(entry->subject.str(), "Client RSA");
}

TEST_F(CertCheckPkcs12, BytesThatAreNoBundle) {
    auto entry = entryFor("ca.der", K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*entry, kP12Password), S::Pkcs12Unreadable);
    std::string p12 = certBytes("client.p12");
    auto truncated =
        entryFromBytes(p12.substr(0, p12.size() - 100), K::ClientCertificate, F::Pkcs12);
    EXPECT_EQ(checkCertificate(*truncated, kP12Password), S::Pkcs12Unreadable);
}

// --- PEM -------------------------------------------------------------------------------------

using CertCheckPem = CertCheck;

TEST_F(CertCheckPem, PlainKeysOfEitherTypeAndOrder) {
    for (const char* name :
         {"client-plain-rsa.pem", "client-plain-ec.pem", "client-key-first.pem"}) {
        SCOPED_TRACE(name);
        auto entry = entryFor(name, K::ClientCertificate, F::Pem);
        EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
        EXPECT_FALSE(entry->passwordRequired);
        EXPECT_EQ(entry->issuer.str(), "Corvane Test CA");
        // A password the key does not need does no harm.
        EXPECT_EQ(checkCertificate(*entry, "unused"), S::Success);
    }
}

TEST_F(CertCheckPem, EncryptedKeysTraditionalAndPkcs8) {
    for (const char* name : {"client-enc-trad.pem", "client-enc-pkcs8.pem"}) {
        SCOPED_TRACE(name);
        auto entry = entryFor(name, K::ClientCertificate, F::Pem);
        EXPECT_EQ(checkCertificate(*entry, kKeyPassword), S::Success);
        EXPECT_FALSE(entry->passwordRequired);
        EXPECT_EQ(checkCertificate(*entry, "wrong"), S::WrongPassword);
        EXPECT_FALSE(entry->passwordRequired);
        // The certificate is readable without the password, so the entry is still described.
        entry->subject.clear();
        EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
        EXPECT_TRUE(entry->passwordRequired);
        EXPECT_FALSE(entry->subject.empty());
    }
}

TEST_F(CertCheckPem, EncryptedKeyWithoutPasswordHidesTheValidityWarning) {
    auto entry = entryFor("client-expired-enc.pem", K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_TRUE(entry->passwordRequired);
    EXPECT_EQ(checkCertificate(*entry, kKeyPassword), S::Expired);
    auto plain = entryFor("client-expired-plain.pem", K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*plain, ""), S::Expired);
}

TEST_F(CertCheckPem, CertificateWithoutKey) {
    auto client = entryFor("client-cert-only.pem", K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*client, ""), S::NoPrivateKey);
    EXPECT_EQ(checkCertificate(*client, "some password"), S::NoPrivateKey);
    EXPECT_EQ(client->subject.str(), "Client RSA");
    // A CA certificate needs no key.
    auto ca = entryFor("client-cert-only.pem", K::CaCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*ca, ""), S::Success);
}

// Only blocks the library reads a key from count as a key: a certificate with an OpenSSH key,
// or with a key under a label the library does not know, holds none, password or not.
TEST_F(CertCheckPem, KeyTheLibraryCannotReadIsNoKey) {
    std::string plain = certBytes("client-plain-ec.pem");
    std::string relabelled = plain;
    for (std::size_t at = 0; (at = relabelled.find("EC PRIVATE KEY", at)) != std::string::npos;)
        relabelled.replace(at, 2, "ED25519");
    ASSERT_NE(relabelled, plain);
    const std::string cases[] = {certBytes("client-openssh-key.pem"), relabelled};
    for (const std::string& bytes : cases) {
        for (const std::string& password : {std::string(), kKeyPassword}) {
            auto entry = entryFromBytes(bytes, K::ClientCertificate, F::Pem);
            EXPECT_EQ(checkCertificate(*entry, password), S::NoPrivateKey);
            EXPECT_FALSE(entry->passwordRequired);
            EXPECT_EQ(entry->subject.str(), bytes == relabelled ? "Client EC" : "Client RSA");
        }
    }
}

TEST_F(CertCheckPem, KeyWithoutCertificate) {
    for (K kind : {K::ClientCertificate, K::CaCertificate}) {
        auto entry = entryFor("client-key-only.pem", kind, F::Pem);
        EXPECT_EQ(checkCertificate(*entry, ""), S::NoCertificate);
        EXPECT_EQ(checkCertificate(*entry, kKeyPassword), S::NoCertificate);
    }
    auto text = entryFromBytes("just some text\n", K::CaCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*text, ""), S::NoCertificate);
    // A key block alone, encrypted, is still no certificate.
    std::string enc = certBytes("client-enc-pkcs8.pem");
    auto keyOnly =
        entryFromBytes(enc.substr(enc.find("-----BEGIN ENCRYPTED")), K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*keyOnly, kKeyPassword), S::NoCertificate);
}

TEST_F(CertCheckPem, OnlyTheFirstOfSeveralCertificatesIsDescribed) {
    auto entry = entryFor("two-certs.pem", K::CaCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*entry, ""), S::Success);
    EXPECT_EQ(entry->subject.str(), "Corvane Test CA");
    auto withText = entryFor("ca-with-text.pem", K::CaCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*withText, ""), S::Success);
    EXPECT_EQ(withText->subject.str(), "Corvane Test CA");
}

// Flips a character of the Base64 body of the first block into one that is not Base64.
std::string corruptFirstBlock(std::string pem) {
    std::size_t body = pem.find('\n', pem.find("-----BEGIN")) + 1;
    pem[body + 10] = '*';
    pem[body + 11] = '!';
    return pem;
}

TEST_F(CertCheckPem, UnreadableCertificateBlock) {
    auto ca = entryFromBytes(corruptFirstBlock(certBytes("ca.pem")), K::CaCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*ca, ""), S::PemCaUnreadable);
    std::string client = corruptFirstBlock(certBytes("client-plain-rsa.pem"));
    auto withPassword = entryFromBytes(client, K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*withPassword, "pw"), S::WrongPassword);
    auto without = entryFromBytes(client, K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*without, ""), S::Success);
    EXPECT_TRUE(without->passwordRequired);
}

TEST_F(CertCheckPem, CheckLeavesNoErrorsQueued) {
    auto entry = entryFor("client-enc-pkcs8.pem", K::ClientCertificate, F::Pem);
    EXPECT_EQ(checkCertificate(*entry, "wrong"), S::WrongPassword);
    EXPECT_EQ(ERR_peek_error(), 0u);
}

// --- many wrong pass phrases -----------------------------------------------------------------

// A wrong pass phrase occasionally decrypts to something with valid padding; whatever the
// library then says, the outcome must stay "wrong password".
std::vector<std::string> wrongPassPhrases(std::size_t count) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> length(1, 24);
    std::uniform_int_distribution<int> printable(0x21, 0x7e);
    std::vector<std::string> result;
    for (std::size_t i = 0; i < count; ++i) {
        std::string p(static_cast<std::size_t>(length(random)), ' ');
        for (char& c : p)
            c = static_cast<char>(printable(random));
        if (p != kKeyPassword && p != kP12Password)
            result.push_back(p);
    }
    return result;
}

class CertWrongPasswordLoop : public ::testing::TestWithParam<std::pair<const char*, F>> {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }
};

TEST_P(CertWrongPasswordLoop, EveryWrongPassPhraseGivesWrongPassword) {
    auto [name, format] = GetParam();
    auto entry = entryFor(name, K::ClientCertificate, format);
    int failures = 0;
    for (const std::string& pass : wrongPassPhrases(320)) {
        StatusCode status = checkCertificate(*entry, pass);
        if (status != S::WrongPassword || entry->passwordRequired) {
            ADD_FAILURE() << "pass phrase '" << pass << "' gave " << toNumber(status);
            if (++failures > 5)
                break;
        }
    }
    // And the file still opens with its own.
    const std::string& right = format == F::Pem ? kKeyPassword : kP12Password;
    EXPECT_EQ(checkCertificate(*entry, right), S::Success);
}

INSTANTIATE_TEST_SUITE_P(Files, CertWrongPasswordLoop,
                         ::testing::Values(std::pair{"client-enc-trad.pem", F::Pem},
                                           std::pair{"client-enc-pkcs8.pem", F::Pem},
                                           std::pair{"client.p12", F::Pkcs12},
                                           std::pair{"client-legacy.p12", F::Pkcs12},
                                           std::pair{"client-des.p12", F::Pkcs12}));

// --- validity and re-encoding ----------------------------------------------------------------

TEST(CertValidity, PeriodAgainstNow) {
    EXPECT_EQ(checkValidityPeriod(test::loadX509("ca.pem").get()), S::Success);
    EXPECT_EQ(checkValidityPeriod(test::loadX509("expired.pem").get()), S::Expired);
    EXPECT_EQ(checkValidityPeriod(test::loadX509("future.pem").get()), S::NotYetValid);
}

TEST(CertConvert, DerToPemMatchesThePemWriterOutput) {
    // ca.pem was written by the openssl tool from the same certificate.
    ByteBuffer der, pem;
    der.assign(certBytes("ca.der"));
    ASSERT_EQ(convertCertificateEncoding(der, F::Der, pem, F::Pem), S::Success);
    EXPECT_EQ(pem.view(), certBytes("ca.pem"));
    // Lines of 64 characters, each ended by a single line feed.
    std::string text(pem.view());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    std::size_t start = text.find('\n') + 1;
    EXPECT_EQ(text.find('\n', start) - start, 64u);
    EXPECT_EQ(text.back(), '\n');
}

TEST(CertConvert, SameFormatIsCopied) {
    ByteBuffer input, output;
    input.assign(std::string_view("anything at all"));
    EXPECT_EQ(convertCertificateEncoding(input, F::Der, output, F::Der), S::Success);
    EXPECT_TRUE(output.equals(input));
}

TEST(CertConvert, UnreadableOrUnsupported) {
    std::string der = certBytes("ca.der");
    ByteBuffer truncated, output;
    truncated.assign(std::string_view(der).substr(0, 40));
    EXPECT_EQ(convertCertificateEncoding(truncated, F::Der, output, F::Pem),
              S::CertificateUnreadable);
    EXPECT_TRUE(output.empty());
    ByteBuffer pem;
    pem.assign(certBytes("ca.pem"));
    EXPECT_EQ(convertCertificateEncoding(pem, F::Pem, output, F::Der), S::ReaderFailed);
    EXPECT_EQ(ERR_peek_error(), 0u);
}

} // namespace
} // namespace corvane

namespace corvane {
namespace {

// A bundle opened once is not derived again when checked with the same password; the answer
// must still follow the password and the bytes of the check at hand.
TEST(CertCheckPkcs12Repeat, RepeatedChecksFollowPasswordAndBytes) {
    auto entry =
        test::entryFromBytes(test::certBytes("client.p12"), CertificateKind::ClientCertificate,
                             CertificateFormat::Pkcs12);
    ASSERT_EQ(checkCertificate(*entry, test::kP12Password), StatusCode::Success);
    const std::string subject = entry->subject.str();
    EXPECT_EQ(checkCertificate(*entry, "wrong"), StatusCode::WrongPassword);
    entry->subject.clear();
    EXPECT_EQ(checkCertificate(*entry, test::kP12Password), StatusCode::Success);
    EXPECT_EQ(entry->subject.str(), subject); // described again
    EXPECT_EQ(checkCertificate(*entry, ""), StatusCode::Success);
    EXPECT_TRUE(entry->passwordRequired);

    std::string damaged = test::certBytes("client.p12");
    damaged[damaged.size() - 40] = static_cast<char>(damaged[damaged.size() - 40] ^ 0x55);
    auto other = test::entryFromBytes(damaged, CertificateKind::ClientCertificate,
                                      CertificateFormat::Pkcs12);
    EXPECT_NE(checkCertificate(*other, test::kP12Password), StatusCode::Success);
}

} // namespace
} // namespace corvane
