// What an export sent and what became of it, told to a person. The facts come from what a
// back office has at hand: its own export file (kasa.exp), the driver's message lines, the
// driver's goods log (errors.txt) and the export result it stored (wynik.exp). For the demo
// it also sets the simulated register's goods against the result.
//
// Everything here is Windows-1250, as the driver and the back office's files speak it; the
// simulator's listing arrives as UTF-8 and is converted on reading.
#pragma once

#include <string>
#include <vector>

#include "host/Host.h"
#include "host/MessageRenderer.h"

namespace tvkhost {

// Files of the exchange directory that the export summary reads.
inline constexpr char kExportFileName[] = "kasa.exp";
inline constexpr char kGoodsLogName[] = "errors.txt";

// One goods line of the export file: "PLU;plu;koldod;kod;nazwa;...;status" (status is
// word 19).
struct ExportGoodsLine {
  int plu = 0;
  int koldod = 0;
  std::string barcode;
  std::string name;
  std::string status;  // DOD, AKT, CEN or USU
};

// The goods lines of an export file, and how many go to each of the driver's three batches.
// Only a goods' own line (koldod 0) reaches the register; additional lines never do.
struct ExportFile {
  std::vector<ExportGoodsLine> goods;  // readable goods lines, in file order
  int priceChanges = 0;                // koldod 0, CEN
  int deletions = 0;                   // koldod 0, USU
  int additions = 0;                   // koldod 0, DOD or AKT
  int additional = 0;                  // koldod other than 0
  int unreadable = 0;  // "PLU" lines whose PLU, ordinal or status the driver cannot read

  // The goods' own line (koldod 0) of `plu`; nullptr when the file has none.
  const ExportGoodsLine* Find(int plu) const;
};

// Reads an export file's bytes. Blank, comment ("#") and section ("[") lines are skipped,
// as the driver skips them.
ExportFile ReadExportFile(const std::string& bytes);

// One line of the export result: "PLU;plu;koldod;kod;status".
struct ResultLine {
  int plu = 0;
  int koldod = 0;
  std::string barcode;
  std::string status;
};

std::vector<ResultLine> ReadResultFile(const std::string& bytes);

// A goods the driver logged as not taken by the register. The driver writes three kinds of
// line, each starting "PLU: <number>":
//   "PLU: 12; KOD: 590... Brak stawki 7 % na kasie"  withdrawn before sending
//   "PLU: 12 (Błąd ...)"                              refused by the register
//   "PLU: 12; KOD: 590... Towar spowodował zatrzymanie transmisji"  the transmission broke
//                                                     off at it
struct GoodsProblem {
  enum Kind { kWithdrawn, kRefused, kStopped };
  Kind kind = kWithdrawn;
  int plu = 0;
  std::string line;  // as the driver wrote it
};

// The goods lines among `lines` (lines of errors.txt or of the message list); other lines
// are left out.
std::vector<GoodsProblem> ReadGoodsProblems(const std::vector<std::string>& lines);

// True when the message list shows lines of the driver's goods log: then errors.txt in the
// exchange directory is this operation's (the driver shows at most 20 of its lines).
bool ShowsGoodsLog(const std::vector<MessageLine>& lines);

// Everything the summary is made of.
struct ExportFacts {
  std::string exportPath;  // the export file the driver read
  ExportFile file;
  OperationOutcome outcome;
  std::vector<GoodsProblem> problems;
  std::string resultPath;  // the stored result; empty when the host stored none
  std::vector<ResultLine> result;
  // The driver's texts are translated: its progress lines cannot tell how a batch went.
  bool translated = false;
};

// The summary of an export, a line each, for a person: goods per batch (in the file,
// withdrawn, sent and how the batch ended), the goods not taken and why, and where the
// result went.
std::vector<std::string> ExportSummary(const ExportFacts& facts);

// A goods as `ecrsim show goods` lists it:
//   PLU 7 "Piwo jasne" VAT 1 group 3 precision 0 unit 1 barcode 5900000000073 price 3,79
//   with package 10 flags 001
struct RegisterGoods {
  int plu = 0;
  std::string name;  // Windows-1250
  int vat = 0;
  int group = 0;
  int precision = 0;
  int unit = 0;
  std::string barcode;  // empty when the goods has none ("-")
  long long price = 0;  // grosze
  bool package = false;
  int packagePlu = 0;
  std::string flags;  // lock, flag A, flag B
};

// A price in grosze as the register shows it: "6,49".
std::string PriceText(long long grosze);

// Reads the goods of the simulator's listing (UTF-8). False when a goods line cannot be
// read or the listing holds no "Goods (N):" section.
bool ReadRegisterGoods(const std::string& listingUtf8, std::vector<RegisterGoods>& goods);

// What differs between the register's goods and an export result, a line each; empty when
// the register holds exactly the goods the result lists (and none that it deletes), with
// the result's barcodes (weighed goods without their "?") and, for goods added or updated,
// the export file's names (or their beginning, where the register keeps shorter names).
std::vector<std::string> CompareRegisterWithResult(const std::vector<RegisterGoods>& goods,
                                                   const std::vector<ResultLine>& result,
                                                   const ExportFile& file);

}  // namespace tvkhost
