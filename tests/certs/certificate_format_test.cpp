#include <gtest/gtest.h>

#include "app/startup.h"

#include <filesystem>

#include <openssl/err.h>

#include "cert_test_support.h"

namespace corvane {
namespace {

using test::certBytes;
using test::certFile;
using F = CertificateFormat;

class CertFormatDetection : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }
    // A fixture's content under another name, to see what the extension changes.
    std::string copyAs(const std::string& fixture, const std::string& name) {
        std::string path = dir.file(name);
        test::writeFile(path, certBytes(fixture));
        return path;
    }
    test::TempDir dir;
};

TEST(CertFormatExtension, KnownExtensionsIgnoringCase) {
    EXPECT_EQ(formatFromExtension("pem"), F::Pem);
    EXPECT_EQ(formatFromExtension("PEM"), F::Pem);
    EXPECT_EQ(formatFromExtension("pfx"), F::Pkcs12);
    EXPECT_EQ(formatFromExtension("P12"), F::Pkcs12);
    EXPECT_EQ(formatFromExtension("der"), F::Der);
    EXPECT_EQ(formatFromExtension("Crt"), F::Der);
    EXPECT_EQ(formatFromExtension("cER"), F::Der);
    EXPECT_EQ(formatFromExtension("p7b"), F::Pkcs7);
    EXPECT_EQ(formatFromExtension("p7c"), F::Unrecognised);
    EXPECT_EQ(formatFromExtension("pem "), F::Unrecognised);
    EXPECT_EQ(formatFromExtension(""), F::Unrecognised);
}

TEST(CertFormatExtension, ExtensionIsAfterTheLastDotOfTheWholePath) {
    EXPECT_EQ(fileExtension("/home/u/ca.tar.PFX").value_or(""), "PFX");
    EXPECT_EQ(fileExtension("/home/u.pem/certificate").value_or(""), "pem/certificate");
    EXPECT_EQ(fileExtension("/home/u/certificate").value_or(""), "");
    EXPECT_EQ(fileExtension("file.").value_or(""), "");
}

TEST_F(CertFormatDetection, DerCertificateUnderEveryName) {
    for (const char* name : {"ca.der", "ca.cer", "ca.crt", "ca-der-content.pem", "ca-noext"})
        EXPECT_EQ(detectCertificateFormat(certFile(name)), F::Der) << name;
    EXPECT_EQ(detectCertificateFormat(copyAs("ca.der", "ca.p7b")), F::Der);
    EXPECT_EQ(detectCertificateFormat(copyAs("ca.der", "ca.p12")), F::Der);
}

TEST_F(CertFormatDetection, PemCertificateUnderEveryName) {
    for (const char* name : {"ca.pem", "ca-pem-content.der", "two-certs.pem", "ca-with-text.pem",
                             "client-plain-rsa.pem", "client-key-first.pem"})
        EXPECT_EQ(detectCertificateFormat(certFile(name)), F::Pem) << name;
    EXPECT_EQ(detectCertificateFormat(copyAs("ca.pem", "ca.pfx")), F::Pem);
    EXPECT_EQ(detectCertificateFormat(copyAs("ca.pem", "ca")), F::Pem);
}

TEST_F(CertFormatDetection, Pkcs12WhateverItsExtension) {
    for (const char* name : {"client.p12", "client-legacy.p12", "client-des.p12",
                             "client-nocerts.p12", "client-nokeys.p12"})
        EXPECT_EQ(detectCertificateFormat(certFile(name)), F::Pkcs12) << name;
    EXPECT_EQ(detectCertificateFormat(copyAs("client.p12", "client.cer")), F::Pkcs12);
    EXPECT_EQ(detectCertificateFormat(copyAs("client.p12", "client.pem")), F::Pkcs12);
    EXPECT_EQ(detectCertificateFormat(copyAs("client.p12", "client")), F::Pkcs12);
}

TEST_F(CertFormatDetection, Pkcs7Bundle) {
    EXPECT_EQ(detectCertificateFormat(certFile("bundle.p7b")), F::Pkcs7);
    EXPECT_EQ(detectCertificateFormat(copyAs("bundle.p7b", "bundle.pem")), F::Pkcs7);
    EXPECT_EQ(detectCertificateFormat(copyAs("bundle.p7b", "bundle.der")), F::Pkcs7);
}

TEST_F(CertFormatDetection, NothingRecognisable) {
    // A key alone is no certificate in any format.
    EXPECT_EQ(detectCertificateFormat(certFile("client-key-only.pem")), F::Unrecognised);
    EXPECT_EQ(detectCertificateFormat(copyAs("client-key-only.pem", "key.p12")), F::Unrecognised);
    std::string empty = dir.file("empty.pem");
    test::writeFile(empty, "");
    EXPECT_EQ(detectCertificateFormat(empty), F::Unrecognised);
    EXPECT_EQ(detectCertificateFormat(dir.file("missing.der")), F::Unrecognised);
    EXPECT_EQ(detectCertificateFormat(dir.path().string()), F::Unrecognised);
}

TEST_F(CertFormatDetection, DetectionLeavesNoErrorsQueued) {
    detectCertificateFormat(certFile("ca-der-content.pem"));
    EXPECT_EQ(ERR_peek_error(), 0u);
}

} // namespace
} // namespace corvane
