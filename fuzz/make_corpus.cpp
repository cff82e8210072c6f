// Writes the seed corpus of the profile-database fuzzer with the real saver:
//   make_fuzz_corpus <folder>
// The seeds are committed; run this again only when the file layout changes.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "profile/profile.h"
#include "storage/profile_records.h"
#include "storage/record_database.h"

using namespace corvane;

namespace {

std::unique_ptr<CertificateEntry> certificate(const std::string& name, std::size_t size) {
    auto entry = std::make_unique<CertificateEntry>();
    std::string pem = "-----BEGIN CERTIFICATE-----\n" + name + "\n";
    pem.resize(size, 'M');
    pem += "\n-----END CERTIFICATE-----\n";
    entry->bytes.assign(pem);
    entry->format = CertificateFormat::Pem;
    entry->fileName.assign(name + ".pem");
    entry->subject.assign("CN=" + name);
    entry->issuer.assign("CN=Example Root");
    entry->notBefore = SystemTime{2024, 1, 0, 15, 0, 0, 0, 0};
    entry->notAfter = SystemTime{2034, 1, 0, 14, 0, 0, 0, 0};
    return entry;
}

bool save(Profile& profile, const std::filesystem::path& path) {
    profile.filePath.assign(path.string());
    profile.updateFieldMask();
    return profile.saveProfileDatabase() == StatusCode::Success;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    bool ok = true;

    Profile leap;
    leap.profileName.assign("Leap");
    leap.authProtocol = Leap;
    leap.username.assign("user");
    leap.password.assign("\xC7secret");
    ok = save(leap, folder / "leap.odb") && ok;

    Profile ttls;
    ttls.profileName.assign("Campus Wireless");
    ttls.authProtocol = EapTtls;
    ttls.innerAuthProtocol = MschapV2;
    ttls.username.assign("alice");
    ttls.password.assign("correct horse");
    ttls.initialIdentity.assign("anonymous@example.org");
    ttls.caCertificates.append(certificate("ca-one", 300));
    ttls.caCertificates.append(certificate("ca-two", 200));
    ok = save(ttls, folder / "ttls.odb") && ok;

    Profile tls;
    tls.profileName.assign("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    tls.privateKeyPassword.assign("pk");
    tls.clientCertificate = certificate("client", 400);
    tls.clientCertificate->format = CertificateFormat::Pkcs12;
    tls.clientCertificate->passwordRequired = true;
    tls.clientKeyBlock.assign("opaque key block");
    tls.caCertificates.append(certificate("ca", 100));
    ok = save(tls, folder / "tls.odb") && ok;

    // The same profile in the resource form, as a kept header makes it.
    tls.keptHeader.attributes = 0x0001;
    ok = save(tls, folder / "tls-resource.odb") && ok;

    RecordDatabase empty;
    ok = empty.writeDatabase((folder / "empty.odb").string()) == StatusCode::Success && ok;

    // A database cut short inside its last record.
    std::string cut;
    {
        std::ifstream in(folder / "ttls.odb", std::ios::binary);
        cut.assign(std::istreambuf_iterator<char>(in), {});
    }
    cut.resize(cut.size() - 150);
    std::ofstream(folder / "ttls-cut.odb", std::ios::binary) << cut;

    if (!ok)
        std::fprintf(stderr, "could not write every seed\n");
    return ok ? 0 : 1;
}
