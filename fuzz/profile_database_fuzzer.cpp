// Feeds arbitrary bytes through the record-database reader and the profile decoder, the same
// code that loading a file runs once its bytes are in memory.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "profile/profile.h"
#include "storage/profile_records.h"
#include "storage/record_database.h"

namespace {

using namespace corvane;

// Whatever decodes must encode again to the size the measuring pass promised, and a decoded
// certificate must survive a second trip through its record.
void checkReencoding(Profile& profile) {
    profile.updateFieldMask();
    std::vector<std::uint8_t> main(encodeMainRecord(profile, nullptr, 0));
    if (encodeMainRecord(profile, main.data(), 0) != main.size())
        std::abort();
    for (const auto& certificate : profile.caCertificates) {
        std::vector<std::uint8_t> record(encodeCertificateRecord(*certificate, nullptr, 0));
        if (encodeCertificateRecord(*certificate, record.data(), 0) != record.size())
            std::abort();
        CertificateEntry again;
        if (decodeCertificateRecord(again, record.data(), record.size()) != StatusCode::Success ||
            !again.bytes.equals(certificate->bytes) ||
            !(again.subject == certificate->subject.view()) ||
            !(again.notAfter == certificate->notAfter))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CertificateEntry entry;
    decodeCertificateRecord(entry, data, size);

    RecordDatabase database;
    if (database.readDatabaseFromMemory(data, size) != StatusCode::Success)
        return 0;
    Profile profile;
    if (decodeProfileDatabase(profile, database) == StatusCode::Success)
        checkReencoding(profile);
    return 0;
}
