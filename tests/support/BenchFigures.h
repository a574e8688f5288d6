#pragma once

// How the benchmarks report: rounds alternate between what is measured and what it is judged
// against, so that load from elsewhere on the machine hits both alike, and each figure prints as
// its median round with the lowest and the highest ("name", "name_min", "name_max").

#include <algorithm>
#include <cstdio>
#include <string>
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
