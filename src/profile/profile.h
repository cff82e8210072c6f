#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "certs/certificate_entry.h"
#include "profile/report.h"
#include "profile/status.h"
#include "storage/owned_types.h"
#include "storage/record_database.h"

namespace corvane {

// Outer authentication protocol codes, as stored in the profile record.
enum AuthProtocol : std::uint8_t {
    Leap = 7,
    EapTls = 9,
    EapTtls = 10,
    EapPeap = 11,
};

// Tunneled authentication protocol codes.
enum InnerAuthProtocol : std::uint8_t {
    Chap = 1,
    Mschap = 2,
    MschapV2 = 3,
    Pap = 4,
    EapMd5Challenge = 8,
    EapGtc = 12,
    EapMschapV2 = 13,
};

// Which profile fields apply to the outer protocol.
enum FieldMask : std::uint8_t {
    UsesInnerProtocol = 0x01,
    UsesPassword = 0x02,
    UsesInitialIdentity = 0x04,
    UsesCaCertificates = 0x08,
    AllowsClientCertificate = 0x10,
    RequiresClientCertificate = 0x20,
    UsesPrivateKeyPassword = 0x40,
};

constexpr std::uint32_t kDefaultTargetCode = 0x6465766E; // "devn"

// The one wireless-network profile being edited.
class Profile {
public:
    Profile() = default;
    virtual ~Profile() = default;
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    CountedString filePath;
    CountedString profileName;
    std::uint32_t targetCode = kDefaultTargetCode;
    std::uint8_t authProtocol = EapTls;
    std::uint8_t innerAuthProtocol = Pap;
    CountedString username;
    CountedString password;
    CountedString privateKeyPassword;
    CountedString initialIdentity;
    ObjectList<CertificateEntry> caCertificates;
    std::unique_ptr<CertificateEntry> clientCertificate;
    ByteBuffer clientKeyBlock;
    DatabaseHeader keptHeader;
    bool modified = false;
    std::uint8_t fieldMask = 0;

    StatusCode reset(bool clearFilePath);
    StatusCode addCertificate(const std::string& path, CertificateKind kind);
    // The same for a certificate file's content already in memory (a provider configuration
    // carries its certificates inline): `fileName` is what the list shows, and its extension
    // orders the format probes as a path's does.
    StatusCode addCertificate(ByteBuffer bytes, std::string_view fileName, CertificateKind kind);
    StatusCode removeCertificate(long long index, CertificateKind kind);
    void updateFieldMask();
    bool hasCaCertificate(const CertificateEntry& entry) const;

    StatusCode loadProfileDatabase();
    StatusCode saveProfileDatabase();
};

StatusCode validateProfileName(std::string_view text);
StatusCode validateTextField(std::string_view text);
StatusCode validateProtocols(std::uint8_t outer, std::uint8_t inner);
StatusCode checkCertificateRequirements(std::uint8_t outer, std::uint32_t caCount,
                                        bool clientPresent);

} // namespace corvane
