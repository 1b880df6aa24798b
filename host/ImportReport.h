// What a sales import brought in, told to a person: the import files the back office stored
// (kasa.imp, one per sale date) read back section by section. For the demo it also sets the
// imported goods lines against the simulated register's sales counters.
//
// The import file is Windows-1250, lines ended by CR LF, in sections: [TOWAROWE] (goods lines
// "PLU;plu;barcode;quantity in thousandths;value in grosze"), [OPERACJE], [RAPORT_GODZINOWY],
// [RAPORT_WALUTOWY], [FINANSOWE] ("NAME;amount" lines), [STAN_KASY] ("KAS_...;value"),
// [FLAGI] ("DATA_SPRZEDAZY;<17 digits>", "NAME;T|N"), and after them, when the driver saves
// them, receipts ("[PARAGON nr ...", "[FAKTURA nr ...") and other operations ("[INNA_OPER]") with
// lines of their own, which the summary counts and otherwise leaves alone.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/Host.h"

namespace tvkhost {

// One goods line of [TOWAROWE].
struct ImportGoodsLine {
  std::string plu;         // empty when the goods is named by its barcode
  std::string barcode;     // empty when it is named by its PLU
  long long quantity = 0;  // thousandths
  long long value = 0;     // grosze
};

struct ImportFile {
  std::vector<ImportGoodsLine> goods;
  long long goodsValue = 0;  // sum of the goods lines' values, grosze
  int unreadableGoods = 0;   // "PLU" lines of [TOWAROWE] whose numbers cannot be read
  std::string saleDate;      // DATA_SPRZEDAZY as written: 17 digits; empty when missing
  // [FINANSOWE]: "NAME;amount" in file order (WPLATY, WYPLATY, ZWROT_OPAKOWAN, ...).
  std::vector<std::pair<std::string, std::string>> finance;
  // [STAN_KASY]: "KAS_...;value" in file order, values as written.
  std::vector<std::pair<std::string, std::string>> cashier;
  bool hasCashierSection = false;
  int receipts = 0;         // "[PARAGON nr" records (any case)
  int invoices = 0;         // "[FAKTURA nr" records
  int otherOperations = 0;  // "[INNA_OPER]" records, of which by their first line:
  int voids = 0;            //   "OP_STORNO;" voided lines
  int cancelled = 0;        //   "OP_ANUL;" cancelled receipts
  int deposits = 0;         //   "OP_WPL;" deposits
  int withdrawals = 0;      //   "OP_WYPL;" withdrawals
  int otherRecords = 0;     // any other section after [FLAGI]

  // The amount of a [FINANSOWE] line in grosze; false when the file has no such line or it
  // is no number.
  bool Finance(const std::string& name, long long& grosze) const;
};

// Reads an import file's bytes. It never fails: what cannot be read is counted or left out.
ImportFile ReadImportFile(const std::string& bytes);

// A 17-digit date-time "20261208101500000" as "2026-12-08 10:15:00", or "2026-12-08" when the
// time is midnight; the text unchanged when it is not 17 digits.
std::string CompressedDateText(const std::string& digits);

// Grosze as złoty with two decimals and a decimal point: "1234.50", "-0.05".
std::string ZlotyText(long long grosze);

// One stored import: where the host put it and what it holds.
struct StoredImport {
  std::string path;
  ImportFile file;
};

// The summary after an import: per stored file the sale date, the goods lines and their
// value, deposits, withdrawals, packaging, the cashier section, receipts and other
// operations, and where the copy went; or why nothing was stored.
std::vector<std::string> ImportSummary(const std::vector<StoredImport>& imports,
                                       const OperationOutcome& outcome);

// A register's sales counter as `ecrsim show counters` lists it:
//   PLU 7 sold 4.000 for 15,16
//   PLU 10 returned 1.000 for 0,50
struct RegisterCounter {
  int plu = 0;
  bool returned = false;
  long long quantity = 0;  // thousandths
  long long value = 0;     // grosze
};

// Reads the counters of the simulator's listing. False when a counter line cannot be read or
// the listing holds no "Sales counters:" section.
bool ReadRegisterCounters(const std::string& listing, std::vector<RegisterCounter>& counters);

// What differs between the register's counters and the goods lines of the imports, a line
// each; empty when every PLU's sales (positive lines) and returns (negative lines) agree in
// quantity and value, and the totals agree.
std::vector<std::string> CompareCountersWithImports(const std::vector<RegisterCounter>& counters,
                                                    const std::vector<StoredImport>& imports);

}  // namespace tvkhost
