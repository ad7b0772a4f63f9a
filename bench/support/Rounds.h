// Rounds of a benchmark that times the engine against the bare library it wraps: the runs take
// turns at going first from round to round, so that a machine that gets busier or quieter
// meanwhile weighs on all of them alike, and each measure is summed up as the median of the
// per-round engine/bare ratios with their spread, which shows whether a difference is bigger than
// the noise.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tolva::bench {

/// Fewer rounds than this give no useful spread.
constexpr int MIN_ROUNDS = 5;

/// Runs every run once per round; round r starts with run r mod the number of runs.
/// @return the times, by run and then by round
std::vector<std::vector<double>> rotateRounds(int rounds, const std::vector<std::function<double()>>& runs);

/// The median of the values (the mean of the middle two for an even count); 0 for none.
double median(std::vector<double> values);

/// Prints one line: the median of the per-round ratios engine/bare, their quartiles and range,
/// the number of rounds, and the median times of both sides in the given unit.
void printRatio(
    const std::string& measure, const std::vector<double>& engine, const std::vector<double>& bare, const char* unit);

/// Reads a whole-number option ("--rounds N") from the arguments and takes it out of them.
/// @return N (at least 1), or the default when the option is not given
int takeOption(std::vector<std::string>& arguments, const std::string& name, int defaultValue);

} // namespace tolva::bench
