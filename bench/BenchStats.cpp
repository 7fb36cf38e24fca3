#include "BenchStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

BenchStats BenchStats::of(std::vector<double> samples)
{
    BenchStats stats;
    if (samples.empty())
        return stats;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    stats.count = n;
    stats.min = samples.front();
    stats.max = samples.back();
    stats.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    // Nearest rank: the smallest sample that at least 99 % of the samples do not exceed.
    const auto rank = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n)));
    stats.p99 = samples[std::clamp<std::size_t>(rank, 1, n) - 1];
    stats.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(n);
    return stats;
}

void printFigure(const std::string& name, const BenchStats& stats, const std::string& extra)
{
    std::printf("%s median=%.4f min=%.4f max=%.4f p99=%.4f mean=%.4f n=%zu%s%s\n", name.c_str(), stats.median,
                stats.min, stats.max, stats.p99, stats.mean, stats.count, extra.empty() ? "" : " ",
                extra.c_str());
    std::fflush(stdout);
}

void printValue(const std::string& name, double value)
{
    std::printf("%s value=%.4f\n", name.c_str(), value);
    std::fflush(stdout);
}
