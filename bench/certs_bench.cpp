// In-process cost of recognising and checking one CA certificate: detectCertificateFormat plus
// checkCertificate, per certificate, over Debian's whole CA collection (package ca-certificates).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "certs/certificates.h"
#include "storage/record_database.h"

namespace {

std::vector<std::string> collection() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& f :
         std::filesystem::directory_iterator("/usr/share/ca-certificates/mozilla", error))
        if (f.path().extension() == ".crt")
            files.push_back(f.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

void detectAndCheckEach(benchmark::State& state) {
    corvane::initialiseCryptoLibrary();
    const std::vector<std::string> files = collection();
    if (files.empty()) {
        state.SkipWithError("install the ca-certificates package");
        return;
    }
    std::size_t index = 0;
    for (auto _ : state) {
        const std::string& path = files[index++ % files.size()];
        corvane::CertificateEntry entry;
        entry.kind = corvane::CertificateKind::CaCertificate;
        entry.format = corvane::detectCertificateFormat(path);
        corvane::readWholeFile(path, entry.bytes);
        benchmark::DoNotOptimize(corvane::checkCertificate(entry, ""));
    }
    state.counters["certificates"] = static_cast<double>(files.size());
}
BENCHMARK(detectAndCheckEach)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// Client bundles in the current default encryption, checked with their password: the MAC,
// the iteration-count check and the decryption of certificate and key. Two bundles take turns,
// so that every check opens its bundle; checking the same bundle again with the same password
// (as the check before a save does) is measured on its own below.
corvane::CertificateEntry clientEntry(const char* name) {
    corvane::CertificateEntry entry;
    entry.kind = corvane::CertificateKind::ClientCertificate;
    entry.format = corvane::CertificateFormat::Pkcs12;
    // The fixtures live beside this source file's folder.
    const auto fixture =
        std::filesystem::path(__FILE__).parent_path().parent_path() / "tests/data/certs" / name;
    corvane::readWholeFile(fixture.string(), entry.bytes);
    return entry;
}

void checkClientPkcs12(benchmark::State& state) {
    corvane::initialiseCryptoLibrary();
    corvane::CertificateEntry entries[] = {clientEntry("client.p12"),
                                           clientEntry("client-nomac.p12")};
    if (entries[0].bytes.empty() || entries[1].bytes.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    std::size_t index = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::checkCertificate(entries[index++ % 2], "corvane-p12"));
}
BENCHMARK(checkClientPkcs12)->Unit(benchmark::kMicrosecond);

void recheckClientPkcs12(benchmark::State& state) {
    corvane::initialiseCryptoLibrary();
    corvane::CertificateEntry entry = clientEntry("client.p12");
    if (entry.bytes.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::checkCertificate(entry, "corvane-p12"));
}
BENCHMARK(recheckClientPkcs12)->Unit(benchmark::kMicrosecond);

} // namespace
