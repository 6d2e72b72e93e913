#include "bench/benchstats.h"

#include <algorithm>
#include <cmath>

double BenchStats::percentile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto n = samples.size();
    auto rank = size_t(std::ceil(q * double(n)));
    rank = std::clamp<size_t>(rank, 1, n);
    return samples[rank - 1];
}

BenchStats::Summary BenchStats::summarize(const std::vector<double> &samples)
{
    Summary s;
    if (samples.empty())
        return s;
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    s.count = int(sorted.size());
    // The median of an even count is the lower middle sample: a measured time, not an average.
    s.median = percentile(sorted, 0.5);
    s.p99 = percentile(sorted, 0.99);
    s.min = sorted.front();
    s.max = sorted.back();
    return s;
}

QString BenchStats::ms(double value)
{
    return QString::number(value, 'f', 2);
}
