#include "elzab/elxcounters.h"

#include <map>

#include "elzab/elxrunner.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "support/TLJWords.h"

double CounterQuantity(const std::string& text) {
  return TxfTools::ParseLeading(text) * 1000;
}

void ReadCounters(const ElzabRunner& runner, const std::string& path, const CounterLine& line) {
  OutputLines lines(runner, path);
  TLJWords columns("\t");
  double number = 0;
  while (lines.NextData(columns)) {
    // A goods number, a quantity and a value that are numbers, as the register writes them:
    // a sale booked to goods "3x" reaches no goods of the host.
    int plu = 0;
    if (!TxTools::TryStrToInt(TxTools::TrimSpaces(columns[0]), plu) ||
        !TxfTools::TryStrToDecimal(columns[1], number) ||
        !TxfTools::TryStrToDecimal(columns[2], number)) {
      lines.Damaged();
    }
    line(columns[0], CounterQuantity(columns[1]), TxfTools::ParseLeading(columns[2]));
  }
  lines.Close();
}

CounterSums SumCounters(const ElzabRunner& runner, const std::string& path,
                        const std::map<std::string, ReadSummary::Sum>* base) {
  CounterSums sums;
  std::map<std::string, size_t> at;
  auto sum = [&](const std::string& code) -> ReadSummary::Sum& {
    auto [it, added] = at.emplace(code, sums.size());
    if (added) sums.push_back({code, {}});
    return sums[it->second].second;
  };
  ReadCounters(runner, path, [&](const std::string& code, double quantity, double value) {
    ReadSummary::Sum& s = sum(code);
    s.quantity += quantity;
    s.value += value;
  });
  if (base != nullptr) {
    for (const auto& [code, was] : *base) {
      ReadSummary::Sum& s = sum(code);
      s.quantity -= was.quantity;
      s.value -= was.value;
    }
  }
  return sums;
}
