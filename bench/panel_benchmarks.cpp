// Opening the tab, saving, and the writer alone, against constructing the toolkit's own print
// dialog.
#include "bench_support.h"

#include <QPrintDialog>
#include <QPrinter>

#include <benchmark/benchmark.h>

namespace {

// Factory -> panelView -> willShow -> restore from a full set of print settings, and the panel
// let go again, as a host pays each time the user opens the dialog on this printer.
void BM_OpenTab(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    bench::LoadedFactory factory;
    if (!factory.get()) {
        state.SkipWithError("the plug-in did not load");
        return;
    }
    harness::HarnessHost host;
    host.settings = bench::fullPrintSettings();
    for (auto _ : state) {
        auto panel = bench::panelFromFactory(*factory.get(), host);
        benchmark::DoNotOptimize(panel->panelView());
        panel->willShow();
        panel->restoreValuesAndReturnError(nullptr);
    }
    state.counters["settings"] = static_cast<double>(host.settings.values().size());
}
BENCHMARK(BM_OpenTab)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reference: constructing (and letting go of) the toolkit's print dialog for a printer.
void BM_QPrintDialog(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    QPrinter printer;
    for (auto _ : state) {
        QPrintDialog dialog(&printer);
        benchmark::DoNotOptimize(&dialog);
    }
}
BENCHMARK(BM_QPrintDialog)->Unit(benchmark::kMillisecond)->UseRealTime();

// Save and shouldPrint, with the preference write that comes with it.
void BM_SaveAndPrint(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    bench::LoadedFactory factory;
    harness::HarnessHost host;
    host.settings = bench::fullPrintSettings();
    auto panel = factory.get() ? bench::panelFromFactory(*factory.get(), host) : nullptr;
    if (!panel) {
        state.SkipWithError("no panel");
        return;
    }
    panel->panelView();
    panel->willShow();
    panel->restoreValuesAndReturnError(nullptr);
    for (auto _ : state) {
        panel->saveValuesAndReturnError(nullptr);
        benchmark::DoNotOptimize(panel->shouldPrint());
    }
}
BENCHMARK(BM_SaveAndPrint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The settings writer alone: every key from the controls, each secret in its forms.
void BM_Writer(benchmark::State& state)
{
    const bench::OwnUserDirs dirs;  // no benchmark sees what another stored
    harness::HarnessHost host;
    host.settings = bench::fullPrintSettings();
    auto panel = host.makePanel();
    panel->panelView();
    panel->folderList = bench::sampleFolders();
    panel->makeFolderPopup();
    panel->restoreValuesAndReturnError(nullptr);
    for (auto _ : state)
        panel->writeNonPPDSettingsToPrintSettings();
    state.counters["settings"] = static_cast<double>(host.settings.values().size());
}
BENCHMARK(BM_Writer)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
