// The figures of one benchmark run and the ratios of the panel's costs to their references.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace bench {

// A console reporter that also keeps each benchmark's real time per iteration, in
// milliseconds, by name ("BM_ReplyAndPopUp/1000"); with repetitions, their median.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    std::optional<double> milliseconds(const std::string& name) const;

private:
    std::map<std::string, double> single_;
    std::map<std::string, double> median_;
};

// One line of the ratio table: a figure of ours against its reference and its target.
struct Ratio {
    std::string what;
    std::optional<double> ours;
    std::optional<double> reference;
    double target;  // the ratio may be at most this
    std::string unit = "ms";
};

// Prints the table of ratios; false when one misses its target or lacks a figure.
bool printRatios(const std::vector<Ratio>& ratios);

}  // namespace bench
