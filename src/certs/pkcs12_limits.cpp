#include "certs/pkcs12_limits.h"

#include <array>
#include <limits>
#include <memory>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/proverr.h>

#include "certs/certificates.h"
#include "certs/openssl_errors.h"

namespace corvane {

namespace {

// Nested safe contents deeper than this are refused rather than followed.
constexpr int kMaxSafeDepth = 8;

void freeBags(STACK_OF(PKCS12_SAFEBAG) * bags) {
    sk_PKCS12_SAFEBAG_pop_free(bags, PKCS12_SAFEBAG_free);
}
void freeSafes(STACK_OF(PKCS7) * safes) {
    sk_PKCS7_pop_free(safes, PKCS7_free);
}
using BagStack = std::unique_ptr<STACK_OF(PKCS12_SAFEBAG), ossl::Deleter<freeBags>>;
using SafeStack = std::unique_ptr<STACK_OF(PKCS7), ossl::Deleter<freeSafes>>;
using Pbe2Param = std::unique_ptr<PBE2PARAM, ossl::Deleter<PBE2PARAM_free>>;
using Pbkdf2Param = std::unique_ptr<PBKDF2PARAM, ossl::Deleter<PBKDF2PARAM_free>>;
using ScryptParams = std::unique_ptr<SCRYPT_PARAMS, ossl::Deleter<SCRYPT_PARAMS_free>>;
using PbeParam = std::unique_ptr<PBEPARAM, ossl::Deleter<PBEPARAM_free>>;
using KeyInfo = std::unique_ptr<PKCS8_PRIV_KEY_INFO, ossl::Deleter<PKCS8_PRIV_KEY_INFO_free>>;
using EncryptedKey = std::unique_ptr<X509_SIG, ossl::Deleter<X509_SIG_free>>;

std::int64_t integerValue(const ASN1_INTEGER* value) {
    if (value == nullptr)
        return 1; // an absent count means one iteration
    std::int64_t result = 0;
    if (ASN1_INTEGER_get_int64(&result, value) != 1 || result < 0)
        return -1;
    return result;
}

// scrypt mixes N blocks of 128 × r bytes, p times over: its work counts N × r × p against the
// same budget as iterations, and the N blocks it holds at once must fit in kMaxScryptMemory.
// -1 for parameters out of range.
std::int64_t scryptWork(std::int64_t n, std::int64_t r, std::int64_t p) {
    constexpr std::int64_t kBlockUnit = 128;
    if (n < 0 || r < 0 || p < 0)
        return -1;
    if (n == 0 || r == 0 || p == 0)
        return 0; // the library refuses such parameters before deriving anything
    if (n > kMaxScryptMemory / kBlockUnit / r)
        return -1;
    const std::int64_t blocks = n * r;
    if (p > std::numeric_limits<std::int64_t>::max() / blocks)
        return -1;
    return blocks * p;
}

// The key-derivation work a bundle asks for, summed over every count it names.
class WorkBudget {
public:
    explicit WorkBudget(std::int64_t limit) : remaining_(limit) {}
    // False for an unreadable count, or once the sum passes the limit.
    bool spend(std::int64_t count) {
        if (count < 0 || count > remaining_)
            return false;
        remaining_ -= count;
        return true;
    }

private:
    std::int64_t remaining_;
};

const X509_ALGOR* shroudedKeyAlgorithm(const PKCS12_SAFEBAG* bag) {
    const X509_ALGOR* algorithm = nullptr;
    X509_SIG_get0(PKCS12_SAFEBAG_get0_pkcs8(bag), &algorithm, nullptr);
    return algorithm;
}

bool spendOn(WorkBudget& budget, const X509_ALGOR* algorithm) {
    return algorithm != nullptr && budget.spend(passwordBasedIterationCount(algorithm));
}

// Decodes an algorithm's parameter, which must be a SEQUENCE, as the given structure.
template <class Ptr, class Item>
Ptr unpackParameter(const X509_ALGOR* algorithm, const ASN1_ITEM* item) {
    const ASN1_OBJECT* object = nullptr;
    const void* parameter = nullptr;
    int parameterType = 0;
    X509_ALGOR_get0(&object, &parameterType, &parameter, algorithm);
    if (parameterType != V_ASN1_SEQUENCE || parameter == nullptr)
        return nullptr;
    const auto* sequence = static_cast<const ASN1_STRING*>(parameter);
    return Ptr(static_cast<Item*>(ASN1_item_unpack(sequence, item)));
}

bool unsupportedAlgorithm(const ossl::ErrorQueue& errors) {
    return errors.contains(ERR_LIB_EVP, ERR_R_UNSUPPORTED) ||
           errors.contains(ERR_LIB_EVP, EVP_R_UNSUPPORTED_ALGORITHM) ||
           errors.contains(ERR_LIB_EVP, EVP_R_UNSUPPORTED_CIPHER) ||
           errors.contains(ERR_LIB_PKCS12, PKCS12_R_MAC_GENERATION_ERROR);
}

// One pass over a bundle's safes and bags.
class BundleWalk {
public:
    // The budget has already been charged for everything readable without a password.
    BundleWalk(const char* pass, int passLength, bool macPresent, WorkBudget& budget)
        : pass_(pass), passLength_(passLength), macPresent_(macPresent), budget_(budget) {}

    Pkcs12Outcome walkSafes(PKCS12* p12) {
        SafeStack safes(PKCS12_unpack_authsafes(p12));
        if (!safes)
            return Pkcs12Outcome::Unparsable;
        for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
            PKCS7* safe = sk_PKCS7_value(safes.get(), i);
            BagStack bags;
            bool hidden = false;
            switch (OBJ_obj2nid(safe->type)) {
            case NID_pkcs7_data:
                bags.reset(PKCS12_unpack_p7data(safe));
                if (!bags)
                    return Pkcs12Outcome::Unparsable;
                break;
            case NID_pkcs7_encrypted:
                if (safe->d.encrypted == nullptr || safe->d.encrypted->enc_data == nullptr)
                    return Pkcs12Outcome::Unparsable;
                bags.reset(PKCS12_unpack_p7encdata(safe, pass_, passLength_));
                if (!bags)
                    return decryptionFailure();
                hidden = true;
                break;
            default:
                continue; // enveloped safes and the like are passed over, as the library does
            }
            if (Pkcs12Outcome outcome = walkBags(bags.get(), 0, hidden);
                outcome != Pkcs12Outcome::Opened)
                return outcome;
        }
        return Pkcs12Outcome::Opened;
    }

    // The key, and the certificate that matches it; without a key, the first certificate.
    void take(Pkcs12Contents& contents) {
        for (ossl::X509Ptr& certificate : certificates_) {
            if (!key_)
                break;
            ERR_set_mark();
            const bool matches = X509_check_private_key(certificate.get(), key_.get()) == 1;
            ERR_pop_to_mark();
            if (matches) {
                contents.certificate = std::move(certificate);
                break;
            }
        }
        if (!key_ && !certificates_.empty())
            contents.certificate = std::move(certificates_.front());
        contents.key = std::move(key_);
    }

private:
    // Without a MAC to vouch for the password, a wrong one shows only when decrypting.
    Pkcs12Outcome decryptionFailure() const {
        ossl::ErrorQueue errors = ossl::ErrorQueue::take();
        if (!macPresent_ && !unsupportedAlgorithm(errors))
            return Pkcs12Outcome::PasswordRejected;
        return Pkcs12Outcome::Unparsable;
    }

    // Bags that came out of an encrypted safe are hidden: their counts are charged here.
    Pkcs12Outcome walkBags(const STACK_OF(PKCS12_SAFEBAG) * bags, int depth, bool hidden) {
        if (depth > kMaxSafeDepth)
            return Pkcs12Outcome::Unparsable;
        for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
            const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
            Pkcs12Outcome outcome = Pkcs12Outcome::Opened;
            switch (PKCS12_SAFEBAG_get_nid(bag)) {
            case NID_keyBag:
                if (!key_) {
                    key_.reset(EVP_PKCS82PKEY(PKCS12_SAFEBAG_get0_p8inf(bag)));
                    if (!key_)
                        outcome = Pkcs12Outcome::Unparsable;
                }
                break;
            case NID_pkcs8ShroudedKeyBag:
                outcome = shroudedKey(bag, hidden);
                break;
            case NID_certBag:
                if (PKCS12_SAFEBAG_get_bag_nid(bag) == NID_x509Certificate) {
                    ossl::X509Ptr certificate(PKCS12_SAFEBAG_get1_cert(bag));
                    if (!certificate)
                        outcome = Pkcs12Outcome::Unparsable;
                    else
                        certificates_.push_back(std::move(certificate));
                }
                break;
            case NID_safeContentsBag:
                outcome = walkBags(PKCS12_SAFEBAG_get0_safes(bag), depth + 1, hidden);
                break;
            default:
                break;
            }
            if (outcome != Pkcs12Outcome::Opened)
                return outcome;
        }
        return Pkcs12Outcome::Opened;
    }

    Pkcs12Outcome shroudedKey(const PKCS12_SAFEBAG* bag, bool hidden) {
        if (hidden && !spendOn(budget_, shroudedKeyAlgorithm(bag)))
            return Pkcs12Outcome::Unparsable;
        if (key_)
            return Pkcs12Outcome::Opened; // only the first key is used
        KeyInfo info(PKCS12_decrypt_skey(bag, pass_, passLength_));
        if (!info)
            return decryptionFailure();
        key_.reset(EVP_PKCS82PKEY(info.get()));
        return key_ ? Pkcs12Outcome::Opened : Pkcs12Outcome::Unparsable;
    }

    const char* pass_;
    int passLength_;
    bool macPresent_;
    WorkBudget& budget_;
    ossl::PKeyPtr key_;
    std::vector<ossl::X509Ptr> certificates_;
};

bool chargeVisibleBags(const STACK_OF(PKCS12_SAFEBAG) * bags, int depth, WorkBudget& budget) {
    if (depth > kMaxSafeDepth)
        return false;
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
        if (PKCS12_SAFEBAG_get_nid(bag) == NID_pkcs8ShroudedKeyBag) {
            if (!spendOn(budget, shroudedKeyAlgorithm(bag)))
                return false;
        } else if (PKCS12_SAFEBAG_get_nid(bag) == NID_safeContentsBag &&
                   !chargeVisibleBags(PKCS12_SAFEBAG_get0_safes(bag), depth + 1, budget)) {
            return false;
        }
    }
    return true;
}

// Charges every count that can be read without a password (the MAC, each encrypted safe, each
// shrouded key outside them) before the MAC is checked: a bundle that asks for too much work
// is refused whatever password comes with it. Bags inside encrypted safes are charged by the
// walk, before their keys are derived.
bool chargeVisibleCounts(PKCS12* p12, WorkBudget& budget) {
    if (PKCS12_mac_present(p12) == 1) {
        const ASN1_INTEGER* macIterations = nullptr;
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &macIterations, p12);
        if (!budget.spend(integerValue(macIterations)))
            return false;
    }
    SafeStack safes(PKCS12_unpack_authsafes(p12));
    if (!safes)
        return true; // the walk reports it
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes.get(), i);
        const int type = OBJ_obj2nid(safe->type);
        if (type == NID_pkcs7_encrypted && safe->d.encrypted != nullptr &&
            safe->d.encrypted->enc_data != nullptr &&
            !spendOn(budget, safe->d.encrypted->enc_data->algorithm))
            return false;
        if (type == NID_pkcs7_data) {
            BagStack bags(PKCS12_unpack_p7data(safe));
            if (bags && !chargeVisibleBags(bags.get(), 0, budget))
                return false;
        }
    }
    return true;
}

// Settles the password the bundle's MAC accepts. An empty password stands for none, and then
// the empty one is tried as well, as bundles exported without a password use either. The two
// give different MAC keys, so the second try is a derivation of its own: it is charged to the
// budget like any other before it runs.
Pkcs12Outcome choosePassword(PKCS12* p12, const std::string& password, WorkBudget& budget,
                             const char*& pass) {
    const bool macPresent = PKCS12_mac_present(p12) == 1;
    pass = password.empty() ? nullptr : password.c_str();
    if (!macPresent)
        return Pkcs12Outcome::Opened;
    if (!password.empty() && PKCS12_verify_mac(p12, pass, -1) == 1)
        return Pkcs12Outcome::Opened;
    if (password.empty()) {
        if (PKCS12_verify_mac(p12, nullptr, 0) == 1)
            return Pkcs12Outcome::Opened;
        const ASN1_INTEGER* macIterations = nullptr;
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &macIterations, p12);
        if (!budget.spend(integerValue(macIterations)))
            return Pkcs12Outcome::Unparsable;
        if (PKCS12_verify_mac(p12, "", 0) == 1) {
            pass = "";
            return Pkcs12Outcome::Opened;
        }
    }
    // A MAC that cannot be computed (an unavailable digest) says nothing about the password.
    return unsupportedAlgorithm(ossl::ErrorQueue::take()) ? Pkcs12Outcome::Unparsable
                                                          : Pkcs12Outcome::PasswordRejected;
}

Pkcs12Outcome open(std::string_view bytes, const std::string& password, Pkcs12Contents& contents,
                   std::int64_t workLimit) {
    ossl::Bio bio = ossl::memoryReader(bytes.data(), bytes.size());
    if (!bio)
        return Pkcs12Outcome::Unparsable;
    ossl::Pkcs12Ptr p12(d2i_PKCS12_bio(bio.get(), nullptr));
    if (!p12)
        return Pkcs12Outcome::NotABundle;
    const bool macPresent = PKCS12_mac_present(p12.get()) == 1;
    WorkBudget budget(workLimit);
    if (!chargeVisibleCounts(p12.get(), budget))
        return Pkcs12Outcome::Unparsable;
    const char* pass = nullptr;
    if (Pkcs12Outcome outcome = choosePassword(p12.get(), password, budget, pass);
        outcome != Pkcs12Outcome::Opened)
        return outcome;
    BundleWalk walk(pass, pass ? -1 : 0, macPresent, budget);
    if (Pkcs12Outcome outcome = walk.walkSafes(p12.get()); outcome != Pkcs12Outcome::Opened)
        return outcome;
    walk.take(contents);
    return Pkcs12Outcome::Opened;
}

// A block's traditional encryption ("Proc-Type: 4,ENCRYPTED" and "DEK-Info" headers) is removed
// by the key reader with the pass phrase it is offered, by one cheap MD5 round, before it looks
// at what is inside; an encrypted PKCS#8 key found there is then derived like any other. So it
// is removed here the same way, by the same functions, to count what lies beneath. False when
// the headers or the pass phrase do not open the block: then the reader cannot open it either.
bool removeTraditionalEncryption(char* header, unsigned char* data, long& length,
                                 const char* passPhrase) {
    EVP_CIPHER_INFO cipher;
    if (PEM_get_EVP_CIPHER_INFO(header, &cipher) != 1)
        return false;
    if (cipher.cipher == nullptr)
        return true; // not encrypted
    // The reader's default callback hands over the pass phrase given as its argument; it never
    // prompts when one is given, and one always is.
    return PEM_do_header(&cipher, data, &length, nullptr, const_cast<char*>(passPhrase)) == 1;
}

// The length goes first, so that no other split of the same text into bytes and password
// gives the same digest.
bool bundleDigest(std::string_view bytes, const std::string& password,
                  std::array<unsigned char, EVP_MAX_MD_SIZE>& digest, unsigned int& length) {
    std::unique_ptr<EVP_MD_CTX, ossl::Deleter<EVP_MD_CTX_free>> context(EVP_MD_CTX_new());
    const std::uint64_t byteCount = bytes.size();
    return context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1 &&
           EVP_DigestUpdate(context.get(), &byteCount, sizeof byteCount) == 1 &&
           EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) == 1 &&
           EVP_DigestUpdate(context.get(), password.data(), password.size()) == 1 &&
           EVP_DigestFinal_ex(context.get(), digest.data(), &length) == 1;
}

ossl::X509Ptr upReferenced(X509* certificate) {
    if (certificate == nullptr || X509_up_ref(certificate) != 1)
        return nullptr;
    return ossl::X509Ptr(certificate);
}

} // namespace

std::int64_t passwordBasedIterationCount(const X509_ALGOR* algorithm) {
    const ASN1_OBJECT* object = nullptr;
    X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    const int nid = OBJ_obj2nid(object);
    if (nid == NID_pbes2) {
        auto pbe2 = unpackParameter<Pbe2Param, PBE2PARAM>(algorithm, ASN1_ITEM_rptr(PBE2PARAM));
        if (!pbe2 || pbe2->keyfunc == nullptr)
            return -1;
        const int kdf = OBJ_obj2nid(pbe2->keyfunc->algorithm);
        if (kdf == NID_id_pbkdf2) {
            auto kdfParam = unpackParameter<Pbkdf2Param, PBKDF2PARAM>(pbe2->keyfunc,
                                                                      ASN1_ITEM_rptr(PBKDF2PARAM));
            return kdfParam ? integerValue(kdfParam->iter) : -1;
        }
        if (kdf == NID_id_scrypt) {
            auto kdfParam = unpackParameter<ScryptParams, SCRYPT_PARAMS>(
                pbe2->keyfunc, ASN1_ITEM_rptr(SCRYPT_PARAMS));
            return kdfParam ? scryptWork(integerValue(kdfParam->costParameter),
                                         integerValue(kdfParam->blockSize),
                                         integerValue(kdfParam->parallelizationParameter))
                            : -1;
        }
        return 0;
    }
    // The PKCS#5 v1 and PKCS#12 schemes share one parameter shape: a salt and a count.
    if (EVP_PBE_find(EVP_PBE_TYPE_OUTER, nid, nullptr, nullptr, nullptr) == 1) {
        auto pbe = unpackParameter<PbeParam, PBEPARAM>(algorithm, ASN1_ITEM_rptr(PBEPARAM));
        return pbe ? integerValue(pbe->iter) : -1;
    }
    return 0;
}

Pkcs12Outcome openPkcs12(std::string_view bytes, const std::string& password,
                         Pkcs12Contents& contents, std::int64_t workLimit) {
    loadCryptoProviders();
    Pkcs12Outcome outcome = open(bytes, password, contents, workLimit);
    ERR_clear_error();
    return outcome;
}

OpenedPkcs12 openRememberedPkcs12(std::string_view bytes, const std::string& password,
                                  std::int64_t workLimit) {
    // Only a digest of bytes and password is kept, with what opening them gave.
    struct Remembered {
        std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
        unsigned int digestLength = 0;
        Pkcs12Outcome outcome = Pkcs12Outcome::Unparsable;
        ossl::X509Ptr certificate;
        bool keyPresent = false;
    };
    static Remembered last;

    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int digestLength = 0;
    const bool digested = bundleDigest(bytes, password, digest, digestLength);
    if (digested && last.digestLength == digestLength &&
        CRYPTO_memcmp(last.digest.data(), digest.data(), digestLength) == 0)
        return {last.outcome, upReferenced(last.certificate.get()), last.keyPresent};

    Pkcs12Contents contents;
    OpenedPkcs12 opened;
    opened.outcome = openPkcs12(bytes, password, contents, workLimit);
    opened.keyPresent = contents.key != nullptr;
    opened.certificate = std::move(contents.certificate);
    last.digestLength = 0; // forgotten until the new entry is complete
    // An outcome under another bound would not be the one the program's own bound gives.
    if (digested && workLimit == kMaxPkcs12IterationCount) {
        last.certificate = upReferenced(opened.certificate.get());
        last.outcome = opened.outcome;
        last.keyPresent = opened.keyPresent;
        last.digest = digest;
        last.digestLength = digestLength;
    }
    return opened;
}

bool pemKeyWorkAcceptable(std::string_view pemText, const char* passPhrase) {
    ossl::Bio bio = ossl::memoryReader(pemText.data(), pemText.size());
    if (!bio || passPhrase == nullptr)
        return false;
    // Every block is looked at, whatever its label: only its content says whether the library
    // could take it for an encrypted key. The counts are added up over the whole text.
    WorkBudget budget(kMaxPkcs12IterationCount);
    bool acceptable = true;
    while (acceptable) {
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* data = nullptr;
        long length = 0;
        const long before = BIO_pending(bio.get());
        const int read = PEM_read_bio(bio.get(), &name, &header, &data, &length);
        if (read == 1 && removeTraditionalEncryption(header, data, length, passPhrase)) {
            const unsigned char* cursor = data;
            EncryptedKey key(d2i_X509_SIG(nullptr, &cursor, length));
            if (key) {
                const X509_ALGOR* algorithm = nullptr;
                X509_SIG_get0(key.get(), &algorithm, nullptr);
                acceptable = budget.spend(passwordBasedIterationCount(algorithm));
            }
        }
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_free(data);
        // A damaged block is passed over; the end of the text, or no progress, ends the scan.
        if (read != 1 && (BIO_pending(bio.get()) <= 0 || BIO_pending(bio.get()) >= before))
            break;
    }
    ERR_clear_error();
    return acceptable;
}

} // namespace corvane
