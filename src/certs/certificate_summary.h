#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "certs/certificate_entry.h"
#include "certs/openssl_handles.h"

namespace corvane {

// What an administrator needs to tell two certificates apart, beyond the short description the
// lists show.
struct CertificateSummary {
    std::string subject;            // the whole name, RFC 2253 order, UTF-8
    std::string issuer;             // likewise
    std::string validFrom;          // "YYYY-MM-DD hh:mm:ss UTC"
    std::string validUntil;         // likewise
    std::string serialNumber;       // upper-case hex bytes separated by colons
    std::string sha256Fingerprint;  // the DER encoding's SHA-256, as the serial number
    std::string signatureAlgorithm; // the library's long name, e.g. "sha256WithRSAEncryption"
    std::string keyType;            // "RSA", "EC", "ED25519", ...; an EC key adds its curve
    int keyBits = 0;
};

// The certificates an entry holds, at most `most` of them: every block of a PEM text, a DER
// certificate, or a PKCS#12 bundle's own certificate (opened with the password). Empty when
// none can be read. Leaves the library's error queue empty.
std::vector<ossl::X509Ptr> readEntryCertificates(const CertificateEntry& entry,
                                                 const std::string& password,
                                                 std::size_t most = SIZE_MAX);

// The summary of a parsed certificate.
CertificateSummary summarizeX509(const X509* certificate);

// Reads the certificate an entry holds (PEM, DER, or a PKCS#12 bundle opened with the password)
// and summarises it; nothing when it cannot be read. Leaves the library's error queue empty.
std::optional<CertificateSummary> summarizeCertificate(const CertificateEntry& entry,
                                                       const std::string& password);

} // namespace corvane
