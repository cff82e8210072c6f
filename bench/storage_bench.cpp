// Load plus save of profile databases with 0, 100 and 1000 CA-certificate records of about
// 2 KB each; the per_record counter is the wall time of one load and save divided by the
// records.
//
//   storage_bench [benchmark flags]
//   storage_bench --write-database <path> <records>   (writes a database for storage_bench.sh)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "profile/profile.h"
#include "storage/profile_records.h"

namespace {

using namespace corvane;

// An EAP-TTLS profile with `records` distinct PEM-looking CA certificates of about 2 KB.
void fillProfile(Profile& profile, int records) {
    profile.reset(true);
    profile.profileName.assign("Bench");
    profile.authProtocol = EapTtls;
    profile.innerAuthProtocol = Pap;
    profile.username.assign("alice");
    profile.password.assign("secret");
    for (int i = 0; i < records; ++i) {
        auto entry = std::make_unique<CertificateEntry>();
        entry->kind = CertificateKind::CaCertificate;
        std::string pem = "-----BEGIN CERTIFICATE-----\n";
        const std::string line =
            "MIIC" + std::to_string(i) + "QWERTYUIOPASDFGHJKLZXCVBNMqwertyuiop";
        while (pem.size() < 1950)
            pem += line.substr(0, 64) + "\n";
        pem += "-----END CERTIFICATE-----\n";
        entry->bytes.assign(pem);
        entry->format = CertificateFormat::Pem;
        entry->fileName.assign("ca" + std::to_string(i) + ".pem");
        entry->subject.assign("CN=Bench CA " + std::to_string(i));
        entry->issuer.assign("CN=Bench Root");
        entry->notBefore = SystemTime{2024, 1, 0, 1, 0, 0, 0, 0};
        entry->notAfter = SystemTime{2034, 1, 0, 1, 0, 0, 0, 0};
        profile.caCertificates.append(std::move(entry));
    }
}

bool writeDatabase(const std::string& path, int records) {
    Profile profile;
    fillProfile(profile, records);
    profile.filePath.assign(path);
    profile.updateFieldMask();
    return profile.saveProfileDatabase() == StatusCode::Success;
}

void BM_LoadAndSave(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    const auto folder = std::filesystem::temp_directory_path() /
                        ("corvane-storage-bench-" + std::to_string(records));
    std::filesystem::create_directories(folder);
    const std::string source = (folder / "source.odb").string();
    const std::string copy = (folder / "copy.odb").string();
    if (!writeDatabase(source, records)) {
        state.SkipWithError("cannot write the source database");
        return;
    }
    for (auto _ : state) {
        Profile profile;
        profile.filePath.assign(source);
        if (profile.loadProfileDatabase() != StatusCode::Success) {
            state.SkipWithError("load failed");
            break;
        }
        profile.updateFieldMask();
        profile.filePath.assign(copy);
        if (profile.saveProfileDatabase() != StatusCode::Success) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(source)));
    // With no records this is the fixed cost of one load and save.
    state.counters["per_record"] =
        benchmark::Counter(std::max(records, 1), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// Wall time: the syncs that make a save durable are part of its cost.
BENCHMARK(BM_LoadAndSave)
    ->Arg(0)
    ->Arg(100)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--write-database") {
        if (!writeDatabase(argv[2], std::atoi(argv[3]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
