#include "sim/Scenario.h"

#include <optional>
#include <sstream>
#include <vector>

#include "sim/Text.h"

namespace sim {

namespace {

struct ScenarioError {
  std::string text;
};

[[noreturn]] void Fail(const std::string& text) {
  throw ScenarioError{text};
}

long long Amount(const std::string& text) {
  long long v = 0;
  if (!ParseHundredths(text, ',', v) && !ParseHundredths(text, '.', v)) {
    Fail("not an amount: " + text);
  }
  return v;
}

long long Quantity(const std::string& text, int& decimals) {
  long long v = 0;
  if (!ParseThousandths(text, ',', v, decimals) && !ParseThousandths(text, '.', v, decimals)) {
    Fail("not a quantity: " + text);
  }
  if (v <= 0) Fail("quantity must be positive: " + text);
  return v;
}

int Number(const std::string& text) {
  long long v = 0;
  if (!ParseInt(text, v) || v < 0 || v > 1000000000) Fail("not a number: " + text);
  return static_cast<int>(v);
}

int PaymentFormOf(const std::string& text) {
  const char* names[] = {"", "cash", "card", "voucher", "cheque", "other"};
  for (int i = 1; i <= 5; ++i) {
    if (EqualsNoCase(text, names[i])) return i;
  }
  int n = Number(text);
  if (n < 1 || n > 7) Fail("payment form 1 to 7 expected: " + text);
  return n;
}

// What follows the keyword on the line, trimmed.
std::string Rest(const std::string& line, const std::string& keyword) {
  return Trim(line.substr(line.find(keyword) + keyword.size()));
}

class Seller {
 public:
  explicit Seller(Register& reg) : r_(reg) {}

  void Line(const std::string& text, bool utf8) {
    std::string line = utf8 ? Utf8ToCp1250(text) : text;
    // A "#" at the start or after a blank begins a comment.
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
        line.resize(i);
        break;
      }
    }
    line = Trim(line);
    if (line.empty()) return;
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    const std::string& cmd = w[0];
    if (cmd == "date") {
      Need(w, 2);
      DateTime dt;
      if (!DateTime::Parse(w[1] + "T" + r_.clock.HourMin(), dt)) Fail("bad date: " + w[1]);
      dt.second = r_.clock.second;
      r_.clock = dt;
    } else if (cmd == "time") {
      Need(w, 2);
      std::string t = w[1].size() == 5 ? w[1] + ":00" : w[1];
      char date[16];
      std::snprintf(date, sizeof(date), "%04d-%02d-%02d", r_.clock.year, r_.clock.month,
                    r_.clock.day);
      if (!DateTime::Parse(std::string(date) + "T" + t, r_.clock)) Fail("bad time: " + w[1]);
    } else if (cmd == "cashier") {
      if (w.size() < 2) Fail("cashier needs a number");
      int n = Number(w[1]);
      if (n < 1 || n > 99) Fail("cashier number 1 to 99 expected");
      std::string name = w.size() > 2 ? Rest(line, w[1]) : std::string();
      Login(n, name);
    } else if (cmd == "logout") {
      NoDocument(cmd);
      r_.loggedCashier = 0;
    } else if (cmd == "receipt" || cmd == "invoice" || cmd == "cancelled") {
      NoDocument(cmd);
      Document d;
      d.kind = cmd == "receipt" ? DocKind::Receipt
                                : (cmd == "invoice" ? DocKind::Invoice : DocKind::Cancelled);
      doc_ = d;
    } else if (cmd == "end") {
      InDocument(cmd);
      Close();
    } else if (cmd == "sell" || cmd == "return" || cmd == "void") {
      InDocument(cmd);
      AddLine(cmd, w);
    } else if (cmd == "card") {
      InDocument(cmd);
      doc_->card = Rest(line, cmd);
      if (!IsDigits(doc_->card)) Fail("card number: digits expected");
    } else if (cmd == "nip") {
      InDocument(cmd);
      doc_->nip = Rest(line, cmd);
      if (doc_->nip.empty()) Fail("nip needs a number");
    } else if (cmd == "buyer") {
      InDocument(cmd);
      if (doc_->kind != DocKind::Invoice) Fail("buyer belongs to an invoice");
      std::vector<std::string> b = Split(Rest(line, cmd), ';');
      if (b.size() != 4) Fail("buyer: NIP;name;postal code and city;street expected");
      doc_->buyerNip = Trim(b[0]);
      doc_->buyerName = Trim(b[1]);
      doc_->buyerCity = Trim(b[2]);
      doc_->buyerStreet = Trim(b[3]);
    } else if (cmd == "pay") {
      InDocument(cmd);
      Need(w, 3);
      long long amount = Amount(w[2]);
      if (amount <= 0) Fail("payment must be positive");
      doc_->payments.push_back(Payment{PaymentFormOf(w[1]), amount, false});
    } else if (cmd == "deposit" || cmd == "withdraw") {
      NoDocument(cmd);
      Need(w, 2);
      CashOperation c;
      c.deposit = cmd == "deposit";
      c.amount = Amount(w[1]);
      if (c.amount <= 0) Fail("amount must be positive");
      EnsureCashier();
      c.cashier = r_.loggedCashier;
      c.when = r_.clock;
      c.trans = r_.nextTrans++;
      c.printout = r_.nextPrintout++;
      (c.deposit ? r_.stats.deposits : r_.stats.withdrawals) += c.amount;
      BufferEntry e;
      e.isCash = true;
      e.cash = c;
      r_.buffer.push_back(e);
    } else {
      Fail("unknown command: " + cmd);
    }
  }

  void End() {
    if (doc_) Fail("document not ended (end missing)");
  }

 private:
  static void Need(const std::vector<std::string>& w, size_t n) {
    if (w.size() != n) Fail(w[0] + ": " + std::to_string(n - 1) + " argument(s) expected");
  }
  void NoDocument(const std::string& cmd) const {
    if (doc_) Fail(cmd + " inside a document (end missing)");
  }
  void InDocument(const std::string& cmd) const {
    if (!doc_) Fail(cmd + " outside a document");
  }

  void Login(int n, const std::string& name) {
    if (!name.empty()) r_.cashiers[n] = name;
    if (!r_.cashiers.count(n)) r_.cashiers[n] = "Kasjer " + std::to_string(n);
    if (r_.loggedCashier != n) {
      r_.loggedCashier = n;
      r_.shiftStart = r_.clock;
      r_.stats = CashierStats{};
    }
  }

  void EnsureCashier() {
    if (r_.loggedCashier == 0) Login(1, "");
  }

  const Goods& GoodsOf(const std::string& text) {
    int plu = Number(text);
    auto it = r_.goods.find(plu);
    if (it == r_.goods.end()) Fail("no goods under PLU " + text + " on the register");
    return it->second;
  }

  sim::Line MakeLine(const Goods& g, long long qty, long long price) {
    sim::Line l;
    l.plu = g.plu;
    l.name = g.name;
    l.qty = qty;
    l.price = price;
    l.before = (qty * price + 500) / 1000;
    l.vat = g.vat;
    return l;
  }

  void AddLine(const std::string& cmd, const std::vector<std::string>& w) {
    if (w.size() < 3) Fail(cmd + ": PLU and quantity expected");
    const Goods& g = GoodsOf(w[1]);
    int decimals = 0;
    long long qty = Quantity(w[2], decimals);
    if (decimals > g.precision)
      Fail("PLU " + w[1] + " takes " + std::to_string(g.precision) + " decimal(s) of quantity");
    long long price = g.price;
    std::string discount;
    for (size_t i = 3; i < w.size(); ++i) {
      if (w[i].rfind("price=", 0) == 0)
        price = Amount(w[i].substr(6));
      else if (w[i].rfind("disc=", 0) == 0 && cmd == "sell")
        discount = w[i].substr(5);
      else
        Fail("unknown option: " + w[i]);
    }
    if (cmd == "return" && !g.package) Fail("only packages are returned; PLU " + w[1] + " is none");
    sim::Line l = MakeLine(g, qty, price);
    l.ret = cmd == "return";
    l.voided = cmd == "void";
    if (!discount.empty()) {
      if (discount.back() == '%') {
        long long pct = Amount(discount.substr(0, discount.size() - 1));
        l.discount = (l.before * pct + 5000) / 10000;
      } else {
        l.discount = Amount(discount);
      }
      if (l.discount < 0 || l.discount > l.before) Fail("discount too large (207)");
    }
    doc_->lines.push_back(l);
    // Goods sold with a tied package bring the package along, as the register does.
    if (cmd == "sell" && g.packagePlu != 0) {
      auto pack = r_.goods.find(g.packagePlu);
      if (pack != r_.goods.end() && pack->second.package) {
        doc_->lines.push_back(MakeLine(pack->second, qty, pack->second.price));
      }
    }
  }

  void Close() {
    Document d = *doc_;
    doc_.reset();
    bool kept = false;
    for (const sim::Line& l : d.lines) kept = kept || !l.voided;
    if (d.kind != DocKind::Cancelled && !kept) Fail("document without a kept line");
    if (d.kind == DocKind::Invoice && d.buyerName.empty()) Fail("invoice without buyer");
    if (d.kind == DocKind::Cancelled && !d.payments.empty())
      Fail("a cancelled receipt is not paid");
    EnsureCashier();
    long long total = d.Value();
    if (d.kind != DocKind::Cancelled) Settle(d, total);
    d.trans = r_.nextTrans++;
    d.number = r_.nextReceipt++;
    d.printout = r_.nextPrintout++;
    d.when = r_.clock;
    d.cashier = r_.loggedCashier;
    if (d.kind == DocKind::Invoice) {
      d.invoiceNumber = std::to_string(r_.nextInvoice++) + "/" + std::to_string(d.when.year);
    }
    CashierStats& s = r_.stats;
    for (const sim::Line& l : d.lines) {
      if (l.voided) {
        ++s.voids;
        s.voidValue += l.Value();
      } else if (d.kind != DocKind::Cancelled) {
        Counter& c = l.ret ? r_.returns[l.plu] : r_.sales[l.plu];
        c.qty += l.qty;
        c.value += l.Value();
      }
    }
    if (d.kind == DocKind::Cancelled) {
      ++s.cancelled;
    } else {
      ++s.receipts;
      for (const Payment& p : d.payments) {
        long long v = p.negative ? -p.amount : p.amount;
        if (p.form == 1)
          s.cash += v;
        else if (p.form == 2)
          s.card += v;
        else if (p.form == 3)
          s.voucher += v;
        else if (p.form == 4)
          s.cheque += v;
        else
          s.other += v;
      }
    }
    BufferEntry e;
    e.doc = d;
    r_.buffer.push_back(e);
  }

  // Payments: none means cash for the whole value; cash beyond the value is change, which
  // the register records as a negative cash payment.
  static void Settle(Document& d, long long total) {
    if (d.payments.empty()) {
      d.payments.push_back(Payment{1, total < 0 ? -total : total, total < 0});
      return;
    }
    if (total < 0) Fail("a document paying money out takes no payments");
    long long paid = 0;
    long long cash = 0;
    for (const Payment& p : d.payments) {
      paid += p.amount;
      if (p.form == 1) cash += p.amount;
    }
    if (paid < total) Fail("payments short of the value " + FormatHundredths(total, ','));
    long long change = paid - total;
    if (change > cash) Fail("only cash gives change");
    if (change > 0) d.payments.push_back(Payment{1, change, true});
  }

  Register& r_;
  std::optional<Document> doc_;
};

}  // namespace

bool RunScenario(Register& reg, const std::string& bytes, std::string& error) {
  // Notepad's "UTF-8 with BOM" puts a byte order mark before the first command.
  const std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  Register work = reg;
  Seller seller(work);
  int lineNo = 0;
  // Text that is no UTF-8 is taken as Windows-1250, as a program of this system writes it.
  bool utf8 = IsUtf8(text);
  try {
    for (const std::string& line : Lines(text)) {
      ++lineNo;
      seller.Line(line, utf8);
    }
    seller.End();
  } catch (const ScenarioError& e) {
    error = "scenario line " + std::to_string(lineNo) + ": " + e.text;
    return false;
  }
  reg = work;
  return true;
}

void CloseDay(Register& reg) {
  reg.sales.clear();
  reg.returns.clear();
  reg.buffer.clear();
  reg.stats = CashierStats{};
}

}  // namespace sim
