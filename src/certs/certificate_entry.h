#pragma once

#include <cstdint>

#include "storage/owned_types.h"

namespace corvane {

enum class CertificateKind : std::int32_t {
    ClientCertificate = 0,
    CaCertificate = 1,
};

enum class CertificateFormat : std::uint8_t {
    Unrecognised = 0,
    Der = 1,
    Pkcs12 = 2,
    Pem = 3,
    Pkcs7 = 4,
};

// A calendar time in UTC, field for field as the profile stores and shows it.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// One certificate held by a profile.
class CertificateEntry : public ListItem {
public:
    CertificateKind kind = CertificateKind::ClientCertificate;
    ByteBuffer bytes;
    CertificateFormat format = CertificateFormat::Unrecognised;
    CountedString fileName;
    CountedString subject;
    CountedString issuer;
    SystemTime notBefore;
    SystemTime notAfter;
    bool passwordRequired = false;
};

} // namespace corvane
