#include "certs/advisories.h"

#include <array>
#include <ctime>
#include <memory>
#include <optional>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/certificate_details.h"
#include "certs/certificates.h"
#include "platform/trust_store.h"
#include "profile/profile.h"

namespace corvane {
namespace {

// The library fills a certificate's extension cache on first use, so its readers take a
// non-const pointer although nothing the caller sees changes.
X509* mutableCertificate(const X509* certificate) {
    return const_cast<X509*>(certificate);
}

unsigned long nameHash(const X509_NAME* name) {
    int failed = 0;
    const unsigned long hash = X509_NAME_hash_ex(name, nullptr, nullptr, &failed);
    return failed ? 0 : hash;
}

bool isSelfSigned(const X509* certificate) {
    // Names and key identifiers: a root's signature is its own affair, not the device's.
    return X509_self_signed(mutableCertificate(certificate), 0) == 1;
}

std::string shortName(const X509* certificate) {
    return displayName(X509_get_subject_name(certificate), NameOrder::Subject);
}

int noPassPhrase(char*, int, int, void*) {
    return -1;
}

// The digest behind a signature algorithm, RSA-PSS included; NID_undef when there is none.
int signatureDigest(const X509* certificate) {
    int digest = NID_undef;
    if (X509_get_signature_info(mutableCertificate(certificate), &digest, nullptr, nullptr,
                                nullptr) != 1)
        return NID_undef;
    return digest;
}

bool isWeakDigest(int digest) {
    return digest == NID_md2 || digest == NID_md4 || digest == NID_md5 || digest == NID_sha1 ||
           digest == NID_md5_sha1;
}

std::string digestName(int digest) {
    const char* name = OBJ_nid2sn(digest);
    return name ? name : "?";
}

void add(std::vector<Advisory>& out, AdvisoryCode code, const std::string& label, unsigned textId,
         const std::vector<std::string>& args = {}) {
    out.push_back({code, label, fillFormat(loadString(textId), args)});
}

} // namespace

std::string_view advisoryCodeName(AdvisoryCode code) {
    switch (code) {
    case AdvisoryCode::CaPublic:
        return "CA-PUBLIC";
    case AdvisoryCode::CaNotCa:
        return "CA-NOT-CA";
    case AdvisoryCode::CaNotRoot:
        return "CA-NOT-ROOT";
    case AdvisoryCode::Expired:
        return "EXPIRED";
    case AdvisoryCode::ExpiresSoon:
        return "EXPIRES-SOON";
    case AdvisoryCode::NotYetValid:
        return "NOT-YET-VALID";
    case AdvisoryCode::WeakSignature:
        return "WEAK-SIGNATURE";
    case AdvisoryCode::WeakKey:
        return "WEAK-KEY";
    case AdvisoryCode::ClientUsage:
        return "CLIENT-USAGE";
    case AdvisoryCode::IdentityInClear:
        return "IDENTITY-IN-CLEAR";
    case AdvisoryCode::Leap:
        return "LEAP";
    }
    return "?";
}

void CertificateIndex::add(const X509* certificate) {
    if (certificate == nullptr || X509_up_ref(mutableCertificate(certificate)) != 1)
        return;
    ossl::X509Ptr held(mutableCertificate(certificate));
    bySubject_.emplace(nameHash(X509_get_subject_name(certificate)), std::move(held));
}

const X509* CertificateIndex::findSame(const X509* certificate) const {
    const X509_NAME* subject = X509_get_subject_name(certificate);
    const EVP_PKEY* key = X509_get0_pubkey(certificate);
    auto [first, last] = bySubject_.equal_range(nameHash(subject));
    for (auto it = first; it != last; ++it) {
        const X509* held = it->second.get();
        if (X509_cmp(held, certificate) == 0)
            return held;
        const EVP_PKEY* heldKey = X509_get0_pubkey(held);
        if (key && heldKey && X509_NAME_cmp(X509_get_subject_name(held), subject) == 0 &&
            EVP_PKEY_eq(heldKey, key) == 1)
            return held;
    }
    return nullptr;
}

const X509* CertificateIndex::findIssuer(const X509* certificate, bool checkSignature) const {
    auto [first, last] = bySubject_.equal_range(nameHash(X509_get_issuer_name(certificate)));
    for (auto it = first; it != last; ++it) {
        X509* held = it->second.get();
        if (held == certificate ||
            X509_check_issued(held, mutableCertificate(certificate)) != X509_V_OK)
            continue;
        if (!checkSignature)
            return held;
        EVP_PKEY* key = X509_get0_pubkey(held);
        if (key && X509_verify(mutableCertificate(certificate), key) == 1)
            return held;
    }
    ERR_clear_error();
    return nullptr;
}

TrustStore trustStoreFromPem(std::string_view pem, std::string where) {
    TrustStore store;
    store.where = std::move(where);
    ossl::Bio reader = ossl::memoryReader(pem.data(), pem.size());
    while (reader) {
        ossl::X509Ptr root(PEM_read_bio_X509(reader.get(), nullptr, noPassPhrase, nullptr));
        if (!root)
            break;
        store.roots.add(root.get());
    }
    ERR_clear_error();
    store.available = store.roots.size() > 0;
    return store;
}

TrustStore trustStoreFromDer(const std::vector<std::string>& derCertificates, std::string where) {
    TrustStore store;
    store.where = std::move(where);
    for (const std::string& der : derCertificates) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
        ossl::X509Ptr root(d2i_X509(nullptr, &bytes, static_cast<long>(der.size())));
        store.roots.add(root.get());
    }
    ERR_clear_error();
    store.available = store.roots.size() > 0;
    return store;
}

const TrustStore& systemTrustStore() {
    static const TrustStore store = [] {
        loadCryptoProviders();
        const platform::SystemRoots roots = platform::readSystemRoots();
        TrustStore read = roots.pemBundle.empty()
                              ? trustStoreFromDer(roots.derCertificates, roots.where)
                              : trustStoreFromPem(roots.pemBundle, roots.where);
        read.available = read.available && roots.available;
        return read;
    }();
    return store;
}

std::string noTrustStoreText(const TrustStore& store) {
    return fillFormat(loadString(ids::AdvisoryNoTrustStore), {store.where});
}

void AdvisoryChecker::check(const X509* certificate, CertificateKind kind, const std::string& label,
                            std::vector<Advisory>& out) const {
    const bool selfSigned = isSelfSigned(certificate);
    if (kind == CertificateKind::CaCertificate) {
        if (!store_.available) {
            missedTrustStore_ = true;
        } else if (const X509* root = store_.roots.findSame(certificate)) {
            add(out, AdvisoryCode::CaPublic, label, ids::AdvisoryCaPublicRoot, {shortName(root)});
        } else if (const X509* issuer = store_.roots.findIssuer(certificate, true)) {
            add(out, AdvisoryCode::CaPublic, label, ids::AdvisoryCaPublicIssued,
                {shortName(issuer)});
        }
        const std::uint32_t flags = X509_get_extension_flags(mutableCertificate(certificate));
        const bool version3 = X509_get_version(certificate) == 2;
        if ((flags & EXFLAG_BCONS) ? !(flags & EXFLAG_CA) : version3)
            add(out, AdvisoryCode::CaNotCa, label, ids::AdvisoryCaNotCa);
        if (!selfSigned && profileCas_.findIssuer(certificate, false) == nullptr)
            add(out, AdvisoryCode::CaNotRoot, label, ids::AdvisoryCaNotRoot,
                {displayName(X509_get_issuer_name(certificate), NameOrder::Issuer)});
    }

    std::time_t now = now_;
    const ASN1_TIME* notBefore = X509_get0_notBefore(certificate);
    const ASN1_TIME* notAfter = X509_get0_notAfter(certificate);
    std::time_t soon = now + kExpiresSoonSeconds;
    if (notBefore && X509_cmp_time(notBefore, &now) > 0) {
        add(out, AdvisoryCode::NotYetValid, label, ids::AdvisoryNotYetValid,
            {certificateDateText(notBefore)});
    } else if (notAfter && X509_cmp_time(notAfter, &now) < 0) {
        add(out, AdvisoryCode::Expired, label, ids::AdvisoryExpired,
            {certificateDateText(notAfter)});
    } else if (notAfter && X509_cmp_time(notAfter, &soon) < 0) {
        add(out, AdvisoryCode::ExpiresSoon, label, ids::AdvisoryExpiresSoon,
            {certificateDateText(notAfter)});
    }

    const int digest = signatureDigest(certificate);
    if (!selfSigned && isWeakDigest(digest))
        add(out, AdvisoryCode::WeakSignature, label, ids::AdvisoryWeakSignature,
            {digestName(digest)});

    if (const EVP_PKEY* key = X509_get0_pubkey(certificate)) {
        const int type = EVP_PKEY_get_base_id(key);
        const int bits = EVP_PKEY_get_bits(key);
        const bool finiteField =
            type == EVP_PKEY_RSA || type == EVP_PKEY_RSA_PSS || type == EVP_PKEY_DSA;
        if ((finiteField && bits < 2048) || (type == EVP_PKEY_EC && bits < 256)) {
            const char* name = EVP_PKEY_get0_type_name(key);
            add(out, AdvisoryCode::WeakKey, label, ids::AdvisoryWeakKey,
                {name ? name : "?", std::to_string(bits)});
        }
    }

    if (kind == CertificateKind::ClientCertificate) {
        const std::uint32_t flags = X509_get_extension_flags(mutableCertificate(certificate));
        const std::uint32_t usage = X509_get_extended_key_usage(mutableCertificate(certificate));
        if ((flags & EXFLAG_XKUSAGE) && !(usage & (XKU_SSL_CLIENT | XKU_ANYEKU)))
            add(out, AdvisoryCode::ClientUsage, label, ids::AdvisoryClientUsage);
    }
    ERR_clear_error();
}

void profileAdvisories(std::uint8_t outerProtocol, const std::string& initialIdentity,
                       const std::string& username, std::vector<Advisory>& out) {
    if (outerProtocol == Leap)
        add(out, AdvisoryCode::Leap, {}, ids::AdvisoryLeap);
    if ((outerProtocol == EapTtls || outerProtocol == EapPeap) &&
        (initialIdentity.empty() || initialIdentity == username)) {
        // The realm routes the request to the home server, so it stays; the name goes.
        const auto at = username.rfind('@');
        const std::string realm = at == std::string::npos
                                      ? loadString(ids::AdvisoryRealmPlaceholder)
                                      : username.substr(at + 1);
        add(out, AdvisoryCode::IdentityInClear, {}, ids::AdvisoryIdentityInClear,
            {loadString(outerProtocol == EapTtls ? ids::EapTtls : ids::EapPeap),
             "anonymous@" + realm});
    }
}

std::string certificateDateText(const ASN1_TIME* time) {
    std::tm broken{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &broken) != 1)
        return {};
    std::array<char, 16> text{};
    const std::size_t written = std::strftime(text.data(), text.size(), "%Y-%m-%d", &broken);
    return std::string(text.data(), written);
}

} // namespace corvane
