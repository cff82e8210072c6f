#include <memory>
#include <new>

#include "certs/certificates.h"
#include "platform/files.h"
#include "profile/profile.h"
#include "storage/profile_records.h"

namespace corvane {

namespace {

bool formatAllowed(CertificateKind kind, CertificateFormat format) {
    if (kind == CertificateKind::CaCertificate)
        return format == CertificateFormat::Der || format == CertificateFormat::Pem;
    return format == CertificateFormat::Pkcs12 || format == CertificateFormat::Pem;
}

// The file name part of a path: after its last separator of either kind.
std::string_view fileNameOf(std::string_view path) {
    std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

StatusCode addCertificateContent(Profile& profile, ByteBuffer bytes, std::string_view hint,
                                 std::string_view fileName, CertificateKind kind);

} // namespace

StatusCode Profile::addCertificate(const std::string& path, CertificateKind kind) {
    try {
        // Any entry counts, a folder too: what it holds is decided by reading it.
        if (platform::fileKind(path) == platform::FileKind::Missing)
            return StatusCode::FileNotFound;

        // The file is read once and recognised from those very bytes, so what is checked and
        // stored is what was recognised even if the file changes meanwhile. A file that cannot
        // be read is recognised as nothing, as an empty one is; one far too large for any
        // certificate is refused as unreadable without being read.
        ByteBuffer bytes;
        const StatusCode read = readCertificateFile(path, bytes);
        if (read == StatusCode::ReadFailed)
            return StatusCode::ReadFailed;
        if (read != StatusCode::Success)
            bytes.clear();
        return addCertificateContent(*this, std::move(bytes), path, fileNameOf(path), kind);
    } catch (const std::bad_alloc&) {
        return StatusCode::AddFailed;
    }
}

StatusCode Profile::addCertificate(ByteBuffer bytes, std::string_view fileName,
                                   CertificateKind kind) {
    return addCertificateContent(*this, std::move(bytes), fileName, fileName, kind);
}

namespace {

// The steps after reading: `hint` (the path, folders included) orders the format probes.
StatusCode addCertificateContent(Profile& profile, ByteBuffer bytes, std::string_view hint,
                                 std::string_view fileName, CertificateKind kind) {
    try {
        auto entry = std::make_unique<CertificateEntry>();
        entry->kind = kind;
        entry->bytes = std::move(bytes);

        // The certificate that recognition parses is the one checked and re-encoded.
        RecognisedCertificate recognised;
        if (!entry->bytes.empty())
            recognised = recogniseCertificateBytes(entry->bytes.view(), hint);
        entry->format = recognised.format;
        if (entry->format == CertificateFormat::Unrecognised)
            return StatusCode::UnknownFormat;
        if (!formatAllowed(kind, entry->format))
            return kind == CertificateKind::CaCertificate ? StatusCode::CaFormatNotSupported
                                                          : StatusCode::ClientFormatNotSupported;

        const StatusCode checked = checkCertificate(*entry, profile.privateKeyPassword.str(),
                                                    recognised.certificate.get());
        if (checked != StatusCode::Success && isFatalStatus(checked))
            return checked;

        if (kind == CertificateKind::CaCertificate) {
            // Every CA certificate is kept as PEM text; the format code still names the file's.
            if (entry->format == CertificateFormat::Der) {
                ByteBuffer pem;
                if (encodeCertificateAsPem(recognised.certificate.get(), pem) !=
                    StatusCode::Success)
                    return StatusCode::AddFailed;
                entry->bytes = std::move(pem);
            }
            if (profile.hasCaCertificate(*entry))
                return StatusCode::AlreadyInList;
        }

        entry->fileName.assign(fileName);
        if (kind == CertificateKind::CaCertificate) {
            // A longer list would make a database that no load accepts.
            if (profile.caCertificates.count() >= kMaxCaCertificates ||
                !profile.caCertificates.append(entry))
                return StatusCode::AddFailed;
        } else {
            profile.clientCertificate = std::move(entry);
        }
        profile.modified = true;
        return checked;
    } catch (const std::bad_alloc&) {
        return StatusCode::AddFailed;
    }
}

} // namespace
} // namespace corvane
