#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "certs/certificates.h"
#include "profile/profile.h"
#include "storage/profile_records.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using F = CertificateFormat;
using K = CertificateKind;
using S = StatusCode;

const std::string kP12Password = "corvane-p12";
const std::string kKeyPassword = "corvane-key";

std::string certFile(const std::string& name) {
    return test::dataFile("certs/" + name);
}

// What a profile holds, to show that a failed import changed nothing.
struct Snapshot {
    std::vector<const CertificateEntry*> cas;
    std::vector<std::string> caBytes;
    const CertificateEntry* client = nullptr;
    std::string clientBytes;
    std::string keyBlock;
    bool modified = false;

    explicit Snapshot(const Profile& p) : client(p.clientCertificate.get()), modified(p.modified) {
        for (const auto& e : p.caCertificates) {
            cas.push_back(e.get());
            caBytes.emplace_back(e->bytes.view());
        }
        if (client)
            clientBytes = client->bytes.view();
        keyBlock = p.clientKeyBlock.view();
    }
    bool operator==(const Snapshot&) const = default;
};

class CertAddCertificate : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }

    std::string copyAs(const std::string& fixture, const std::string& name) {
        std::string path = dir.file(name);
        test::writeFile(path, test::readFile(certFile(fixture)));
        return path;
    }
    // Adds and checks that a refused import leaves everything as it was.
    void expectRefused(const std::string& path, K kind, S expected) {
        Snapshot before(profile);
        EXPECT_EQ(profile.addCertificate(path, kind), expected) << path;
        EXPECT_TRUE(Snapshot(profile) == before) << path;
    }

    Profile profile;
    test::TempDir dir;
};

TEST_F(CertAddCertificate, DerCaIsStoredAsPemTextWithItsFileFormat) {
    EXPECT_EQ(profile.addCertificate(certFile("ca.der"), K::CaCertificate), S::Success);
    ASSERT_EQ(profile.caCertificates.count(), 1u);
    const CertificateEntry& e = *profile.caCertificates.itemAt(0);
    EXPECT_EQ(e.kind, K::CaCertificate);
    EXPECT_EQ(e.format, F::Der);
    EXPECT_EQ(e.bytes.view(), test::readFile(certFile("ca.pem")));
    EXPECT_EQ(e.fileName.str(), "ca.der");
    EXPECT_EQ(e.subject.str(), "Corvane Test CA");
    EXPECT_FALSE(e.passwordRequired);
    EXPECT_TRUE(profile.modified);
}

TEST_F(CertAddCertificate, ContentDecidesNotTheName) {
    EXPECT_EQ(profile.addCertificate(certFile("ca-der-content.pem"), K::CaCertificate), S::Success);
    EXPECT_EQ(profile.addCertificate(certFile("ca-pem-content.der"), K::CaCertificate),
              S::AlreadyInList);
    EXPECT_EQ(profile.addCertificate(certFile("ca-with-text.pem"), K::CaCertificate), S::Success);
    ASSERT_EQ(profile.caCertificates.count(), 2u);
    EXPECT_EQ(profile.caCertificates.itemAt(0)->format, F::Der);
    EXPECT_EQ(profile.caCertificates.itemAt(0)->bytes.view(), test::readFile(certFile("ca.pem")));
    // PEM files are kept byte for byte, text and all.
    EXPECT_EQ(profile.caCertificates.itemAt(1)->format, F::Pem);
    EXPECT_EQ(profile.caCertificates.itemAt(1)->bytes.view(),
              test::readFile(certFile("ca-with-text.pem")));
}

TEST_F(CertAddCertificate, SameCertificateTwiceIsADuplicate) {
    ASSERT_EQ(profile.addCertificate(certFile("ca.der"), K::CaCertificate), S::Success);
    profile.modified = false;
    expectRefused(certFile("ca.cer"), K::CaCertificate, S::AlreadyInList);
    // ca.pem is exactly what the re-encoding produces.
    expectRefused(certFile("ca.pem"), K::CaCertificate, S::AlreadyInList);
    EXPECT_FALSE(profile.modified);
    EXPECT_EQ(profile.caCertificates.count(), 1u);
}

// A longer list would save a database that no load accepts.
TEST_F(CertAddCertificate, TheListEndsAtTenThousandCaCertificates) {
    for (std::uint32_t i = 1; i < kMaxCaCertificates; ++i)
        profile.caCertificates.append(std::make_unique<CertificateEntry>());
    ASSERT_EQ(profile.addCertificate(certFile("ca.der"), K::CaCertificate), S::Success);
    expectRefused(certFile("ca2.der"), K::CaCertificate, S::AddFailed);
}

TEST_F(CertAddCertificate, ValidityWarningsStillAddTheCertificate) {
    EXPECT_EQ(profile.addCertificate(certFile("expired.der"), K::CaCertificate), S::Expired);
    EXPECT_EQ(profile.addCertificate(certFile("future.pem"), K::CaCertificate), S::NotYetValid);
    EXPECT_EQ(profile.caCertificates.count(), 2u);
    // A duplicate is reported as such, not as expired.
    expectRefused(certFile("expired.der"), K::CaCertificate, S::AlreadyInList);
    expectRefused(certFile("expired.pem"), K::CaCertificate, S::AlreadyInList);
}

TEST_F(CertAddCertificate, SeveralCertificatesInOnePemAreStoredWhole) {
    EXPECT_EQ(profile.addCertificate(certFile("two-certs.pem"), K::CaCertificate), S::Success);
    const CertificateEntry& e = *profile.caCertificates.itemAt(0);
    EXPECT_EQ(e.bytes.view(), test::readFile(certFile("two-certs.pem")));
    EXPECT_EQ(e.subject.str(), "Corvane Test CA");
}

TEST_F(CertAddCertificate, FormatNotAllowedForTheKind) {
    expectRefused(certFile("client.p12"), K::CaCertificate, S::CaFormatNotSupported);
    expectRefused(certFile("bundle.p7b"), K::CaCertificate, S::CaFormatNotSupported);
    expectRefused(certFile("ca.der"), K::ClientCertificate, S::ClientFormatNotSupported);
    expectRefused(certFile("bundle.p7b"), K::ClientCertificate, S::ClientFormatNotSupported);
}

TEST_F(CertAddCertificate, UnrecognisedOrMissingFiles) {
    expectRefused(certFile("client-key-only.pem"), K::ClientCertificate, S::UnknownFormat);
    expectRefused(dir.file("missing.pem"), K::CaCertificate, S::FileNotFound);
    expectRefused(dir.path().string(), K::CaCertificate, S::UnknownFormat);
    std::string empty = dir.file("empty.der");
    test::writeFile(empty, "");
    expectRefused(empty, K::CaCertificate, S::UnknownFormat);
}

TEST_F(CertAddCertificate, FileNameIsThePartAfterTheLastSeparator) {
    std::string odd = copyAs("ca.der", "folder\\ca copy.der");
    ASSERT_EQ(profile.addCertificate(odd, K::CaCertificate), S::Success);
    EXPECT_EQ(profile.caCertificates.itemAt(0)->fileName.str(), "ca copy.der");
}

TEST_F(CertAddCertificate, ProtectedClientFileWithoutPasswordIsFlagged) {
    EXPECT_EQ(profile.addCertificate(certFile("client.p12"), K::ClientCertificate), S::Success);
    ASSERT_TRUE(profile.clientCertificate);
    const CertificateEntry& e = *profile.clientCertificate;
    EXPECT_TRUE(e.passwordRequired);
    EXPECT_TRUE(e.subject.empty());
    EXPECT_TRUE(e.issuer.empty());
    EXPECT_EQ(e.fileName.str(), "client.p12");
    EXPECT_EQ(e.format, F::Pkcs12);
    EXPECT_EQ(e.bytes.view(), test::readFile(certFile("client.p12")));
}

TEST_F(CertAddCertificate, ClientFilesWithThePassword) {
    profile.privateKeyPassword.assign(kP12Password);
    for (const char* name : {"client.p12", "client-legacy.p12", "client-des.p12"}) {
        EXPECT_EQ(profile.addCertificate(certFile(name), K::ClientCertificate), S::Success) << name;
        EXPECT_FALSE(profile.clientCertificate->passwordRequired);
        EXPECT_EQ(profile.clientCertificate->subject.str(), "Client RSA");
    }
    profile.privateKeyPassword.assign(kKeyPassword);
    EXPECT_EQ(profile.addCertificate(certFile("client-enc-pkcs8.pem"), K::ClientCertificate),
              S::Success);
    EXPECT_EQ(profile.clientCertificate->format, F::Pem);
    EXPECT_EQ(profile.clientCertificate->bytes.view(),
              test::readFile(certFile("client-enc-pkcs8.pem")));
}

TEST_F(CertAddCertificate, WrongPasswordKeepsThePreviousClientCertificate) {
    ASSERT_EQ(profile.addCertificate(certFile("client-plain-ec.pem"), K::ClientCertificate),
              S::Success);
    profile.privateKeyPassword.assign("wrong");
    expectRefused(certFile("client.p12"), K::ClientCertificate, S::WrongPassword);
    expectRefused(certFile("client-enc-trad.pem"), K::ClientCertificate, S::WrongPassword);
    EXPECT_EQ(profile.clientCertificate->fileName.str(), "client-plain-ec.pem");
}

TEST_F(CertAddCertificate, NewClientCertificateReplacesTheOldAndKeepsTheKeyBlock) {
    profile.clientKeyBlock.assign(std::string_view("opaque key block"));
    ASSERT_EQ(profile.addCertificate(certFile("client-plain-rsa.pem"), K::ClientCertificate),
              S::Success);
    ASSERT_EQ(profile.addCertificate(certFile("client-plain-ec.pem"), K::ClientCertificate),
              S::Success);
    EXPECT_EQ(profile.clientCertificate->fileName.str(), "client-plain-ec.pem");
    EXPECT_EQ(profile.clientKeyBlock.view(), "opaque key block");
}

TEST_F(CertAddCertificate, ClientFileMissingAPart) {
    expectRefused(certFile("client-cert-only.pem"), K::ClientCertificate, S::NoPrivateKey);
    profile.privateKeyPassword.assign(kP12Password);
    expectRefused(certFile("client-nocerts.p12"), K::ClientCertificate, S::NoCertificate);
    expectRefused(certFile("client-nokeys.p12"), K::ClientCertificate, S::NoPrivateKey);
}

TEST_F(CertAddCertificate, EncryptedKeyWithoutPasswordIsFlaggedEvenWhenExpired) {
    EXPECT_EQ(profile.addCertificate(certFile("client-expired-enc.pem"), K::ClientCertificate),
              S::Success);
    EXPECT_TRUE(profile.clientCertificate->passwordRequired);
    EXPECT_EQ(profile.addCertificate(certFile("client-expired-plain.pem"), K::ClientCertificate),
              S::Expired);
    EXPECT_FALSE(profile.clientCertificate->passwordRequired);
}

TEST_F(CertAddCertificate, CaPasswordIsPassedButUnused) {
    profile.privateKeyPassword.assign("anything");
    EXPECT_EQ(profile.addCertificate(certFile("ca.pem"), K::CaCertificate), S::Success);
}

// --- bad input -------------------------------------------------------------------------------

class CertBadInput : public CertAddCertificate {
protected:
    void SetUp() override {
        // A profile that already holds something, so "unchanged" means something.
        ASSERT_EQ(profile.addCertificate(certFile("ca.der"), K::CaCertificate), S::Success);
        ASSERT_EQ(profile.addCertificate(certFile("client-plain-ec.pem"), K::ClientCertificate),
                  S::Success);
        profile.modified = false;
    }
    std::string write(const std::string& name, const std::string& content) {
        std::string path = dir.file(name);
        test::writeFile(path, content);
        return path;
    }
    void expectRefusedForBoth(const std::string& path, S expected) {
        expectRefused(path, K::CaCertificate, expected);
        expectRefused(path, K::ClientCertificate, expected);
    }
};

std::string randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xff);
    return bytes;
}

TEST_F(CertBadInput, EmptyAndRandomFiles) {
    for (const char* ext : {"der", "pem", "p12", "p7b", "bin"}) {
        expectRefusedForBoth(write(std::string("empty.") + ext, ""), S::UnknownFormat);
        expectRefusedForBoth(write(std::string("random.") + ext, randomBytes(4096, 7)),
                             S::UnknownFormat);
    }
}

TEST_F(CertBadInput, TruncatedDer) {
    std::string der = test::readFile(certFile("ca2.der"));
    for (std::size_t keep : {std::size_t{1}, std::size_t{4}, der.size() / 2, der.size() - 1})
        expectRefused(write("short.der", der.substr(0, keep)), K::CaCertificate, S::UnknownFormat);
    std::string p12 = test::readFile(certFile("client.p12"));
    expectRefused(write("short.p12", p12.substr(0, p12.size() / 2)), K::ClientCertificate,
                  S::UnknownFormat);
}

TEST_F(CertBadInput, CorruptedBase64) {
    std::string pem = test::readFile(certFile("ca2.pem"));
    std::size_t body = pem.find('\n') + 1;
    std::string flipped = pem;
    flipped[body + 5] = '*';
    expectRefusedForBoth(write("flipped.pem", flipped), S::UnknownFormat);
    // Base64 that decodes, but to a damaged structure: the outer tag is no longer a SEQUENCE.
    std::string damaged = pem;
    ASSERT_EQ(damaged[body], 'M');
    damaged[body] = 'N';
    expectRefusedForBoth(write("damaged.pem", damaged), S::UnknownFormat);
    // A begin line without an end line.
    expectRefusedForBoth(write("unended.pem", pem.substr(0, pem.find("-----END"))),
                         S::UnknownFormat);
}

// Files beyond any real certificate are refused as unreadable, by their size alone: a sparse
// gibibyte would otherwise be read whole and a padded certificate accepted with all its padding.
TEST_F(CertBadInput, FilesOverOneMebibyteAreRefusedUnread) {
    const std::string certificate = test::readFile(certFile("ca2.pem"));
    auto paddedTo = [&](std::size_t size) {
        std::string padded = certificate;
        padded.append(size - certificate.size(), 'x');
        return padded;
    };
    const std::string sparse = dir.file("sparse.pem");
    test::writeFile(sparse, certificate);
    std::filesystem::resize_file(sparse, std::uintmax_t{1} << 30);
    const std::string sparseP12 = dir.file("sparse.p12");
    test::writeFile(sparseP12, test::readFile(certFile("client.p12")));
    std::filesystem::resize_file(sparseP12, (std::uintmax_t{1} << 20) + 1);

    expectRefusedForBoth(sparse, S::ReadFailed);
    expectRefusedForBoth(write("over.pem", paddedTo((1u << 20) + 1)), S::ReadFailed);
    expectRefused(sparseP12, K::ClientCertificate, S::ReadFailed);
    EXPECT_EQ(detectCertificateFormat(sparse), F::Unrecognised);

    // Random bytes under the limit are still just an unknown format.
    expectRefusedForBoth(write("random.der", randomBytes(1u << 20, 11)), S::UnknownFormat);
    // At the limit a padded certificate is a certificate, kept whole.
    const std::string atLimit = paddedTo(1u << 20);
    EXPECT_EQ(profile.addCertificate(write("limit.pem", atLimit), K::CaCertificate), S::Success);
    ASSERT_EQ(profile.caCertificates.count(), 2u);
    EXPECT_EQ(profile.caCertificates.itemAt(1)->bytes.size(), atLimit.size());
}

TEST_F(CertBadInput, DirectoryAsPath) {
    std::filesystem::create_directory(dir.file("folder.pem"));
    expectRefusedForBoth(dir.file("folder.pem"), S::UnknownFormat);
}

TEST_F(CertBadInput, UnreadableFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: file permissions do not stop reading";
    std::string path = write("locked.der", test::readFile(certFile("ca2.der")));
    std::filesystem::permissions(path, std::filesystem::perms::none);
    expectRefusedForBoth(path, S::UnknownFormat);
}

} // namespace
} // namespace corvane
