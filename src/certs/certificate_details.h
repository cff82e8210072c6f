#pragma once

#include <array>
#include <string>

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include "certs/certificate_entry.h"

namespace corvane {

// Which attribute types name a certificate's subject and its issuer, and in which order.
enum class NameOrder {
    Subject, // commonName, surname, organizationName, organizationalUnitName
    Issuer,  // commonName, organizationName, organizationalUnitName, surname
};

constexpr std::size_t kDisplayNameBufferSize = 256;
using DisplayNameBuffer = std::array<char, kDisplayNameBufferSize>;

// Fills the buffer with the raw bytes of the first non-empty attribute value in the order (at
// most 255 bytes, zero-terminated) and returns 0, or writes "unknown" and returns 1.
int nameToDisplayText(const X509_NAME* name, NameOrder order, DisplayNameBuffer& buffer);

// The display text itself: the buffer up to its first zero byte.
std::string displayName(const X509_NAME* name, NameOrder order);

// Reads an ASN.1 UTCTime or GeneralizedTime as a UTC calendar time: 0 on success, 1 on failure,
// which leaves the record untouched.
int certificateTimeToSystemTime(const ASN1_TIME* time, SystemTime& record);

// The date (no time) of a UTC record in local time, in the locale's short date form.
std::string formatCertificateDate(const SystemTime& utc);

// Replaces the entry's subject, issuer and validity dates from the certificate.
void describeCertificate(const X509* certificate, CertificateEntry& entry);

} // namespace corvane
