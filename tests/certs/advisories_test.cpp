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

const std::time_t kNow = utc(2026, 6, 1);
constexpr auto Ca = CertificateKind::CaCertificate;
constexpr auto Client = CertificateKind::ClientCertificate;
enum class Store { System, PrivateRootAsPublic, None };

// Past the expected codes, a row defaults to a CA checked now against the machine's store.
struct Row {
    const char* certificate; // a file under advisories/, or "" for a root of the machine's store
    std::set<std::string> expected;
    std::vector<const char*> profileCas = {};
    Store store = Store::System;
    std::time_t now = kNow;
    CertificateKind kind = Ca;
};

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
    const TrustStore none;
    AdvisoryChecker checker(row.store == Store::System ? systemTrustStore()
                            : row.store == Store::None ? none
                                                       : privateStore,
                            row.now);
    for (const char* ca : row.profileCas)
        checker.addProfileCa(advisoryCert(ca).get());
    std::vector<Advisory> advisories;
    checker.check(certificate.get(), row.kind, "label", advisories);
    // Without a trust store only a CA's check is missed, and said so.
    EXPECT_EQ(checker.missedTrustStore(), row.store == Store::None && row.kind == Ca);
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
        Row{"", {"CA-PUBLIC"}}, Row{"private-root.pem", {}},
        Row{"intermediate.pem", {"CA-NOT-ROOT"}}, Row{"intermediate.pem", {}, {"private-root.pem"}},
        Row{"intermediate.pem", {"CA-PUBLIC"}, {"private-root.pem"}, Store::PrivateRootAsPublic},
        Row{"private-root.pem", {"CA-PUBLIC"}, {}, Store::PrivateRootAsPublic},
        Row{"server-leaf.pem", {"CA-NOT-CA"}, {"intermediate.pem"}},
        Row{"server-leaf.pem", {"CA-NOT-CA", "CA-NOT-ROOT"}},
        Row{"no-constraints.pem", {"CA-NOT-CA"}},
        Row{"sha1-intermediate.pem", {"WEAK-SIGNATURE"}, {"private-root.pem"}},
        Row{"sha1-root.pem", {}}, Row{"rsa1024-root.pem", {"WEAK-KEY"}},
        Row{"ec224-root.pem", {"WEAK-KEY"}},
        Row{"dated.pem", {"NOT-YET-VALID"}, {"private-root.pem"}, Store::System, utc(2029, 12, 1)},
        Row{"dated.pem", {}, {"private-root.pem"}, Store::System, utc(2030, 6, 1)},
        Row{"dated.pem", {"EXPIRES-SOON"}, {"private-root.pem"}, Store::System, utc(2030, 12, 15)},
        Row{"dated.pem", {"EXPIRED"}, {"private-root.pem"}, Store::System, utc(2031, 1, 15)},
        Row{"client-server-usage.pem", {"CLIENT-USAGE"}, {}, Store::System, kNow, Client},
        Row{"client-usage.pem", {}, {}, Store::System, kNow, Client},
        Row{"client-usage.pem", {}, {}, Store::None, kNow, Client},
        Row{"private-root.pem", {}, {}, Store::None}));

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
