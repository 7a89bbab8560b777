// The main of every benchmark executable: runs the registered benchmarks and
// then prints each one's rate with its ratio to its reference, all measured
// in the same run. A reference is another benchmark, or a limit: the fastest
// of several benchmarks doing the same work.
//
// Unless the command line says otherwise, every benchmark runs five times,
// the repetitions of all benchmarks shuffled together, so a busy machine
// slows a kernel and its reference alike; rates and ratios are the medians.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestu_bench {

struct RatioTable {
    // A limit's name and the benchmarks it is the fastest of.
    std::vector<std::pair<std::string, std::vector<std::string>>> limits;
    // A benchmark and what it is compared with (a benchmark or a limit).
    std::vector<std::pair<std::string, std::string>> compare;
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(RatioTable table)
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular), table_(std::move(table))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        std::vector<Run> shown;
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!single && !median) continue;
            shown.push_back(run);
            const std::string name = Name(run);
            order_[{run.family_index, run.per_family_instance_index}] = name;
            rates_[name] = Rate(run);
        }
        if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::map<std::string, std::pair<double, std::string>> limits; // rate and fastest member
        std::printf("\n");
        for (const auto& [limit, members] : table_.limits) {
            std::pair<double, std::string> best{0.0, ""};
            for (const std::string& m : members)
                if (rates_.count(m) && rates_[m] > best.first) best = {rates_[m], m};
            if (best.first <= 0.0) continue;
            limits[limit] = best;
            std::printf("%-34s %9s/s  fastest of:", limit.c_str(), Scaled(best.first).c_str());
            for (const std::string& m : members)
                if (rates_.count(m))
                    std::printf(" %s %s%s", m.c_str(), Scaled(rates_[m]).c_str(), m == best.second ? "*" : "");
            std::printf("\n");
        }
        std::printf("%-34s %11s  %7s  %s\n", "benchmark", "rate", "ratio", "reference");
        for (const auto& [place, name] : order_) {
            std::printf("%-34s %9s/s", name.c_str(), Scaled(rates_[name]).c_str());
            for (const auto& [bench, reference] : table_.compare) {
                if (bench != name) continue;
                double to = 0.0;
                if (limits.count(reference))
                    to = limits[reference].first;
                else if (rates_.count(reference))
                    to = rates_[reference];
                if (to > 0.0) std::printf("  %6.1f%%  %s", 100.0 * rates_[name] / to, reference.c_str());
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    // The function and its arguments, without the time and repetition marks.
    static std::string Name(const Run& run)
    {
        return run.run_name.args.empty() ? run.run_name.function_name
                                         : run.run_name.function_name + "/" + run.run_name.args;
    }

    // Items or bytes per second, or iterations per second of the measured time.
    static double Rate(const Run& run)
    {
        for (const char* counter : {"items_per_second", "bytes_per_second"}) {
            auto it = run.counters.find(counter);
            if (it != run.counters.end()) return it->second.value;
        }
        const double seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        return seconds > 0.0 ? 1.0 / seconds : 0.0;
    }

    static std::string Scaled(double v)
    {
        const char* unit = "";
        if (v >= 1e9) {
            v /= 1e9;
            unit = "G";
        } else if (v >= 1e6) {
            v /= 1e6;
            unit = "M";
        } else if (v >= 1e3) {
            v /= 1e3;
            unit = "k";
        }
        char text[32];
        std::snprintf(text, sizeof(text), "%.3g%s", v, unit);
        return text;
    }

    RatioTable table_;
    std::map<std::string, double> rates_;
    std::map<std::pair<int64_t, int64_t>, std::string> order_; // in the order of registration
};

inline int RunWithRatios(int argc, char** argv, RatioTable table)
{
    std::vector<char*> args(argv, argv + argc);
    auto given = [&](const char* flag) {
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
        return false;
    };
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    if (!given("--benchmark_repetitions")) args.push_back(repetitions);
    if (!given("--benchmark_enable_random_interleaving")) args.push_back(interleave);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    RatioReporter reporter(std::move(table));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace kestu_bench
