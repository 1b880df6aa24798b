// The simulated register's memory: everything a real ELZAB register keeps between two runs
// of the communication programs, and its text file in the state directory.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

namespace sim {

// A register clock reading (no time zone; the register knows none).
struct DateTime {
  int year = 2026, month = 1, day = 1, hour = 8, minute = 0, second = 0;

  // "2026-12-08T10:00" or with ":SS"; false on anything else or an impossible date.
  static bool Parse(const std::string& text, DateTime& out);
  // From the host's day count (days since 1899-12-30, fraction = time of day).
  static DateTime FromDayCount(double days);
  std::string Iso() const;          // 2026-12-08T10:00:00
  std::string Dotted() const;       // 26.12.08 (two-digit year first)
  std::string HourMin() const;      // 10:00
  std::string Compact() const;      // 261208
  std::string CompactTime() const;  // 100000
  bool operator==(const DateTime&) const = default;
};

enum class Model { K10, K10Online, MiniOnline, JotaOnline, Sigma };

struct ModelInfo {
  Model model;
  const char* name;  // as the register reports it in its identification
  int capacity;      // PLUs of a new register
  int generation;
  const char* version;
  int nameMax;  // longest goods name
};

// The model of a name (any case, "K10 online" or "k10online"); nullptr when unknown.
const ModelInfo* FindModel(const std::string& name);
const ModelInfo& InfoOf(Model model);
bool IsOnline(Model model);

// VAT slot values: hundredths of a percent, or these two.
inline constexpr int kVatExempt = -1;
inline constexpr int kVatReserved = -2;

struct Goods {
  int plu = 0;
  std::string name;  // Windows-1250
  int vat = 1;       // slot 1..7
  int group = 1;
  int precision = 0;
  int unit = 0;
  std::string barcode;
  long long price = 0;  // hundredths
  bool package = false;
  int lock = 0;
  int flagA = 0;
  int flagB = 0;
  int field13 = 0;
  int field14 = 1;
  std::string field15 = " ";
  int packagePlu = 0;
};

// Thousandths of a unit and hundredths of the currency.
struct Counter {
  long long qty = 0;
  long long value = 0;
  bool Zero() const { return qty == 0 && value == 0; }
};

struct PaymentForm {
  std::string name;  // Windows-1250
  int type = 1;
  bool dated = false;
};

// One line of a document. value = before - discount.
struct Line {
  int plu = 0;
  std::string name;
  long long qty = 0;
  long long price = 0;
  long long before = 0;
  long long discount = 0;
  bool ret = false;     // a returned package
  bool voided = false;  // rung up and voided on the same receipt
  int vat = 1;
  long long Value() const { return before - discount; }
};

struct Payment {
  int form = 1;  // the register's form number, 1 = cash
  long long amount = 0;
  bool negative = false;  // change given back, or money paid out
};

enum class DocKind { Receipt, Invoice, Cancelled };

struct Document {
  DocKind kind = DocKind::Receipt;
  int trans = 0;     // transaction number
  int number = 0;    // receipt number
  int printout = 0;  // printout number
  DateTime when;
  int cashier = 0;
  std::string card;
  std::string nip;
  std::string invoiceNumber;
  std::string buyerNip, buyerName, buyerCity, buyerStreet;  // city = postal code and city
  std::vector<Line> lines;
  std::vector<Payment> payments;
  // Sum of the kept lines, returns counted negative.
  long long Value() const;
};

struct CashOperation {
  bool deposit = true;
  int cashier = 0;
  long long amount = 0;
  DateTime when;
  int trans = 0;
  int printout = 0;
};

// One entry of the receipt buffer, in the order the register recorded them.
struct BufferEntry {
  bool isCash = false;
  Document doc;
  CashOperation cash;
};

// What the logged-in cashier took during the shift, in hundredths and counts.
struct CashierStats {
  long long cash = 0, card = 0, voucher = 0, cheque = 0, other = 0;
  long long deposits = 0, withdrawals = 0;
  long long receipts = 0, voids = 0, voidValue = 0, cancelled = 0;
};

// An injected failure of one program.
struct Fault {
  std::string program;  // as the program table names it, e.g. ZBPTowar.exe
  bool once = false;
  std::string kind;  // code, noreport, hang, truncate, garble, reject, stopat
  std::string arg;   // code / exit code / milliseconds / PLU:CODE list / PLU:CODE
  std::string desc;  // description of a "code" fault, Windows-1250
};

struct Register {
  std::string connection;  // "COM2" or "10.0.0.5:1001"
  Model model = Model::Sigma;
  int device = 1;
  int capacity = 0;
  int generation = 0;
  std::string version;
  std::string serial;
  DateTime clock;
  std::array<int, 7> vat{2300, 800, 500, 0, kVatExempt, kVatReserved, kVatReserved};
  long long euro = 0;                   // hundredths
  std::array<std::string, 100> groups;  // 1..99
  std::array<std::string, 16> units;    // 0..15; empty = not defined
  std::array<PaymentForm, 8> payments;  // 1..7
  std::map<int, std::string> cashiers;
  int loggedCashier = 0;  // 0 = nobody
  DateTime shiftStart;
  CashierStats stats;
  std::map<int, Goods> goods;
  std::map<int, Counter> sales;    // per PLU
  std::map<int, Counter> returns;  // packaging returns per PLU
  int nextTrans = 1, nextReceipt = 1, nextPrintout = 1, nextInvoice = 1;
  std::vector<BufferEntry> buffer;
  std::vector<Fault> faults;

  // A new register of `model` with its factory tables.
  static Register Create(const std::string& connection, const ModelInfo& model, int device);
  const ModelInfo& Info() const { return InfoOf(model); }
  bool HasSales(int plu) const;
  bool AnySales() const;
};

// The register's text file and back. Names are kept in UTF-8 so that a person can read the
// file; Load fails with a reason when a line is not understood.
std::string SaveRegister(const Register& reg);
bool LoadRegister(const std::string& text, Register& reg, std::string& error);

// The text of a VAT slot as the register prints it: 23,00 / ZWOLNIONA / REZERWA.
std::string VatText(int slot);
// The reverse; false on anything else.
bool ParseVat(const std::string& text, int& slot);

}  // namespace sim
