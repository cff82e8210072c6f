// Adding CA certificates in the window, in process: the Add command with its file dialog
// answered, every certificate through addCertificate, then the CA list refilled. On the real
// widgets (offscreen) and on the recording fake, once with all files in one Add and once with
// one Add per file (a refill each time). The time per certificate is what window_add_bench.sh
// compares with add_ca_cert in script mode.
// Usage: CORVANE_BENCH_CERTS=<folder of PEM files> window_add_certificates [benchmark flags]
#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "certs/certificates.h"
#include "ui/fake_controls.h"
#include "ui/main_window.h"
#include "ui/qt/qt_main_window.h"
#include "ui/scripted_dialogs.h"

namespace {

using namespace corvane;

std::vector<std::string>& certificatePaths() {
    static std::vector<std::string> paths;
    return paths;
}

// One window with its controls; the real widgets or the fake.
template <class ControlsType> struct Window {
    MainWindow logic;
    std::unique_ptr<ControlsType> controls = std::make_unique<ControlsType>(logic);
    test::ScriptedDialogs dialogs;
    Window() {
        logic.createMainWindow(*controls, dialogs, "/");
        if constexpr (std::is_same_v<ControlsType, QtMainWindow>) {
            controls->show();
            QApplication::processEvents();
        }
    }
    // The rows are painted as well.
    void settle() {
        if constexpr (std::is_same_v<ControlsType, QtMainWindow>)
            QApplication::processEvents();
    }
    ~Window() { logic.detach(); }
};

template <class ControlsType> void addAllAtOnce(benchmark::State& state) {
    const auto& paths = certificatePaths();
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window<ControlsType>>();
        window->dialogs.answerOpen(paths);
        state.ResumeTiming();
        window->logic.onCommand(ControlId::AddCa);
        window->settle();
        state.PauseTiming();
        if (window->logic.profile().caCertificates.count() != paths.size())
            state.SkipWithError("not every certificate was added");
        window.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(paths.size()));
}

template <class ControlsType> void addOneByOne(benchmark::State& state) {
    const auto& paths = certificatePaths();
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<Window<ControlsType>>();
        for (const std::string& path : paths)
            window->dialogs.answerOpen({path});
        state.ResumeTiming();
        for (std::size_t i = 0; i < paths.size(); ++i) {
            window->logic.onCommand(ControlId::AddCa);
            window->settle();
        }
        window->settle();
        state.PauseTiming();
        if (window->logic.profile().caCertificates.count() != paths.size())
            state.SkipWithError("not every certificate was added");
        window.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(paths.size()));
}

BENCHMARK_TEMPLATE(addAllAtOnce, QtMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(addOneByOne, QtMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(addAllAtOnce, test::FakeControls)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(addOneByOne, test::FakeControls)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const char* folder = std::getenv("CORVANE_BENCH_CERTS");
    if (!folder) {
        std::fprintf(stderr, "set CORVANE_BENCH_CERTS to a folder of PEM certificates\n");
        return 2;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".pem")
            certificatePaths().push_back(entry.path().string());
    std::sort(certificatePaths().begin(), certificatePaths().end());
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    initialiseCryptoLibrary();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
