// The sales counters OSpOpMax.exe writes (the sorted sales and the packaging returns): one
// reader for the import's goods lines, the summary of what the host has and the sales beyond
// it, so that the three never read a line two ways.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "elzab/elxrecords.h"

class ElzabRunner;

// One counter line: the code (column 0), the quantity in thousandths and the value in
// hundredths.
using CounterLine = std::function<void(const std::string& code, double quantity, double value)>;

// Calls `line` for each data line of the counters output `path`, in file order. The runner's
// read error for a file cut short or a line whose quantity or value is no number: a damaged
// counter would otherwise read as no sale at all.
void ReadCounters(const ElzabRunner& runner, const std::string& path, const CounterLine& line);

// The counters summed per code, in the order the codes first come; less `base`'s sums when
// given (the base's codes that are gone come last).
using CounterSums = std::vector<std::pair<std::string, ReadSummary::Sum>>;
CounterSums SumCounters(const ElzabRunner& runner, const std::string& path,
                        const std::map<std::string, ReadSummary::Sum>* base = nullptr);

// A quantity of the counters (a decimal with ".") in thousandths.
double CounterQuantity(const std::string& text);
