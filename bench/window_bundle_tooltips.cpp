// What a protected PKCS#12 client bundle costs in the window, in process over the tests'
// recording fake: the bundle set while the profile has no private-key password, its row's
// tooltip, the password typed, the tooltip again, a CA row's tooltip, and the client row's once
// more. Every step that opens the bundle derives its keys unless an earlier step with the same
// bytes and password is remembered (bench/README.md counts the derivations under gdb).
// Usage: window_bundle_tooltips BUNDLE PASSWORD CA-CERTIFICATE [benchmark flags]
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "certs/certificates.h"
#include "ui/fake_controls.h"
#include "ui/main_window.h"
#include "ui/scripted_dialogs.h"

namespace {

using namespace corvane;

std::string bundle, password, caCertificate;

void setBundleAndHover(benchmark::State& state) {
    for (auto _ : state) {
        MainWindow logic;
        test::FakeControls controls(logic);
        test::ScriptedDialogs dialogs;
        logic.createMainWindow(controls, dialogs, "/");
        dialogs.answerOpen({caCertificate});
        logic.onCommand(ControlId::AddCa);
        dialogs.answerOpen({bundle});
        logic.onCommand(ControlId::SetClient);
        benchmark::DoNotOptimize(logic.listRowToolTip(ControlId::ClientList, 0));
        controls.type(ControlId::PrivateKeyPassword, password);
        benchmark::DoNotOptimize(logic.listRowToolTip(ControlId::ClientList, 0));
        benchmark::DoNotOptimize(logic.listRowToolTip(ControlId::CaList, 0));
        benchmark::DoNotOptimize(logic.listRowToolTip(ControlId::ClientList, 0));
        if (!dialogs.failures().empty())
            state.SkipWithError(dialogs.failures().front().c_str());
        logic.detach();
    }
}
BENCHMARK(setBundleAndHover)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    bundle = argv[1];
    password = argv[2];
    caCertificate = argv[3];
    initialiseCryptoLibrary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
