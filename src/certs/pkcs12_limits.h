#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include "certs/openssl_handles.h"

namespace corvane {

// The library puts no bound on iteration counts, so a crafted bundle or key could keep the
// program deriving keys for hours. A bundle whose counts (MAC, encrypted safes, shrouded keys)
// add up to more than this, or a PEM key that asks for more, is refused as unreadable. Real
// bundles ask for a few thousand, or 600,000 from newer exporters.
constexpr std::int64_t kMaxPkcs12IterationCount = 10'000'000;
// The most memory a scrypt-protected key may ask for (128 × N × r bytes).
constexpr std::int64_t kMaxScryptMemory = 64 * 1024 * 1024;

// The iteration count a password-based algorithm identifier asks for (for scrypt, N × r × p):
// 0 when it names no known key derivation, -1 when its parameters cannot be read or are out of
// range (for scrypt, also when it needs more than kMaxScryptMemory).
std::int64_t passwordBasedIterationCount(const X509_ALGOR* algorithm);

enum class Pkcs12Outcome {
    Opened,
    NotABundle,       // the bytes hold no PKCS#12 structure
    Unparsable,       // damaged, unsupported, or a count above the limit
    PasswordRejected, // the MAC, or without a MAC the decryption, refuses the password
};

// What a bundle holds: the key (if any) and the certificate that goes with it. A bundle without
// a key yields its first certificate.
struct Pkcs12Contents {
    ossl::X509Ptr certificate;
    ossl::PKeyPtr key;
};

// Opens a bundle with the password (empty: none, and then the empty password is tried too).
// The counts readable without a password are added up before the MAC is checked, the counts
// inside encrypted safes before their keys are derived; once the sum passes workLimit the
// bundle is Unparsable. The bundle is walked once, so each key is derived once. Leaves the
// error queue empty.
Pkcs12Outcome openPkcs12(std::string_view bytes, const std::string& password,
                         Pkcs12Contents& contents,
                         std::int64_t workLimit = kMaxPkcs12IterationCount);

// What opening a bundle gave, as the checks and the certificate details use it.
struct OpenedPkcs12 {
    Pkcs12Outcome outcome = Pkcs12Outcome::Unparsable;
    ossl::X509Ptr certificate; // as in Pkcs12Contents; only when Opened
    bool keyPresent = false;
};

// openPkcs12, remembering the outcome for the last bundle and password asked about (one entry,
// keyed by a SHA-256 of both; no key is kept): asked again, nothing is derived, so the check
// before a save and the certificate details do not repeat the work of the import. workLimit
// bounds the work of this call: a remembered outcome costs none and is given whatever the
// limit, but only outcomes under the default limit are remembered.
OpenedPkcs12 openRememberedPkcs12(std::string_view bytes, const std::string& password,
                                  std::int64_t workLimit = kMaxPkcs12IterationCount);

// False when the encrypted keys of a PEM text ask for more than kMaxPkcs12IterationCount
// iterations together, or when the parameters of one cannot be read. A block under the
// traditional PEM encryption is opened first with the pass phrase the key reader will be given
// (never null), so that a key wrapped in it is counted too. Nothing costly is derived.
bool pemKeyWorkAcceptable(std::string_view pemText, const char* passPhrase);

} // namespace corvane
