// Runs the benchmarks headless in private user folders, then prints the ratios of the panel's
// costs to their references and the host's peak memory against a bare print-dialog program.
// Exit status 0 when every ratio meets its target, 1 when one misses (the figures stand).
#include "bench_support.h"
#include "harness_host.h"
#include "ratio_report.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The median peak memory of three runs of a program, in MiB.
std::optional<double> medianPeakMiB(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<long> peaks;
    for (int run = 0; run < 3; ++run) {
        const auto peak = bench::peakResidentKiB(program, arguments);
        if (!peak)
            return std::nullopt;
        peaks.push_back(*peak);
    }
    std::sort(peaks.begin(), peaks.end());
    return peaks[1] / 1024.0;
}

// The ratio for a benchmark of ours against its reference, both by name.
bench::Ratio timeRatio(const bench::RatioReporter& report, const std::string& what, const std::string& ours,
                       const std::string& reference, double target)
{
    return {what, report.milliseconds(ours), report.milliseconds(reference), target};
}

}  // namespace

int main(int argc, char** argv)
{
    auto app = harness::makeHeadlessApplication(argc, argv);
    // Never the user's own folders, also outside the benchmarks' own.
    bench::OwnUserDirs dirs;

    if (!bench::initializeBenchmarks(argc, argv))
        return 2;

    bench::RatioReporter report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();

    std::vector<bench::Ratio> ratios{
        timeRatio(report, "open the tab / construct QPrintDialog", "BM_OpenTab", "BM_QPrintDialog", 0.25)};
    for (const char* n : {"10", "1000", "10000"})
        ratios.push_back(timeRatio(report, std::string("reply + pop-up / bare parse, ") + n + " folders",
                                   std::string("BM_ReplyAndPopUp/") + n, std::string("BM_BareDomParse/") + n, 1.2));
    for (const char* n : {"10", "1000"})
        ratios.push_back(timeRatio(report, std::string("fetch / bare round trip + parse, ") + n + " folders",
                                   std::string("BM_FolderFetch/") + n, std::string("BM_BareRoundTripAndParse/") + n,
                                   1.3));

    // Sealing has a budget of its own rather than a reference: a job's whole sealing and
    // opening within a millisecond.
    const auto sealMs = report.milliseconds("BM_SealJobSecrets");
    const auto openMs = report.milliseconds("BM_OpenJobSecrets");
    ratios.push_back({"seal + open a job's secrets / 1 ms budget",
                      sealMs && openMs ? std::optional<double>(*sealMs + *openMs) : std::nullopt, 1.0, 1.0});

    // Growth with the folder count: the cost per folder at each size.
    std::printf("\ncost per folder (reply + pop-up):");
    for (const char* n : {"10", "1000", "10000"})
        if (auto ms = report.milliseconds(std::string("BM_ReplyAndPopUp/") + n))
            std::printf("  %s: %.2f us", n, *ms * 1000.0 / std::stod(n));
    if (auto ms = report.milliseconds("BM_ReplyBeyondTheCap/100000"))
        std::printf("  100000 (refused, over the cap): %.2f us", *ms * 1000.0 / 100000);
    std::printf("\n");

    // Fresh folders for the memory runs, as for each benchmark.
    const bench::OwnUserDirs freshDirs;
    const auto host = medianPeakMiB(harness::programPath("korvane-print"),
                                    {"--batch", "--printer", "sample", "--dry-run", "--calls",
                                     "panelView,willShow,restore,ops,save,shouldPrint,summary"});
    const auto bare = medianPeakMiB(harness::programPath("bare-print-dialog"), {});
    ratios.push_back({"peak memory: batch host / bare QPrintDialog", host, bare, 1.15, "MiB"});

    return bench::printRatios(ratios) ? 0 : 1;
}
