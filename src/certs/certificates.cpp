#include "certs/certificates.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>
#include <utility>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/proverr.h>
#include <openssl/provider.h>

#include "app/startup.h"
#include "certs/certificate_details.h"
#include "certs/openssl_errors.h"
#include "certs/openssl_handles.h"
#include "certs/pem_labels.h"
#include "certs/pkcs12_limits.h"
#include "platform/files.h"
#include "storage/record_database.h"

namespace corvane {

namespace {

// Offered to the PEM readers when the profile has no private-key password, so that the library
// never asks on the terminal and an encrypted block simply fails to open. Control characters
// cannot be typed as a pass phrase, nor come from a script.
constexpr char kPlaceholderPassPhrase[] = "\x1b\x7f\x1b\x7f";

// A pass-phrase callback that never supplies one: detection must not prompt.
int refusePassPhrase(char*, int, int, void*) {
    return -1;
}

std::once_flag cryptoInitialised;
std::once_flag providersLoaded;
OSSL_PROVIDER* defaultProvider = nullptr;
OSSL_PROVIDER* legacyProvider = nullptr;

void unloadProviders() {
    if (legacyProvider != nullptr)
        OSSL_PROVIDER_unload(std::exchange(legacyProvider, nullptr));
    if (defaultProvider != nullptr)
        OSSL_PROVIDER_unload(std::exchange(defaultProvider, nullptr));
}

// A probe that parses a certificate hands it on in `parsed`.
bool probe(CertificateFormat format, std::string_view bytes, ossl::X509Ptr& parsed) {
    ossl::Bio bio = ossl::memoryReader(bytes.data(), bytes.size());
    if (!bio)
        return false;
    switch (format) {
    case CertificateFormat::Pkcs12:
        return ossl::Pkcs12Ptr(d2i_PKCS12_bio(bio.get(), nullptr)) != nullptr;
    case CertificateFormat::Der:
        parsed.reset(d2i_X509_bio(bio.get(), nullptr));
        return parsed != nullptr;
    case CertificateFormat::Pem:
        parsed.reset(PEM_read_bio_X509(bio.get(), nullptr, refusePassPhrase, nullptr));
        return parsed != nullptr;
    case CertificateFormat::Pkcs7:
        return ossl::Pkcs7Ptr(d2i_PKCS7_bio(bio.get(), nullptr)) != nullptr;
    case CertificateFormat::Unrecognised:
        break;
    }
    return false;
}

std::array<CertificateFormat, 4> probeOrder(CertificateFormat hint) {
    using F = CertificateFormat;
    switch (hint) {
    case F::Der:
        return {F::Der, F::Pkcs12, F::Pem, F::Pkcs7};
    case F::Pem:
        return {F::Pem, F::Pkcs7, F::Pkcs12, F::Der};
    case F::Pkcs7:
        return {F::Pkcs7, F::Pem, F::Pkcs12, F::Der};
    case F::Pkcs12:
    case F::Unrecognised:
        break;
    }
    return {F::Pkcs12, F::Der, F::Pem, F::Pkcs7};
}

// A protected file read without a password is accepted for now and flagged; with a password
// the password is wrong.
StatusCode passwordOutcome(CertificateEntry& entry, const std::string& password) {
    if (!password.empty())
        return StatusCode::WrongPassword;
    entry.passwordRequired = true;
    return StatusCode::Success;
}

StatusCode readDer(BIO* bio, CertificateEntry& entry, const X509* recognised) {
    ossl::X509Ptr parsed;
    if (!recognised) {
        parsed.reset(d2i_X509_bio(bio, nullptr));
        if (!parsed)
            return StatusCode::CertificateUnreadable;
        recognised = parsed.get();
    }
    StatusCode validity = checkValidityPeriod(recognised);
    describeCertificate(recognised, entry);
    return validity;
}

StatusCode describeBundle(const X509* certificate, bool keyPresent, CertificateEntry& entry) {
    if (!certificate)
        return StatusCode::NoCertificate;
    StatusCode validity = checkValidityPeriod(certificate);
    describeCertificate(certificate, entry);
    if (entry.kind == CertificateKind::ClientCertificate && !keyPresent)
        return StatusCode::NoPrivateKey;
    return validity;
}

StatusCode readPkcs12(CertificateEntry& entry, const std::string& password) {
    // The bundle last opened is remembered, so the check before a save derives nothing again
    // when neither the bundle nor the password changed since it was added.
    const OpenedPkcs12 opened = openRememberedPkcs12(entry.bytes.view(), password);
    switch (opened.outcome) {
    case Pkcs12Outcome::NotABundle:
        return StatusCode::Pkcs12Unreadable;
    case Pkcs12Outcome::Unparsable:
        return StatusCode::CertificateUnreadable;
    case Pkcs12Outcome::PasswordRejected:
        return passwordOutcome(entry, password);
    case Pkcs12Outcome::Opened:
        break;
    }
    return describeBundle(opened.certificate.get(), opened.keyPresent, entry);
}

StatusCode readPem(BIO* bio, CertificateEntry& entry, const std::string& password,
                   const X509* recognised) {
    // The library takes the pass phrase as a writable pointer but only reads it.
    char* passPhrase =
        const_cast<char*>(password.empty() ? kPlaceholderPassPhrase : password.c_str());
    // Recognition read the first certificate block without a pass phrase, so reading it again
    // with one would give the same certificate.
    ossl::X509Ptr parsed;
    if (!recognised)
        parsed.reset(PEM_read_bio_X509(bio, nullptr, nullptr, passPhrase));
    const X509* certificate = recognised ? recognised : parsed.get();
    if (!certificate) {
        ossl::ErrorQueue errors = ossl::ErrorQueue::take();
        if (!hasCertificateBlock(scanPemLabels(entry.bytes.view())) ||
            errors.contains(ERR_LIB_PEM, PEM_R_NO_START_LINE))
            return StatusCode::NoCertificate;
        if (entry.kind == CertificateKind::CaCertificate)
            return StatusCode::PemCaUnreadable;
        return passwordOutcome(entry, password);
    }
    StatusCode validity = checkValidityPeriod(certificate);
    describeCertificate(certificate, entry);
    if (entry.kind == CertificateKind::CaCertificate)
        return validity;

    // An encrypted key is derived even without a password (the placeholder is tried), so its
    // cost is bounded before the library sees it, under every layer the pass phrase opens.
    if (!pemKeyWorkAcceptable(entry.bytes.view(), passPhrase))
        return StatusCode::CertificateUnreadable;
    if (BIO_reset(bio) < 0)
        return StatusCode::ReaderFailed;
    ERR_clear_error();
    ossl::PKeyPtr key(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, passPhrase));
    if (key)
        return validity;
    ossl::ErrorQueue errors = ossl::ErrorQueue::take();
    // The file's own labels are the reliable witness: the library reports a missing key, a
    // wrong pass phrase and a pass phrase that decrypts to garbage in ways that overlap.
    PemKeyPresence presence = privateKeyPresence(scanPemLabels(entry.bytes.view()));
    if (presence.encryptedKey)
        return passwordOutcome(entry, password);
    if (!presence.anyKey || errors.contains(ERR_LIB_PEM, PEM_R_NO_START_LINE))
        return StatusCode::NoPrivateKey;
    return passwordOutcome(entry, password);
}

} // namespace

void initialiseCryptoLibrary() {
    try {
        // Only what must come first: without this the library would read its configuration
        // file on first use. Its cipher and digest tables fill themselves when first asked.
        std::call_once(cryptoInitialised, [] {
            OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS,
                                nullptr);
        });
    } catch (...) {
        // Without threads support call_once can throw; the library then initialises itself
        // on first use.
    }
}

void loadCryptoProviders() {
    initialiseCryptoLibrary();
    try {
        std::call_once(providersLoaded, [] {
            // Loading one provider by name switches the implicit default off, so both are named;
            // the legacy one opens PKCS#12 files protected with RC2 or single DES.
            defaultProvider = OSSL_PROVIDER_load(nullptr, "default");
            legacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
            // Handlers run in reverse order, so this one runs before the library's own clean-up,
            // which frees a provider only once nobody holds it any more.
            std::atexit(unloadProviders);
            ERR_clear_error();
        });
    } catch (...) {
        // Without threads support call_once can throw; the implicit default provider serves.
    }
}

CertificateFormat formatFromExtension(std::string_view extension) {
    auto is = [extension](std::string_view candidate) {
        if (extension.size() != candidate.size())
            return false;
        for (std::size_t i = 0; i < extension.size(); ++i) {
            char c = extension[i];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != candidate[i])
                return false;
        }
        return true;
    };
    if (is("pem"))
        return CertificateFormat::Pem;
    if (is("pfx") || is("p12"))
        return CertificateFormat::Pkcs12;
    if (is("der") || is("crt") || is("cer"))
        return CertificateFormat::Der;
    if (is("p7b"))
        return CertificateFormat::Pkcs7;
    return CertificateFormat::Unrecognised;
}

RecognisedCertificate recogniseCertificateBytes(std::string_view bytes, std::string_view path) {
    loadCryptoProviders();
    RecognisedCertificate found;
    for (CertificateFormat format :
         probeOrder(formatFromExtension(fileExtension(path).value_or("")))) {
        if (probe(format, bytes, found.certificate)) {
            found.format = format;
            break;
        }
    }
    // The failed probes leave errors behind that mean nothing to anyone else.
    ERR_clear_error();
    return found;
}

CertificateFormat detectCertificateFormatOfBytes(std::string_view bytes, std::string_view path) {
    return recogniseCertificateBytes(bytes, path).format;
}

StatusCode readCertificateFile(const std::string& path, ByteBuffer& bytes) {
    // The open file's size is looked at before anything is read, so a huge or sparse file costs
    // nothing; no lock is taken, so any number of runs may read one certificate at once.
    const StatusCode read = readWholeFile(path, bytes, kMaxCertificateFileSize);
    if (read == StatusCode::Success)
        return StatusCode::Success;
    if (read == StatusCode::OutOfMemory)
        return StatusCode::ReadFailed;
    std::uint64_t size = 0;
    if (platform::fileKind(path, &size) == platform::FileKind::Regular &&
        size > kMaxCertificateFileSize)
        return StatusCode::ReadFailed;
    return StatusCode::Failure;
}

CertificateFormat detectCertificateFormat(const std::string& path) {
    try {
        ByteBuffer content;
        if (readCertificateFile(path, content) != StatusCode::Success)
            return CertificateFormat::Unrecognised;
        return detectCertificateFormatOfBytes(content.view(), path);
    } catch (const std::bad_alloc&) {
        return CertificateFormat::Unrecognised;
    }
}

StatusCode checkValidityPeriod(const X509* certificate) {
    std::time_t now = std::time(nullptr);
    // A time the library cannot compare (0) counts as inside the period.
    if (X509_cmp_time(X509_get0_notBefore(certificate), &now) > 0)
        return StatusCode::NotYetValid;
    if (X509_cmp_time(X509_get0_notAfter(certificate), &now) < 0)
        return StatusCode::Expired;
    return StatusCode::Success;
}

StatusCode checkCertificate(CertificateEntry& entry, const std::string& password) {
    return checkCertificate(entry, password, nullptr);
}

StatusCode checkCertificate(CertificateEntry& entry, const std::string& password,
                            const X509* recognised) {
    try {
        loadCryptoProviders();
        entry.passwordRequired = false;
        ERR_clear_error();
        // No bytes, as in a damaged record, give no reader to parse with: the entry fails
        // rather than passing unexamined.
        if (entry.bytes.size() == 0)
            return StatusCode::ReaderFailed;
        ossl::Bio bio = ossl::memoryReader(entry.bytes.data(), entry.bytes.size());
        if (!bio)
            return StatusCode::ReaderFailed;
        StatusCode status = StatusCode::Success;
        switch (entry.format) {
        case CertificateFormat::Der:
            status = readDer(bio.get(), entry, recognised);
            break;
        case CertificateFormat::Pkcs12:
            status = readPkcs12(entry, password);
            break;
        case CertificateFormat::Pem:
            status = readPem(bio.get(), entry, password, recognised);
            break;
        default:
            break;
        }
        ERR_clear_error();
        return status;
    } catch (const std::bad_alloc&) {
        ERR_clear_error();
        return StatusCode::ReaderFailed;
    }
}

StatusCode convertCertificateEncoding(const ByteBuffer& input, CertificateFormat sourceFormat,
                                      ByteBuffer& output, CertificateFormat targetFormat) {
    loadCryptoProviders();
    ERR_clear_error();
    if (sourceFormat == targetFormat)
        return output.assignFrom(input) == 0 ? StatusCode::Success : StatusCode::ReaderFailed;
    if (sourceFormat != CertificateFormat::Der || targetFormat != CertificateFormat::Pem)
        return StatusCode::ReaderFailed;
    ossl::Bio reader = ossl::memoryReader(input.data(), input.size());
    if (!reader)
        return StatusCode::ReaderFailed;
    ossl::X509Ptr certificate(d2i_X509_bio(reader.get(), nullptr));
    if (!certificate) {
        ERR_clear_error();
        return StatusCode::CertificateUnreadable;
    }
    return encodeCertificateAsPem(certificate.get(), output);
}

StatusCode encodeCertificateAsPem(const X509* certificate, ByteBuffer& output) {
    ossl::Bio writer(BIO_new(BIO_s_mem()));
    if (!writer || PEM_write_bio_X509(writer.get(), certificate) != 1) {
        ERR_clear_error();
        return StatusCode::ReaderFailed;
    }
    char* text = nullptr;
    long length = BIO_get_mem_data(writer.get(), &text);
    if (length <= 0 || text == nullptr)
        return StatusCode::ReaderFailed;
    if (output.assign(reinterpret_cast<const std::uint8_t*>(text),
                      static_cast<std::size_t>(length)) != 0)
        return StatusCode::ReaderFailed;
    return StatusCode::Success;
}

} // namespace corvane
