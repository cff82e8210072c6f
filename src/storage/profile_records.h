#pragma once

#include <cstddef>
#include <cstdint>

#include "certs/certificate_entry.h"
#include "profile/profile.h"
#include "profile/status.h"
#include "storage/record_database.h"

namespace corvane {

inline constexpr std::uint32_t kProfileDatabaseType = fourCharCode("PLCY");
inline constexpr std::uint32_t kProfileDatabaseCreator = fourCharCode("QNRX");
inline constexpr std::uint16_t kNewDatabaseAttributes = 0x0140;
inline constexpr std::uint8_t kProfileRecordAttributes = 0x10;
// Largest certificate record or client-key block that a save writes.
inline constexpr std::size_t kMaxCertificateRecordSize = 60000;
// More CA certificates than any network needs: a profile holds no more, and a database with
// more CA records is malformed.
inline constexpr std::uint32_t kMaxCaCertificates = 10000;

// Encodes into `buffer` from `position` when a buffer is given; returns the position after the
// record either way, so a first call without a buffer yields the size.
std::size_t encodeMainRecord(const Profile& profile, std::uint8_t* buffer, std::size_t position);
std::size_t encodeCertificateRecord(const CertificateEntry& entry, std::uint8_t* buffer,
                                    std::size_t position);

// Fills a new, empty entry from a certificate record: 0, 2 (no memory) or 6 (malformed).
StatusCode decodeCertificateRecord(CertificateEntry& entry, const std::uint8_t* bytes,
                                   std::size_t length);

// The format's self-inverse keystream over secret bytes.
void scrambleBytes(std::uint8_t* bytes, std::size_t count, std::uint32_t start, std::uint32_t seed);

// Fills a profile from a database already read and checked for type and creator: resets it
// (keeping filePath), decodes the records and keeps the header. 0, 2, 5 or 6.
StatusCode decodeProfileDatabase(Profile& profile, const RecordDatabase& database);

} // namespace corvane
