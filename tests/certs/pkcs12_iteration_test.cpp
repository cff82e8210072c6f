#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include "cert_test_support.h"
#include "certs/pkcs12_limits.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::certBytes;
using test::kP12Password;
using S = StatusCode;

// Rewrites iteration counts inside real bundles made by the openssl tool: the structures are
// decoded, the count is set in place and the whole is encoded again (with a fresh MAC, so that
// only the count is out of the ordinary).

template <auto Free> struct Deleter {
    template <class T> void operator()(T* p) const { Free(p); }
};
using Pkcs12Owner = std::unique_ptr<PKCS12, Deleter<PKCS12_free>>;
void freeSafes(STACK_OF(PKCS7) * s) {
    sk_PKCS7_pop_free(s, PKCS7_free);
}
void freeBags(STACK_OF(PKCS12_SAFEBAG) * s) {
    sk_PKCS12_SAFEBAG_pop_free(s, PKCS12_SAFEBAG_free);
}
using SafesOwner = std::unique_ptr<STACK_OF(PKCS7), Deleter<freeSafes>>;
using BagsOwner = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), Deleter<freeBags>>;

Pkcs12Owner decode(const std::string& der) {
    const auto* p = reinterpret_cast<const unsigned char*>(der.data());
    return Pkcs12Owner(d2i_PKCS12(nullptr, &p, static_cast<long>(der.size())));
}

std::string encode(PKCS12* p12) {
    unsigned char* out = nullptr;
    int n = i2d_PKCS12(p12, &out);
    std::string der(reinterpret_cast<char*>(out), static_cast<std::size_t>(n));
    OPENSSL_free(out);
    return der;
}

// Sets the count of a password-based algorithm identifier (PBES2 with PBKDF2, or PKCS#12 PBE).
void setAlgorithmCount(X509_ALGOR* algorithm, std::int64_t count) {
    if (OBJ_obj2nid(algorithm->algorithm) == NID_pbes2) {
        auto* pbe2 = static_cast<PBE2PARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter));
        ASSERT_NE(pbe2, nullptr);
        auto* kdf = static_cast<PBKDF2PARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), pbe2->keyfunc->parameter));
        ASSERT_NE(kdf, nullptr);
        ASN1_INTEGER_set_int64(kdf->iter, count);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), kdf, &pbe2->keyfunc->parameter);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBE2PARAM), pbe2, &algorithm->parameter);
        PBKDF2PARAM_free(kdf);
        PBE2PARAM_free(pbe2);
    } else {
        auto* pbe = static_cast<PBEPARAM*>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBEPARAM), algorithm->parameter));
        ASSERT_NE(pbe, nullptr);
        ASN1_INTEGER_set_int64(pbe->iter, count);
        ASN1_TYPE_pack_sequence(ASN1_ITEM_rptr(PBEPARAM), pbe, &algorithm->parameter);
        PBEPARAM_free(pbe);
    }
}

enum class Target { Mac, EncryptedSafe, ShroudedKeyBag };

std::string withCount(const std::string& fixture, Target target, std::int64_t count) {
    Pkcs12Owner p12 = decode(certBytes(fixture));
    EXPECT_TRUE(p12);
    if (!p12)
        return {};
    if (target == Target::Mac) {
        // A modest count is cheap enough to compute a matching MAC with.
        if (count <= 100'000) {
            EXPECT_EQ(PKCS12_set_mac(p12.get(), kP12Password.c_str(), -1, nullptr, 0,
                                     static_cast<int>(count), nullptr),
                      1);
            return encode(p12.get());
        }
        const ASN1_INTEGER* iter = nullptr;
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &iter, p12.get());
        EXPECT_NE(iter, nullptr);
        // The count lives inside the decoded bundle; the accessor only hands it out as const.
        ASN1_INTEGER_set_int64(const_cast<ASN1_INTEGER*>(iter), count);
        return encode(p12.get());
    }
    SafesOwner safes(PKCS12_unpack_authsafes(p12.get()));
    EXPECT_TRUE(safes);
    bool changed = false;
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes.get(), i);
        const int type = OBJ_obj2nid(safe->type);
        if (target == Target::EncryptedSafe && type == NID_pkcs7_encrypted) {
            setAlgorithmCount(safe->d.encrypted->enc_data->algorithm, count);
            changed = true;
        }
        if (target == Target::ShroudedKeyBag && type == NID_pkcs7_data) {
            BagsOwner bags(PKCS12_unpack_p7data(safe));
            bool bagChanged = false;
            for (int b = 0; b < sk_PKCS12_SAFEBAG_num(bags.get()); ++b) {
                PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags.get(), b);
                if (PKCS12_SAFEBAG_get_nid(bag) != NID_pkcs8ShroudedKeyBag)
                    continue;
                X509_ALGOR* algorithm = nullptr;
                X509_SIG_getm(const_cast<X509_SIG*>(PKCS12_SAFEBAG_get0_pkcs8(bag)), &algorithm,
                              nullptr);
                setAlgorithmCount(algorithm, count);
                bagChanged = true;
            }
            if (bagChanged) {
                PKCS7* repacked = PKCS12_pack_p7data(bags.get());
                sk_PKCS7_set(safes.get(), i, repacked);
                PKCS7_free(safe);
                changed = true;
            }
        }
    }
    EXPECT_TRUE(changed) << "nothing to rewrite in " << fixture;
    EXPECT_EQ(PKCS12_pack_authsafes(p12.get(), safes.get()), 1);
    EXPECT_EQ(PKCS12_set_mac(p12.get(), kP12Password.c_str(), -1, nullptr, 0, 2048, nullptr), 1);
    return encode(p12.get());
}

class Pkcs12IterationCap : public ::testing::Test {
protected:
    static void SetUpTestSuite() { initialiseCryptoLibrary(); }
    S check(const std::string& bytes, const std::string& password) {
        auto entry = test::entryFromBytes(bytes, CertificateKind::ClientCertificate,
                                          CertificateFormat::Pkcs12);
        S status = checkCertificate(*entry, password);
        passwordRequired = entry->passwordRequired;
        return status;
    }
    bool passwordRequired = false;
};

TEST_F(Pkcs12IterationCap, RewrittenBundleWithModestCountStillOpens) {
    // The rewriting itself keeps a bundle usable: only the count matters below.
    EXPECT_EQ(check(withCount("client.p12", Target::Mac, 4096), kP12Password), S::Success);
    EXPECT_EQ(check(withCount("client.p12", Target::ShroudedKeyBag, 2048), kP12Password),
              S::Success);
}

TEST_F(Pkcs12IterationCap, MacCountAboveTheLimitIsUnreadable) {
    const std::string bytes = withCount("client.p12", Target::Mac, kMaxPkcs12IterationCount + 1);
    // Refused before any derivation, so the password does not matter.
    EXPECT_EQ(check(bytes, kP12Password), S::CertificateUnreadable);
    EXPECT_EQ(check(bytes, "wrong"), S::CertificateUnreadable);
    EXPECT_EQ(check(bytes, ""), S::CertificateUnreadable);
    EXPECT_FALSE(passwordRequired);
    EXPECT_EQ(check(withCount("client.p12", Target::Mac, 2'000'000'000'000LL), kP12Password),
              S::CertificateUnreadable);
}

TEST_F(Pkcs12IterationCap, KeyBagCountAboveTheLimitIsUnreadable) {
    for (const char* fixture : {"client.p12", "client-legacy.p12"}) {
        SCOPED_TRACE(fixture);
        const std::string bytes =
            withCount(fixture, Target::ShroudedKeyBag, kMaxPkcs12IterationCount + 1);
        EXPECT_EQ(check(bytes, kP12Password), S::CertificateUnreadable);
        EXPECT_EQ(check(bytes, ""), S::CertificateUnreadable);
    }
}

TEST_F(Pkcs12IterationCap, EncryptedSafeCountAboveTheLimitIsUnreadable) {
    for (const char* fixture : {"client.p12", "client-legacy.p12", "client-des.p12"}) {
        SCOPED_TRACE(fixture);
        const std::string bytes =
            withCount(fixture, Target::EncryptedSafe, kMaxPkcs12IterationCount + 1);
        EXPECT_EQ(check(bytes, kP12Password), S::CertificateUnreadable);
    }
}

TEST_F(Pkcs12IterationCap, ScriptReportsTheBundleAsUnreadable) {
    test::TempDir dir;
    test::writeFile(dir.file("costly.p12"),
                    withCount("client.p12", Target::EncryptedSafe, kMaxPkcs12IterationCount + 1));
    auto r =
        test::runScript("set_pkpassword " + kP12Password + "\nset_client_cert_pkey costly.p12\n",
                        dir.path().string());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::logBody(dir.path().string()),
              "Error on line 2: Failed to set client certificate / private key.\n"
              "ERROR: Add Certificate Failed - Failed to validate certificate.\n");
}

TEST(Pkcs12IterationCount, ReadFromAlgorithmIdentifiers) {
    auto count = [](std::function<X509_ALGOR*()> make) {
        X509_ALGOR* algorithm = make();
        std::int64_t n = passwordBasedIterationCount(algorithm);
        X509_ALGOR_free(algorithm);
        return n;
    };
    EXPECT_EQ(count([] {
                  return PKCS5_pbe2_set_iv(EVP_aes_256_cbc(), 123456, nullptr, 0, nullptr,
                                           NID_hmacWithSHA256);
              }),
              123456);
    EXPECT_EQ(count([] {
                  return PKCS5_pbe_set(NID_pbe_WithSHA1And3_Key_TripleDES_CBC, 7777, nullptr, 0);
              }),
              7777);
    // An algorithm that derives nothing from a password has no count.
    EXPECT_EQ(count([] {
                  X509_ALGOR* a = X509_ALGOR_new();
                  X509_ALGOR_set0(a, OBJ_nid2obj(NID_sha256), V_ASN1_NULL, nullptr);
                  return a;
              }),
              0);
    // Parameters that do not decode cannot be trusted.
    EXPECT_EQ(count([] {
                  X509_ALGOR* a = X509_ALGOR_new();
                  X509_ALGOR_set0(a, OBJ_nid2obj(NID_pbes2), V_ASN1_NULL, nullptr);
                  return a;
              }),
              -1);
}

} // namespace
} // namespace corvane
