#include "Rounds.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace tolva::bench {

namespace {

/// The value at the fraction of the sorted values, between neighbours as needed.
double quantile(const std::vector<double>& sorted, double fraction)
{
    const double place = fraction * double(sorted.size() - 1);
    const size_t below = size_t(place);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (place - double(below));
}

} // namespace

std::vector<std::vector<double>> rotateRounds(int rounds, const std::vector<std::function<double()>>& runs)
{
    std::vector<std::vector<double>> times(runs.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t turn = 0; turn < runs.size(); ++turn) {
            const size_t run = (size_t(round) + turn) % runs.size();
            times[run].push_back(runs[run]());
        }
    }
    return times;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return quantile(values, 0.5);
}

void printRatio(
    const std::string& measure, const std::vector<double>& engine, const std::vector<double>& bare, const char* unit)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < engine.size() && i < bare.size(); ++i) {
        ratios.push_back(engine[i] / bare[i]);
    }
    if (ratios.empty()) {
        std::printf("%s: no rounds\n", measure.c_str());
        return;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("%s: engine/bare median %.3f, quartiles %.3f-%.3f, range %.3f-%.3f over %zu rounds%s "
                "(median engine %.1f, bare %.1f %s)\n",
        measure.c_str(), quantile(ratios, 0.5), quantile(ratios, 0.25), quantile(ratios, 0.75), ratios.front(),
        ratios.back(), ratios.size(), ratios.size() < size_t(MIN_ROUNDS) ? " (too few for a spread)" : "",
        median(engine), median(bare), unit);
    std::fflush(stdout);
}

int takeOption(std::vector<std::string>& arguments, const std::string& name, int defaultValue)
{
    int value = defaultValue;
    for (size_t i = 0; i + 1 < arguments.size();) {
        if (arguments[i] == name) {
            value = std::max(1, std::atoi(arguments[i + 1].c_str()));
            arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 2);
        } else {
            ++i;
        }
    }
    return value;
}

} // namespace tolva::bench
