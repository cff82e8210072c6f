#include "certs/certificates.h"

// Placeholder until certificate import lands: nothing is recognised.
namespace corvane {
void initialiseCryptoLibrary() {}
CertificateFormat formatFromExtension(std::string_view) { return CertificateFormat::Unrecognised; }
CertificateFormat detectCertificateFormat(const std::string&) { return CertificateFormat::Unrecognised; }
StatusCode checkCertificate(CertificateEntry&, const std::string&) { return StatusCode::CertificateUnreadable; }
StatusCode convertCertificateEncoding(const ByteBuffer&, CertificateFormat, ByteBuffer&, CertificateFormat) { return StatusCode::AddFailed; }
} // namespace corvane
