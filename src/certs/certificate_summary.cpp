#include "certs/certificate_summary.h"

#include <array>
#include <ctime>
#include <new>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>

#include "certs/certificates.h"
#include "certs/openssl_handles.h"
#include "certs/pkcs12_limits.h"

namespace corvane {
namespace {

using BignumPtr = std::unique_ptr<BIGNUM, ossl::Deleter<BN_free>>;

// A certificate block is never encrypted: no pass phrase is ever asked for.
int noPassPhrase(char*, int, int, void*) {
    return -1;
}

// The library's long name of an object id; its number when it has none.
std::string objectName(int nid) {
    const char* name = OBJ_nid2ln(nid);
    return name ? name : std::to_string(nid);
}

std::string colonHex(const unsigned char* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0)
            text += ':';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string nameText(const X509_NAME* name) {
    ossl::Bio out(BIO_new(BIO_s_mem()));
    // RFC 2253 order and escaping, but characters beyond ASCII stay UTF-8 instead of \XX.
    if (!out || X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return {};
    char* data = nullptr;
    const long length = BIO_get_mem_data(out.get(), &data);
    return length > 0 ? std::string(data, static_cast<std::size_t>(length)) : std::string();
}

std::string timeText(const ASN1_TIME* time) {
    std::tm broken{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &broken) != 1)
        return {};
    std::array<char, 32> text{};
    const std::size_t written =
        std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S UTC", &broken);
    return std::string(text.data(), written);
}

std::string serialText(const X509* certificate) {
    BignumPtr serial(ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate), nullptr));
    if (!serial)
        return {};
    const bool negative = BN_is_negative(serial.get()) != 0;
    BN_set_negative(serial.get(), 0);
    std::string bytes(static_cast<std::size_t>(BN_num_bytes(serial.get())), '\0');
    BN_bn2bin(serial.get(), reinterpret_cast<unsigned char*>(bytes.data()));
    if (bytes.empty())
        bytes.assign(1, '\0');
    const std::string hex =
        colonHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return negative ? "-" + hex : hex;
}

std::string fingerprintText(const X509* certificate) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest.data(), &length) != 1)
        return {};
    return colonHex(digest.data(), length);
}

void describeKey(const X509* certificate, CertificateSummary& summary) {
    const EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (key == nullptr)
        return;
    const char* type = EVP_PKEY_get0_type_name(key);
    summary.keyType = type ? type : objectName(EVP_PKEY_get_base_id(key));
    std::array<char, 80> group{};
    std::size_t groupLength = 0;
    if (EVP_PKEY_get_group_name(key, group.data(), group.size(), &groupLength) == 1 &&
        groupLength > 0)
        summary.keyType += " (" + std::string(group.data(), groupLength) + ")";
    summary.keyBits = EVP_PKEY_get_bits(key);
}

} // namespace

std::vector<ossl::X509Ptr> readEntryCertificates(const CertificateEntry& entry,
                                                 const std::string& password, std::size_t most) {
    std::vector<ossl::X509Ptr> certificates;
    if (most == 0)
        return certificates;
    if (entry.format == CertificateFormat::Pkcs12) {
        // The bundle the last check opened is remembered: a tooltip derives nothing again.
        OpenedPkcs12 opened = openRememberedPkcs12(entry.bytes.view(), password);
        if (opened.outcome == Pkcs12Outcome::Opened && opened.certificate)
            certificates.push_back(std::move(opened.certificate));
        return certificates;
    }
    // CA certificates are kept as PEM whatever file they came from; a loaded profile may hold
    // either encoding, and a PEM text may hold several certificates, all of which the device
    // takes.
    ossl::Bio pem = ossl::memoryReader(entry.bytes.data(), entry.bytes.size());
    while (pem && certificates.size() < most) {
        ossl::X509Ptr certificate(PEM_read_bio_X509(pem.get(), nullptr, noPassPhrase, nullptr));
        if (!certificate)
            break;
        certificates.push_back(std::move(certificate));
    }
    ERR_clear_error();
    if (certificates.empty()) {
        ossl::Bio der = ossl::memoryReader(entry.bytes.data(), entry.bytes.size());
        if (ossl::X509Ptr certificate{der ? d2i_X509_bio(der.get(), nullptr) : nullptr})
            certificates.push_back(std::move(certificate));
    }
    ERR_clear_error();
    return certificates;
}

CertificateSummary summarizeX509(const X509* cert) {
    CertificateSummary summary;
    summary.subject = nameText(X509_get_subject_name(cert));
    summary.issuer = nameText(X509_get_issuer_name(cert));
    summary.validFrom = timeText(X509_get0_notBefore(cert));
    summary.validUntil = timeText(X509_get0_notAfter(cert));
    summary.serialNumber = serialText(cert);
    summary.sha256Fingerprint = fingerprintText(cert);
    summary.signatureAlgorithm = objectName(X509_get_signature_nid(cert));
    describeKey(cert, summary);
    ERR_clear_error();
    return summary;
}

std::optional<CertificateSummary> summarizeCertificate(const CertificateEntry& entry,
                                                       const std::string& password) {
    try {
        initialiseCryptoLibrary();
        ERR_clear_error();
        const std::vector<ossl::X509Ptr> certificates = readEntryCertificates(entry, password, 1);
        if (certificates.empty())
            return std::nullopt;
        return summarizeX509(certificates.front().get());
    } catch (const std::bad_alloc&) {
        ERR_clear_error();
        return std::nullopt;
    }
}

} // namespace corvane
