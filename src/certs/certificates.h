#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <openssl/x509.h>

#include "certs/certificate_entry.h"
#include "certs/openssl_handles.h"
#include "profile/status.h"

namespace corvane {

// Prepares the crypto library once at start-up: no configuration file, no error texts (nothing
// shows them). Cannot fail; later calls do nothing.
void initialiseCryptoLibrary();

// Loads the default and legacy providers the first time certificate work needs them, so a run
// without certificates never pays for them. Later calls do nothing.
void loadCryptoProviders();

// The format an extension suggests (case ignored); it only orders the probes.
CertificateFormat formatFromExtension(std::string_view extension);

// No certificate or key file comes near this; anything larger is refused before it is read.
constexpr std::uint64_t kMaxCertificateFileSize = 1 << 20;

// Reads a whole certificate file: 0; ReadFailed when it is larger than
// kMaxCertificateFileSize or memory runs out; Failure when it cannot be opened, is not a
// regular file, is empty or comes short.
StatusCode readCertificateFile(const std::string& path, ByteBuffer& bytes);

// Identifies a certificate file by its content; Unrecognised when it cannot be read.
CertificateFormat detectCertificateFormat(const std::string& path);

// The same, for a file's content already in memory; the path's extension orders the probes.
CertificateFormat detectCertificateFormatOfBytes(std::string_view bytes, std::string_view path);

// A file's format together with the certificate its probe parsed (DER and PEM files; none for
// the others), so that checking and re-encoding need not parse it again.
struct RecognisedCertificate {
    CertificateFormat format = CertificateFormat::Unrecognised;
    ossl::X509Ptr certificate;
};
RecognisedCertificate recogniseCertificateBytes(std::string_view bytes, std::string_view path);

// Parses the entry's bytes by its format with the private-key password (empty: none), checks
// the validity period and refreshes the entry's description and passwordRequired.
StatusCode checkCertificate(CertificateEntry& entry, const std::string& password);

// The same, given the certificate that recognising the entry's bytes parsed (or null): it is
// the one the DER and PEM readers would read, so they take it instead.
StatusCode checkCertificate(CertificateEntry& entry, const std::string& password,
                            const X509* recognised);

// 0 inside the validity period, NotYetValid before it, Expired from its end on.
StatusCode checkValidityPeriod(const X509* certificate);

// Re-encodes a certificate; only DER to PEM (and a format to itself) is supported.
StatusCode convertCertificateEncoding(const ByteBuffer& input, CertificateFormat sourceFormat,
                                      ByteBuffer& output, CertificateFormat targetFormat);

// The PEM text of a parsed certificate, exactly as converting its DER bytes gives it.
StatusCode encodeCertificateAsPem(const X509* certificate, ByteBuffer& output);

} // namespace corvane
