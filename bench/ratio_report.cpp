#include "ratio_report.h"

#include <cstdio>

namespace bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred)
            continue;
        const double ms = run.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                          benchmark::GetTimeUnitMultiplier(run.time_unit);
        const std::string name =
            run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
        if (run.run_type == Run::RT_Iteration)
            single_[name] = ms;
        else if (run.aggregate_name == "median")
            median_[name] = ms;
    }
}

std::optional<double> RatioReporter::milliseconds(const std::string& name) const
{
    if (auto it = median_.find(name); it != median_.end())
        return it->second;
    if (auto it = single_.find(name); it != single_.end())
        return it->second;
    return std::nullopt;
}

bool printRatios(const std::vector<Ratio>& ratios)
{
    bool allMet = true;
    std::printf("\n%-44s %12s %12s %8s %8s  %s\n", "ratio", "ours", "reference", "ratio", "target", "");
    for (const Ratio& r : ratios) {
        if (!r.ours || !r.reference || *r.reference <= 0) {
            std::printf("%-44s %12s %12s %8s %8.2f  no figure\n", r.what.c_str(), "-", "-", "-", r.target);
            allMet = false;
            continue;
        }
        const double ratio = *r.ours / *r.reference;
        const bool met = ratio <= r.target;
        allMet = allMet && met;
        std::printf("%-44s %9.3f %-2s %9.3f %-2s %8.2f %8.2f  %s\n", r.what.c_str(), *r.ours, r.unit.c_str(),
                    *r.reference, r.unit.c_str(), ratio, r.target, met ? "met" : "MISSED");
    }
    return allMet;
}

}  // namespace bench
