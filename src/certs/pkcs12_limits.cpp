#include "certs/pkcs12_limits.h"

#include <memory>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include "certs/openssl_handles.h"

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

std::int64_t integerValue(const ASN1_INTEGER* value) {
    if (value == nullptr)
        return 1; // an absent count means one iteration
    std::int64_t result = 0;
    if (ASN1_INTEGER_get_int64(&result, value) != 1 || result < 0)
        return -1;
    return result;
}

bool countAcceptable(std::int64_t count) {
    return count >= 0 && count <= kMaxPkcs12IterationCount;
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

bool bagsAcceptable(const STACK_OF(PKCS12_SAFEBAG) * bags, int depth) {
    if (depth > kMaxSafeDepth)
        return false;
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG* bag = sk_PKCS12_SAFEBAG_value(bags, i);
        switch (PKCS12_SAFEBAG_get_nid(bag)) {
        case NID_pkcs8ShroudedKeyBag: {
            const X509_ALGOR* algorithm = nullptr;
            X509_SIG_get0(PKCS12_SAFEBAG_get0_pkcs8(bag), &algorithm, nullptr);
            if (algorithm != nullptr && !countAcceptable(passwordBasedIterationCount(algorithm)))
                return false;
            break;
        }
        case NID_safeContentsBag:
            if (!bagsAcceptable(PKCS12_SAFEBAG_get0_safes(bag), depth + 1))
                return false;
            break;
        default:
            break;
        }
    }
    return true;
}

// The password the library will settle on for this bundle (it tries none and the empty one
// when it is given none), or false when the MAC accepts none of them.
bool macPassword(PKCS12* p12, const std::string& password, const char*& chosen) {
    if (!PKCS12_mac_present(p12)) {
        chosen = password.empty() ? nullptr : password.c_str();
        return true;
    }
    if (password.empty()) {
        if (PKCS12_verify_mac(p12, nullptr, 0)) {
            chosen = nullptr;
            return true;
        }
        if (PKCS12_verify_mac(p12, "", 0)) {
            chosen = "";
            return true;
        }
        return false;
    }
    chosen = password.c_str();
    return PKCS12_verify_mac(p12, password.c_str(), -1) == 1;
}

bool countsAcceptable(const PKCS12* constP12, const std::string& password) {
    // The library's accessors take non-const bundles; nothing below modifies it.
    auto* p12 = const_cast<PKCS12*>(constP12);
    const ASN1_INTEGER* macIterations = nullptr;
    if (PKCS12_mac_present(p12)) {
        PKCS12_get0_mac(nullptr, nullptr, nullptr, &macIterations, p12);
        if (!countAcceptable(integerValue(macIterations)))
            return false;
    }
    SafeStack safes(PKCS12_unpack_authsafes(p12));
    if (!safes)
        return true; // unreadable: the parser will say so
    bool encryptedSafes = false;
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes.get(), i);
        switch (OBJ_obj2nid(safe->type)) {
        case NID_pkcs7_data: {
            BagStack bags(PKCS12_unpack_p7data(safe));
            if (bags && !bagsAcceptable(bags.get(), 0))
                return false;
            break;
        }
        case NID_pkcs7_encrypted:
            if (safe->d.encrypted == nullptr || safe->d.encrypted->enc_data == nullptr)
                break;
            if (!countAcceptable(
                    passwordBasedIterationCount(safe->d.encrypted->enc_data->algorithm)))
                return false;
            encryptedSafes = true;
            break;
        default:
            break;
        }
    }
    if (!encryptedSafes)
        return true;
    // Every count met so far is bounded, so opening the encrypted safes costs little.
    const char* chosen = nullptr;
    if (!macPassword(p12, password, chosen))
        return true; // a wrong password: the parser will stop before reaching the bags
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7* safe = sk_PKCS7_value(safes.get(), i);
        if (OBJ_obj2nid(safe->type) != NID_pkcs7_encrypted)
            continue;
        BagStack bags(PKCS12_unpack_p7encdata(safe, chosen, chosen ? -1 : 0));
        if (bags && !bagsAcceptable(bags.get(), 0))
            return false;
    }
    return true;
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
            return kdfParam ? integerValue(kdfParam->costParameter) : -1;
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

bool pkcs12IterationCountsAcceptable(const PKCS12* p12, const std::string& password) {
    ERR_set_mark();
    bool acceptable = countsAcceptable(p12, password);
    ERR_pop_to_mark();
    return acceptable;
}

} // namespace corvane
