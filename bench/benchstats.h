#pragma once

#include <QString>

#include <chrono>
#include <vector>

// Timing samples and their summary. Percentiles use the nearest-rank rule on the sorted
// samples (p99 of 1,000 samples is the 990th smallest), so every figure reported is a time
// that was really measured. Plain values; nothing here fails (an empty set gives zeros).
namespace BenchStats {

using Clock = std::chrono::steady_clock;

inline double millisecondsBetween(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

struct Summary
{
    int count = 0;
    double median = 0;
    double p99 = 0;
    double min = 0;
    double max = 0;
};

// The q-quantile (0 < q <= 1) of samples by nearest rank.
double percentile(std::vector<double> samples, double q);
Summary summarize(const std::vector<double> &samples);

// "1.23" with two decimals, the unit left to the table heading.
QString ms(double value);

} // namespace BenchStats
