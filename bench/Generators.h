// Deterministic generators of the benchmarks' input files: the host's export file of goods
// and a register's receipt buffer read by method 4. The same seed gives the same bytes.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// The host's export file (Windows-1250, CR LF): VAT rates, units, assortments, then `goods`
// goods lines with all 34 words: Polish names, EAN-13 barcodes, four prices, rates in whole
// percent and in hundredths, descriptions, classification codes, full names and notes. Every
// goods is an addition with its own PLU (1 to `goods`) and barcode.
std::string ExportFile(int goods, uint64_t seed);

// A method-4 receipt buffer ("opsproz4.out") with `soldLines` sold lines over `distinctGoods`
// goods (every goods sold when there are at least as many lines) and `dates` consecutive sale
// dates from 2026-12-06, in receipts of 1 to 19 lines each paid in cash or by card.
std::string ReceiptBuffer4(int soldLines, int distinctGoods, int dates, uint64_t seed);

}  // namespace bench
