// Runs the registered benchmarks with their repetitions taking turns, so that
// the load of a shared machine falls on each of them alike and the ratios of a
// drawing to its reference can be read from one run.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace kvbench {

inline int RunInterleaved(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace kvbench
