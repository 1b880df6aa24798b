// What one read of the register held, in the few figures that tell whether a later read still
// holds it (no daily report closed the register between) and what the later read holds beyond
// it: the receipt buffer's data lines, counted and hashed, and the counters summed per code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ReadSummary {
  // A code's counter: quantity in thousandths and value in hundredths, as the import reads them.
  struct Sum {
    double quantity = 0;
    double value = 0;
  };
  std::string identity;      // the register and its connection
  double day = 0;            // the calendar day of the read
  int receiptsFunction = 0;  // the receipt buffer's function (5 or 6); 0 when none was read
  int64_t receiptLines = 0;  // its data lines
  uint64_t receiptHash = 0;  // of those lines
  bool hasSales = false;     // the sorted sales counters were read
  bool hasReturns = false;   // the packaging returns were read
  std::map<std::string, Sum> sales;
  std::map<std::string, Sum> returns;
  // The settings that shaped what the host was given of the read: goods from the counters or
  // the receipts, receipts and invoices handed over or not.
  bool hasSettings = false;
  int32_t saleSource = 0;
  int32_t receipts = 0;
  bool invoices = false;

  // True when the summary holds no sale, receipt line or return at all.
  bool Empty() const;
};

// The hash of the data lines ("$" first, as written) of a receipt buffer output, line ends left
// out; `lines` is the number of data lines hashed. With `limit` >= 0 no more than that many are.
// False when the file cannot be read.
bool HashDataLines(const std::string& path, int64_t limit, int64_t& lines, uint64_t& hash);
// Adds up a counters output per code (column 0): quantity and value of every data line. False
// when the file cannot be read.
bool SumCounters(const std::string& path, std::map<std::string, ReadSummary::Sum>& sums);
// The summary as the file that keeps it holds it, CR LF lines, and back. Parse is false for a
// text the driver does not write.
std::string FormatSummary(const ReadSummary& summary);
bool ParseSummary(const std::vector<std::string>& lines, ReadSummary& summary);
