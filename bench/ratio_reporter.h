// Console output as usual, plus each benchmark's mean real time so that
// ratios against a reference measured in the same run can be printed after
// it. With --benchmark_repetitions the mean of the repetitions replaces the
// last one's time; with --benchmark_report_aggregates_only it is the only
// time reported.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> realTime;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean")
                realTime[run.run_name.str()] = run.GetAdjustedRealTime();
    }

    // Prints the speed of name as a multiple of reference's (reference
    // time / own time; 1.00 = as fast).
    void printSpeed(const std::string& name, const std::string& reference) const
    {
        const auto own = realTime.find(name);
        const auto other = realTime.find(reference);
        if (own == realTime.end() || other == realTime.end() || own->second <= 0)
            return;
        std::printf("%-30s %5.2f x %s\n", name.c_str(), other->second / own->second, reference.c_str());
    }
};
