// A shop's day rung up on a simulated register, drawn at random from a seed, and what a back
// office must be given for it: the same canonical lines that Ledger.h reads out of the import
// files, so that the two compare line by line.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace soak {

// A small, fully specified generator, so that a seed gives the same days on every platform.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // A whole number from lo to hi, both included.
  long long Range(long long lo, long long hi);
  // True with probability `percent` / 100.
  bool Chance(int percent) { return Range(1, 100) <= percent; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Range(0, static_cast<long long>(items.size()) - 1))];
  }

 private:
  uint64_t state_;
};

struct CatalogGoods {
  int plu = 0;
  std::string barcode;
  std::string name;     // Windows-1250
  long long price = 0;  // grosze; per kilogram when weighed
  int rate = 23;        // whole percent
  bool weighed = false;
  bool package = false;
  int packagePlu = 0;  // the returnable package sold along with it
};

// The register's goods, and the export file that puts them there.
struct Catalog {
  std::vector<CatalogGoods> goods;
  const CatalogGoods& Of(int plu) const { return goods[static_cast<size_t>(plu) - 1]; }
  std::string ExportFile() const;  // Windows-1250, CR LF
};
Catalog MakeCatalog(Rng& rng, int size);

// One line as the register rings it up.
struct SoldLine {
  int plu = 0;
  long long qty = 0;  // thousandths
  long long before = 0, discount = 0;
  bool ret = false, voided = false;
  long long Value() const { return before - discount; }
};

struct Paid {
  int form = 1;  // the register's form, 1 = cash
  long long amount = 0;
  bool negative = false;
};

enum class Kind { Receipt, Invoice, Cancelled, Deposit, Withdrawal };

struct Document {
  Kind kind = Kind::Receipt;
  std::string when;  // "YYYYMMDDHHMM"
  int cashier = 0;
  std::string card, nip;
  std::string buyerNip, buyerName, buyerCity, buyerStreet;  // Windows-1250
  std::vector<SoldLine> lines;
  std::vector<Paid> payments;  // as settled: change is a negative cash payment
  long long amount = 0;        // deposits and withdrawals
  long long Value() const;     // kept lines, returns negative
};

// What the register keeps from one day to the next.
struct RegisterState {
  int logged = 0;
  std::string shiftStart;  // "YYYYMMDDHHMM"
  long long day = 0;       // days since 2000-01-01 of the next day to ring up
};

struct Day {
  std::string date;      // "YYYY-MM-DD" of its first receipt: the import date
  std::string scenario;  // the simulator's scenario language, Windows-1250
  // Where the scenario may be cut to ring the day up in parts, an import between: the offset
  // of a document's first line, and the date line a part starting there begins with.
  std::vector<std::pair<size_t, std::string>> breaks;
  std::vector<Document> documents;
  // The Sigma's statistics of the cashier logged in at the end of the day.
  int cashier = 0;
  std::string cashierName, shiftStart, clock;
  long long cash = 0, card = 0, voucher = 0, cheque = 0, deposits = 0, withdrawals = 0;
  long long receipts = 0, voids = 0, voidValue = 0;
};

// A day on `catalog`, with up to `maxReceipts` documents; `state` carries the cashier and the
// date on.
Day MakeDay(Rng& rng, const Catalog& catalog, RegisterState& state, int maxReceipts);

// The cashier's statistics of `day` as a daily report right before document `first` leaves
// them: counted from that document on.
void CashierFrom(Day& day, size_t first);

// How the day is imported.
struct Settings {
  std::string model;   // "K10", "K10 online", "Mini online", "Jota online", "Sigma"
  int method = 4;      // the receipt buffer's program
  int saleSource = 0;  // 0 counters, 1 receipts
  bool receipts = false, invoices = false;
  std::string Text() const;
};

// Every canonical line the back office must hold for `day` imported with `settings`.
std::vector<std::string> Expected(const Day& day, const Catalog& catalog, const Settings& settings);

}  // namespace soak
