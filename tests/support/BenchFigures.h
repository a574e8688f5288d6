#pragma once

// How the benchmarks report: rounds alternate between what is measured and what it is judged
// against, so that load from elsewhere on the machine hits both alike, and each figure prints as
// its median round with the lowest and the highest ("name", "name_min", "name_max").

#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

inline double MedianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline void PrintFigure(const char* name, const std::vector<double>& rounds, const char* format)
{
    const auto [low, high] = std::minmax_element(rounds.begin(), rounds.end());
    const std::string line = std::string("%s: ") + format + "\n%s_min: " + format + "\n%s_max: " + format + "\n";
    std::printf(line.c_str(), name, MedianOf(rounds), name, *low, name, *high);
}

// Each round's first figure over its second: both were taken under the same load.
inline std::vector<double> RoundRatios(const std::vector<double>& over, const std::vector<double>& under)
{
    std::vector<double> ratios;
    for (size_t n = 0; n < over.size() && n < under.size(); ++n)
        ratios.push_back(over[n] / under[n]);
    return ratios;
}

inline std::vector<double> Scaled(std::vector<double> values, double by)
{
    for (double& value : values)
        value *= by;
    return values;
}

// The processor time the calling thread has used, user and system, in microseconds: what the
// host spends on a block, apart from the time it sleeps waiting for the unit.
inline double ThreadCpuMicros()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}
