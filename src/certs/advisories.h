#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <openssl/x509.h>

#include "certs/certificate_entry.h"
#include "certs/openssl_handles.h"

namespace corvane {

// Mistakes in a profile that let a device accept the wrong server, break at a renewal or give
// away the user's name or password. The codes are stable: provisioning pipelines match them.
enum class AdvisoryCode {
    CaPublic,
    CaNotCa,
    CaNotRoot,
    Expired,
    ExpiresSoon,
    NotYetValid,
    WeakSignature,
    WeakKey,
    ClientUsage,
    IdentityInClear,
    Leap,
};

// "CA-PUBLIC", "CA-NOT-CA", ...
std::string_view advisoryCodeName(AdvisoryCode code);

struct Advisory {
    AdvisoryCode code;
    std::string certificate; // the certificate it is about (its file name), empty for the profile
    std::string text;        // in the user's language
};

// How far ahead an end of validity is worth a warning.
constexpr std::time_t kExpiresSoonSeconds = 30 * 24 * 60 * 60;

// Certificates indexed by the hash of their subject name, so that finding a certificate's
// issuer, or the certificate itself, costs one lookup however many are held.
class CertificateIndex {
public:
    // Holds the certificate (one more reference to it).
    void add(const X509* certificate);
    // The number of certificates held.
    std::size_t size() const { return bySubject_.size(); }
    // A held certificate with the same subject and public key as the given one; null when none.
    const X509* findSame(const X509* certificate) const;
    // A held certificate that issued the given one: subject, key identifier and, when
    // `checkSignature`, the signature agree. Null when none.
    const X509* findIssuer(const X509* certificate, bool checkSignature) const;

private:
    std::unordered_multimap<unsigned long, ossl::X509Ptr> bySubject_;
};

// The roots the system trusts. `available` is false where the system has none we can read.
struct TrustStore {
    bool available = false;
    std::string where;
    CertificateIndex roots;
};

// Reads the roots out of PEM text (every certificate block) and out of DER encodings.
TrustStore trustStoreFromPem(std::string_view pem, std::string where);
TrustStore trustStoreFromDer(const std::vector<std::string>& derCertificates, std::string where);

// The system's roots: read on first use, then kept for the rest of the run.
const TrustStore& systemTrustStore();

// The text said once when the system has no trust store to check CA certificates against.
std::string noTrustStoreText(const TrustStore& store);

// Checks certificates in the role a profile gives them. The profile's CA certificates are the
// issuers a CA certificate may rely on.
class AdvisoryChecker {
public:
    AdvisoryChecker(const TrustStore& store, std::time_t now) : store_(store), now_(now) {}

    void addProfileCa(const X509* certificate) { profileCas_.add(certificate); }

    // Appends the advisories of one certificate; `label` names it in them.
    void check(const X509* certificate, CertificateKind kind, const std::string& label,
               std::vector<Advisory>& out) const;

    // True once a CA certificate was checked without a trust store to check it against.
    bool missedTrustStore() const { return missedTrustStore_; }

private:
    const TrustStore& store_;
    std::time_t now_;
    CertificateIndex profileCas_;
    mutable bool missedTrustStore_ = false;
};

// The profile's own advisories: its outer protocol, and an identity sent before the tunnel.
// The texts are UTF-8.
void profileAdvisories(std::uint8_t outerProtocol, const std::string& initialIdentity,
                       const std::string& username, std::vector<Advisory>& out);

// The date part, "YYYY-MM-DD", of a certificate time; empty when it cannot be read.
std::string certificateDateText(const ASN1_TIME* time);

} // namespace corvane
