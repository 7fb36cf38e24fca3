#pragma once

#include <string>
#include <vector>

// What the run-benchmarks script reads: one line per figure, "NAME key=value ...", the times in
// the unit the name ends with.
struct BenchStats
{
    double median = 0;
    double min = 0;
    double max = 0;
    double p99 = 0;
    double mean = 0;
    std::size_t count = 0;

    static BenchStats of(std::vector<double> samples);
};

// Prints "NAME median=... min=... max=... p99=... mean=... n=..." and any extra "key=value" pairs.
void printFigure(const std::string& name, const BenchStats& stats, const std::string& extra = {});
void printValue(const std::string& name, double value);
