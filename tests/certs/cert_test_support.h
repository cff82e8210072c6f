#pragma once

#include <memory>
#include <ostream>
#include <string>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include "certs/certificate_entry.h"
#include "certs/certificates.h"
#include "support/test_support.h"

namespace corvane::test {

// Pass phrases the fixture script uses.
inline const std::string kP12Password = "corvane-p12";
inline const std::string kKeyPassword = "corvane-key";

inline std::string certFile(const std::string& name) {
    return dataFile("certs/" + name);
}
inline std::string certBytes(const std::string& name) {
    return readFile(certFile(name));
}

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
using X509Owner = std::unique_ptr<X509, X509Free>;

// The first certificate of a fixture, parsed by the library directly (PEM or DER).
inline X509Owner loadX509(const std::string& name) {
    std::string bytes = certBytes(name);
    BIO* bio = BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size()));
    X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, const_cast<char*>(""));
    if (cert == nullptr) {
        BIO_free(bio);
        bio = BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size()));
        cert = d2i_X509_bio(bio, nullptr);
    }
    BIO_free(bio);
    return X509Owner(cert);
}

// A new entry holding a fixture's bytes as the import would store them.
inline std::unique_ptr<CertificateEntry> entryFor(const std::string& name, CertificateKind kind,
                                                  CertificateFormat format) {
    auto entry = std::make_unique<CertificateEntry>();
    entry->kind = kind;
    entry->format = format;
    entry->bytes.assign(certBytes(name));
    return entry;
}

inline std::unique_ptr<CertificateEntry>
entryFromBytes(const std::string& bytes, CertificateKind kind, CertificateFormat format) {
    auto entry = std::make_unique<CertificateEntry>();
    entry->kind = kind;
    entry->format = format;
    entry->bytes.assign(bytes);
    return entry;
}

} // namespace corvane::test

namespace corvane {
// Readable failure messages for calendar records.
inline void PrintTo(const SystemTime& t, std::ostream* os) {
    *os << t.year << '-' << t.month << '-' << t.day << ' ' << t.hour << ':' << t.minute << ':'
        << t.second << " (dow " << t.dayOfWeek << ", ms " << t.milliseconds << ')';
}
} // namespace corvane
