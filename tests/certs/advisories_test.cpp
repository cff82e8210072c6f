#include <chrono>
#include <set>

#include <gtest/gtest.h>

#include "certs/advisories.h"
#include "certs/cert_test_support.h"
#include "certs/certificates.h"
#include "platform/trust_store.h"
#include "profile/profile.h"

namespace corvane {
namespace {

std::time_t utc(int year, unsigned month, unsigned day) {
    using namespace std::chrono;
    return system_clock::to_time_t(sys_days{std::chrono::year{year} / month / day});
}

test::X509Owner advisoryCert(const std::string& name) {
    return test::loadX509("../advisories/" + name);
}

std::set<std::string> codes(const std::vector<Advisory>& advisories) {
    std::set<std::string> found;
    for (const Advisory& advisory : advisories)
        found.emplace(advisoryCodeName(advisory.code));
    return found;
}

// One root of the machine's own trust store, as the system keeps it.
test::X509Owner machineRoot() {
    const platform::SystemRoots roots = platform::readSystemRoots();
    const std::string bytes =
        roots.pemBundle.empty()
            ? (roots.derCertificates.empty() ? std::string() : roots.derCertificates.front())
            : roots.pemBundle;
    ossl::Bio bio = ossl::memoryReader(bytes.data(), bytes.size());
    X509* root = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
    if (root == nullptr) {
        const auto* der = reinterpret_cast<const unsigned char*>(bytes.data());
        root = d2i_X509(nullptr, &der, long(bytes.size()));
    }
    return test::X509Owner(root);
}

enum class Store { System, PrivateRootAsPublic };

struct Row {
    const char* certificate; // a file under advisories/, or "" for a root of the machine's store
    CertificateKind kind;
    std::vector<const char*> profileCas;
    Store store;
    std::time_t now;
    std::set<std::string> expected;
};

const std::time_t kNow = utc(2026, 6, 1);
constexpr auto Ca = CertificateKind::CaCertificate;
constexpr auto Client = CertificateKind::ClientCertificate;

class AdvisoryTableTest : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() { loadCryptoProviders(); }
};

TEST_P(AdvisoryTableTest, FindsExactlyTheExpectedCodes) {
    const Row& row = GetParam();
    const test::X509Owner certificate =
        *row.certificate ? advisoryCert(row.certificate) : machineRoot();
    ASSERT_TRUE(certificate) << row.certificate;
    const TrustStore privateStore =
        trustStoreFromPem(test::readFile(test::dataFile("advisories/private-root.pem")), "test");
    AdvisoryChecker checker(row.store == Store::System ? systemTrustStore() : privateStore,
                            row.now);
    for (const char* ca : row.profileCas)
        checker.addProfileCa(advisoryCert(ca).get());
    std::vector<Advisory> advisories;
    checker.check(certificate.get(), row.kind, "label", advisories);
    if (*row.certificate) {
        EXPECT_EQ(codes(advisories), row.expected);
    } else {
        // The machine's root may also be old or weak; that it is public is the point here.
        EXPECT_TRUE(codes(advisories).count("CA-PUBLIC"));
    }
    for (const Advisory& advisory : advisories) {
        EXPECT_EQ(advisory.certificate, "label");
        EXPECT_FALSE(advisory.text.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, AdvisoryTableTest,
    testing::Values(
        Row{"", Ca, {}, Store::System, kNow, {"CA-PUBLIC"}},
        Row{"private-root.pem", Ca, {}, Store::System, kNow, {}},
        Row{"intermediate.pem", Ca, {}, Store::System, kNow, {"CA-NOT-ROOT"}},
        Row{"intermediate.pem", Ca, {"private-root.pem"}, Store::System, kNow, {}},
        Row{"intermediate.pem",
            Ca,
            {"private-root.pem"},
            Store::PrivateRootAsPublic,
            kNow,
            {"CA-PUBLIC"}},
        Row{"private-root.pem", Ca, {}, Store::PrivateRootAsPublic, kNow, {"CA-PUBLIC"}},
        Row{"server-leaf.pem", Ca, {"intermediate.pem"}, Store::System, kNow, {"CA-NOT-CA"}},
        Row{"server-leaf.pem", Ca, {}, Store::System, kNow, {"CA-NOT-CA", "CA-NOT-ROOT"}},
        Row{"no-constraints.pem", Ca, {}, Store::System, kNow, {"CA-NOT-CA"}},
        Row{"sha1-intermediate.pem",
            Ca,
            {"private-root.pem"},
            Store::System,
            kNow,
            {"WEAK-SIGNATURE"}},
        Row{"sha1-root.pem", Ca, {}, Store::System, kNow, {}},
        Row{"rsa1024-root.pem", Ca, {}, Store::System, kNow, {"WEAK-KEY"}},
        Row{"ec224-root.pem", Ca, {}, Store::System, kNow, {"WEAK-KEY"}},
        Row{"dated.pem",
            Ca,
            {"private-root.pem"},
            Store::System,
            utc(2029, 12, 1),
            {"NOT-YET-VALID"}},
        Row{"dated.pem", Ca, {"private-root.pem"}, Store::System, utc(2030, 6, 1), {}},
        Row{"dated.pem",
            Ca,
            {"private-root.pem"},
            Store::System,
            utc(2030, 12, 15),
            {"EXPIRES-SOON"}},
        Row{"dated.pem", Ca, {"private-root.pem"}, Store::System, utc(2031, 1, 15), {"EXPIRED"}},
        Row{"client-server-usage.pem", Client, {}, Store::System, kNow, {"CLIENT-USAGE"}},
        Row{"client-usage.pem", Client, {}, Store::System, kNow, {}}));

TEST(AdvisoryTest, WithoutATrustStoreTheCaCheckSaysSo) {
    const TrustStore none;
    AdvisoryChecker checker(none, kNow);
    std::vector<Advisory> advisories;
    checker.check(advisoryCert("client-usage.pem").get(), Client, "c", advisories);
    EXPECT_FALSE(checker.missedTrustStore());
    checker.check(advisoryCert("private-root.pem").get(), Ca, "r", advisories);
    EXPECT_TRUE(checker.missedTrustStore());
    EXPECT_TRUE(advisories.empty());
}

struct ProfileRow {
    std::uint8_t outer;
    const char* identity;
    const char* username;
    std::set<std::string> expected;
    const char* suggestion;
};

class ProfileAdvisoryTest : public testing::TestWithParam<ProfileRow> {};

TEST_P(ProfileAdvisoryTest, FindsExactlyTheExpectedCodes) {
    const ProfileRow& row = GetParam();
    std::vector<Advisory> advisories;
    profileAdvisories(row.outer, row.identity, row.username, advisories);
    EXPECT_EQ(codes(advisories), row.expected);
    if (*row.suggestion) {
        ASSERT_EQ(advisories.size(), 1u);
        EXPECT_NE(advisories[0].text.find(row.suggestion), std::string::npos) << advisories[0].text;
        EXPECT_TRUE(advisories[0].certificate.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, ProfileAdvisoryTest,
    testing::Values(
        ProfileRow{Leap, "", "jdoe", {"LEAP"}, ""},
        ProfileRow{
            EapTtls, "", "jdoe@example.org", {"IDENTITY-IN-CLEAR"}, "\"anonymous@example.org\""},
        ProfileRow{EapPeap, "jdoe", "jdoe", {"IDENTITY-IN-CLEAR"}, "anonymous@"},
        ProfileRow{EapPeap, "anonymous@example.org", "jdoe@example.org", {}, ""},
        ProfileRow{EapTls, "", "jdoe", {}, ""}));

} // namespace
} // namespace corvane
