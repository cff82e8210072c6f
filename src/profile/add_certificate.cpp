#include "profile/profile.h"

// Placeholder until certificate import lands.
namespace corvane {
StatusCode Profile::addCertificate(const std::string&, CertificateKind) { return StatusCode::AddFailed; }
} // namespace corvane
