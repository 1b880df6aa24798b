// The ELZAB functions the driver uses: each number's program, its working files and what the
// operations do with them. Program names, file names and every clean-up list come from this
// one table, so that a function added here is run, named and cleaned up everywhere at once.
#pragma once

#include <vector>

// The function numbers.
enum ElzabFn : int {
  fnSales = 1,             // the goods sold, as the counters program writes them
  fnSalesSorted = 2,       // the same, by goods
  fnPackagingReturns = 3,  // the packages returned
  fnCounters = 4,          // OSpOpMax.exe: writes 1 to 3, as its input names them
  fnReceipts4 = 5,         // OPSpRoz4.exe: the receipt buffer, method 4
  fnReceipts5 = 6,         // OPSpRoz5.exe: the receipt buffer, method 5
  fnCashierStats = 7,      // OIKasWla.exe: the logged-in cashier's statistics (Sigma)
  fnCashier = 8,           // OKasjer.exe: the cashier (Sigma)
  fnClock = 9,             // OZegar.exe: the register's clock and hourly report (Sigma)
  fnReadPayments = 10,     // OPlat.exe: the payment forms, read (Sigma)
  fnSendEuro = 51,         // ZWaluta.exe: the euro rate
  fnSendPayments = 52,     // ZPlat.exe: the payment forms, sent
  fnSendUnits = 53,        // ZJednost.exe: the units of measure
  fnSendGroups = 54,       // ZGrupa.exe: the goods groups
  fnReadVat = 55,          // OPodatek.exe: the VAT table
  fnDeleteAll = 56,        // KTowMax.exe: deletes every goods
  fnSendPrices = 57,       // ZCTowar.exe: price changes
  fnSendGoods = 58,        // ZBPTowar.exe: goods added or updated
  fnDeleteGoods = 59,      // KTowar.exe: goods deleted
  fnRegisterType = 100,    // OTypUrz.exe: the register's model and capacity
};

// What the operations do with a function's files.
enum ElzabFnRole : unsigned {
  // An export cleans up after itself: the function's input and output go when it ends.
  roleExportCleans = 1u << 0,
  // The export keeps its input in the archive first.
  roleExportArchives = 1u << 1,
  // An output of the sales read: named by the record of stored days, archived and removed
  // (with its input) when an import ends.
  roleSalesRead = 1u << 2,
  // Its output lying there means an import that did not end well: its data is a leftover,
  // which nothing but an import may remove.
  roleLeftover = 1u << 3,
  // The cashier's outputs, which describe the register as it was when read: removed before
  // each read.
  roleCashierRead = 1u << 4,
  // The register's receipt buffer, read by one method each; read in number order.
  roleReceiptBuffer = 1u << 5,
};

struct ElzabFunction {
  int number;
  const char* program;  // null: the output of another function's program
  const char* base;     // working files: base + ".in", ".out" and ".arc"
  bool hasOutput;       // the output path is the program's second argument
  bool writeInput;      // the runner writes the input (its header, or the list of outputs)
  unsigned roles;       // ElzabFnRole
  int writtenBy;        // the function whose program writes this output, as its input names it
};

// Every function, in number order.
const std::vector<ElzabFunction>& ElzabFunctions();
// The function of `number`; null for a number that is none.
const ElzabFunction* FindElzabFunction(int number);
// The numbers of the functions that have every role of `roles`, in number order.
std::vector<int> ElzabFunctionsWith(unsigned roles);
// The functions whose outputs the program of `number` writes: its own, then those its input
// names, in number order.
std::vector<int> ElzabFunctionOutputs(int number);
// The receipt buffer's function of the method "ElzabSTXSaleBufferType" chooses (0: method 4).
int ElzabReceiptsFunction(int saleBufferType);
