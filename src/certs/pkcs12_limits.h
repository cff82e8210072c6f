#pragma once

#include <cstdint>
#include <string>

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

namespace corvane {

// The library puts no bound on PKCS#12 iteration counts, so a crafted bundle could keep the
// program deriving keys for hours. Counts above this are refused as unreadable.
constexpr std::int64_t kMaxPkcs12IterationCount = 10'000'000;

// The iteration count a password-based algorithm identifier asks for: 0 when it names no known
// key derivation, -1 when its parameters cannot be read or the count is out of range.
std::int64_t passwordBasedIterationCount(const X509_ALGOR* algorithm);

// True when the MAC and every key derivation of the bundle stay within the limit. Safe
// contents encrypted as a whole are opened with the password (only after their own count has
// passed) to reach the key bags inside them. Leaves the error queue as it found it.
bool pkcs12IterationCountsAcceptable(const PKCS12* p12, const std::string& password);

} // namespace corvane
