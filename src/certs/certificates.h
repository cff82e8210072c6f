#pragma once

#include <string>
#include <string_view>

#include "certs/certificate_entry.h"
#include "profile/status.h"

namespace corvane {

// Prepares the crypto library once at start-up: no configuration file, default and legacy
// providers. Cannot fail.
void initialiseCryptoLibrary();

// The format an extension suggests (case ignored); it only orders the probes.
CertificateFormat formatFromExtension(std::string_view extension);

// Identifies a certificate file by its content.
CertificateFormat detectCertificateFormat(const std::string& path);

// Parses the entry's bytes by its format with the private-key password (empty: none), checks
// the validity period and refreshes the entry's description and passwordRequired.
StatusCode checkCertificate(CertificateEntry& entry, const std::string& password);

// Re-encodes a certificate; used from DER to PEM.
StatusCode convertCertificateEncoding(const ByteBuffer& input, CertificateFormat sourceFormat,
                                      ByteBuffer& output, CertificateFormat targetFormat);

} // namespace corvane
