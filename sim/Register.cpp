#include "sim/Register.h"

#include <cmath>
#include <cstdio>

#include "sim/Text.h"

namespace sim {

namespace {

const ModelInfo kModels[] = {
    {Model::K10, "K10", 2000, 2, "03.05", 40},
    {Model::K10Online, "K10 online", 4000, 5, "01.08", 40},
    {Model::MiniOnline, "Mini online", 4000, 5, "01.10", 40},
    {Model::JotaOnline, "Jota online", 5000, 5, "01.04", 40},
    {Model::Sigma, "Sigma", 20000, 4, "02.12", 48},
};

bool LeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%02d", v % 100);
  return buf;
}

std::string Num(long long v) {
  return std::to_string(v);
}

std::string Join(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += '\t';
    out += fields[i];
  }
  return out + "\r\n";
}

// State-file text: UTF-8, with tabs and line ends (which no register field may hold)
// replaced so that one record stays one line.
std::string Out(const std::string& cp1250) {
  std::string clean = cp1250;
  for (char& c : clean) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return Cp1250ToUtf8(clean);
}

const char* KindName(DocKind kind) {
  switch (kind) {
    case DocKind::Receipt:
      return "receipt";
    case DocKind::Invoice:
      return "invoice";
    case DocKind::Cancelled:
      return "cancelled";
  }
  return "receipt";
}

// Reads the fields of one state line; the helpers fail the whole load on a bad number.
class Fields {
 public:
  Fields(const std::vector<std::string>& f, bool& ok) : f_(f), ok_(ok) {}
  size_t Size() const { return f_.size(); }
  std::string Text(size_t i) const { return i < f_.size() ? Utf8ToCp1250(f_[i]) : std::string(); }
  std::string Raw(size_t i) const { return i < f_.size() ? f_[i] : std::string(); }
  long long Int(size_t i) const {
    long long v = 0;
    if (i >= f_.size() || !ParseInt(f_[i], v)) ok_ = false;
    return v;
  }
  int Small(size_t i) const { return static_cast<int>(Int(i)); }
  DateTime When(size_t i) const {
    DateTime dt;
    if (!DateTime::Parse(Raw(i), dt)) ok_ = false;
    return dt;
  }

 private:
  const std::vector<std::string>& f_;
  bool& ok_;
};

}  // namespace

bool DateTime::Parse(const std::string& text, DateTime& out) {
  int y, mo, d, h, mi, s = 0;
  char tail = 0;
  int n = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (n != 5 && n != 6) return false;
  if (n == 5 && text.size() != 16) return false;
  if (n == 6 && text.size() != 19) return false;
  if (y < 2000 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo)) return false;
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return false;
  out = DateTime{y, mo, d, h, mi, s};
  return true;
}

DateTime DateTime::FromDayCount(double days) {
  long long whole = static_cast<long long>(std::floor(days));
  long long seconds = std::llround((days - static_cast<double>(whole)) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++whole;
  }
  DateTime dt;
  // Walk from 1899-01-01 (day count -363): whole years first, then months.
  long long left = whole + 363;
  dt.year = 1899;
  while (left >= (LeapYear(dt.year) ? 366 : 365)) {
    left -= LeapYear(dt.year) ? 366 : 365;
    ++dt.year;
  }
  dt.month = 1;
  while (left >= DaysInMonth(dt.year, dt.month)) {
    left -= DaysInMonth(dt.year, dt.month);
    ++dt.month;
  }
  dt.day = static_cast<int>(left) + 1;
  dt.hour = static_cast<int>(seconds / 3600);
  dt.minute = static_cast<int>(seconds / 60 % 60);
  dt.second = static_cast<int>(seconds % 60);
  return dt;
}

std::string DateTime::Iso() const {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return buf;
}

std::string DateTime::Dotted() const {
  return Two(year) + "." + Two(month) + "." + Two(day);
}
std::string DateTime::HourMin() const {
  return Two(hour) + ":" + Two(minute);
}
std::string DateTime::Compact() const {
  return Two(year) + Two(month) + Two(day);
}
std::string DateTime::CompactTime() const {
  return Two(hour) + Two(minute) + Two(second);
}

const ModelInfo* FindModel(const std::string& name) {
  std::string wanted;
  for (char c : Upper(name)) {
    if (c != ' ' && c != '-' && c != '_') wanted += c;
  }
  for (const ModelInfo& info : kModels) {
    std::string known;
    for (char c : Upper(info.name)) {
      if (c != ' ') known += c;
    }
    if (known == wanted) return &info;
  }
  return nullptr;
}

const ModelInfo& InfoOf(Model model) {
  for (const ModelInfo& info : kModels) {
    if (info.model == model) return info;
  }
  return kModels[0];
}

bool IsOnline(Model model) {
  return model == Model::K10Online || model == Model::MiniOnline || model == Model::JotaOnline;
}

long long Document::Value() const {
  long long sum = 0;
  for (const Line& line : lines) {
    if (line.voided) continue;
    sum += line.ret ? -line.Value() : line.Value();
  }
  return sum;
}

Register Register::Create(const std::string& connection, const ModelInfo& model, int device) {
  Register reg;
  reg.connection = connection;
  reg.model = model.model;
  reg.device = device;
  reg.capacity = model.capacity;
  reg.generation = model.generation;
  reg.version = model.version;
  char serial[32];
  std::snprintf(serial, sizeof(serial), "ELZ%08d", device);
  reg.serial = serial;
  reg.clock = DateTime{2026, 1, 2, 8, 0, 0};
  reg.units[0] = "szt.";
  const char* names[] = {"", "GOTÓWKA", "KARTA", "BON", "CZEK", "INNA", "", ""};
  for (int i = 1; i <= 7; ++i) reg.payments[i].name = names[i];
  return reg;
}

bool Register::HasSales(int plu) const {
  auto s = sales.find(plu);
  auto r = returns.find(plu);
  return (s != sales.end() && !s->second.Zero()) || (r != returns.end() && !r->second.Zero());
}

bool Register::AnySales() const {
  for (const auto& [plu, goods] : this->goods) {
    if (HasSales(plu)) return true;
  }
  return false;
}

std::string VatText(int slot) {
  if (slot == kVatExempt) return "ZWOLNIONA";
  if (slot == kVatReserved) return "REZERWA";
  return FormatHundredths(slot, ',');
}

bool ParseVat(const std::string& text, int& slot) {
  std::string t = Trim(text);
  if (t == "ZWOLNIONA") {
    slot = kVatExempt;
    return true;
  }
  if (t == "REZERWA") {
    slot = kVatReserved;
    return true;
  }
  long long v = 0;
  if (!ParseHundredths(t, ',', v) || v < 0 || v > 9999) return false;
  slot = static_cast<int>(v);
  return true;
}

std::string SaveRegister(const Register& reg) {
  std::string out = "# elzabsim register: one record a line, fields separated by tabs\r\n";
  out += Join({"connection", reg.connection});
  out += Join({"model", reg.Info().name});
  out += Join({"device", Num(reg.device)});
  out += Join({"capacity", Num(reg.capacity)});
  out += Join({"generation", Num(reg.generation)});
  out += Join({"version", Out(reg.version)});
  out += Join({"serial", Out(reg.serial)});
  out += Join({"clock", reg.clock.Iso()});
  std::vector<std::string> vat{"vat"};
  for (int slot : reg.vat) vat.push_back(VatText(slot));
  out += Join(vat);
  out += Join({"euro", FormatHundredths(reg.euro, ',')});
  for (int g = 1; g <= 99; ++g) {
    if (!reg.groups[g].empty()) out += Join({"group", Num(g), Out(reg.groups[g])});
  }
  for (int u = 0; u < 16; ++u) {
    if (!reg.units[u].empty()) out += Join({"unit", Num(u), Out(reg.units[u])});
  }
  for (int p = 1; p <= 7; ++p) {
    const PaymentForm& f = reg.payments[p];
    out += Join({"payment", Num(p), Out(f.name), Num(f.type), f.dated ? "1" : "0"});
  }
  for (const auto& [n, name] : reg.cashiers) out += Join({"cashier", Num(n), Out(name)});
  if (reg.loggedCashier != 0) {
    out += Join({"login", Num(reg.loggedCashier), reg.shiftStart.Iso()});
  }
  const CashierStats& s = reg.stats;
  out += Join({"stats", Num(s.cash), Num(s.card), Num(s.voucher), Num(s.cheque), Num(s.other),
               Num(s.deposits), Num(s.withdrawals), Num(s.receipts), Num(s.voids), Num(s.voidValue),
               Num(s.cancelled)});
  out += Join({"numbers", Num(reg.nextTrans), Num(reg.nextReceipt), Num(reg.nextPrintout),
               Num(reg.nextInvoice)});
  out +=
      "# plu: number, name, VAT slot, group, precision, unit, barcode, price, package,\r\n"
      "# lock, flag A, flag B, fields 13 to 15, package PLU\r\n";
  for (const auto& [plu, g] : reg.goods) {
    out +=
        Join({"plu", Num(plu), Out(g.name), Num(g.vat), Num(g.group), Num(g.precision), Num(g.unit),
              Out(g.barcode), Num(g.price), g.package ? "1" : "0", Num(g.lock), Num(g.flagA),
              Num(g.flagB), Num(g.field13), Num(g.field14), Out(g.field15), Num(g.packagePlu)});
  }
  out += "# sale / return: PLU, quantity in thousandths, value in hundredths\r\n";
  for (const auto& [plu, c] : reg.sales) {
    if (!c.Zero()) out += Join({"sale", Num(plu), Num(c.qty), Num(c.value)});
  }
  for (const auto& [plu, c] : reg.returns) {
    if (!c.Zero()) out += Join({"return", Num(plu), Num(c.qty), Num(c.value)});
  }
  out +=
      "# buffer: doc (kind, transaction, receipt, printout, time, cashier, card, NIP,\r\n"
      "# invoice number, buyer NIP, name, city, street), then its line and pay records;\r\n"
      "# line: PLU, name, quantity, price, value before discount, discount, return, void,\r\n"
      "# VAT slot; pay: form, amount, negative; cash: deposit|withdrawal, cashier, amount,\r\n"
      "# time, transaction, printout\r\n";
  for (const BufferEntry& e : reg.buffer) {
    if (e.isCash) {
      const CashOperation& c = e.cash;
      out += Join({"cash", c.deposit ? "deposit" : "withdrawal", Num(c.cashier), Num(c.amount),
                   c.when.Iso(), Num(c.trans), Num(c.printout)});
      continue;
    }
    const Document& d = e.doc;
    out += Join({"doc", KindName(d.kind), Num(d.trans), Num(d.number), Num(d.printout),
                 d.when.Iso(), Num(d.cashier), Out(d.card), Out(d.nip), Out(d.invoiceNumber),
                 Out(d.buyerNip), Out(d.buyerName), Out(d.buyerCity), Out(d.buyerStreet)});
    for (const Line& l : d.lines) {
      out += Join({"line", Num(l.plu), Out(l.name), Num(l.qty), Num(l.price), Num(l.before),
                   Num(l.discount), l.ret ? "1" : "0", l.voided ? "1" : "0", Num(l.vat)});
    }
    for (const Payment& p : d.payments) {
      out += Join({"pay", Num(p.form), Num(p.amount), p.negative ? "1" : "0"});
    }
  }
  for (const Fault& f : reg.faults) {
    out += Join({"fault", f.program, f.once ? "once" : "always", f.kind, Out(f.arg), Out(f.desc)});
  }
  return out;
}

bool LoadRegister(const std::string& text, Register& reg, std::string& error) {
  reg = Register();
  reg.units[0].clear();
  int lineNo = 0;
  for (const std::string& raw : Lines(text)) {
    ++lineNo;
    if (raw.empty() || raw[0] == '#') continue;
    std::vector<std::string> parts = Split(raw, '\t');
    bool ok = true;
    Fields f(parts, ok);
    const std::string& key = parts[0];
    if (key == "connection") {
      reg.connection = f.Raw(1);
    } else if (key == "model") {
      const ModelInfo* info = FindModel(f.Raw(1));
      if (info == nullptr)
        ok = false;
      else
        reg.model = info->model;
    } else if (key == "device") {
      reg.device = f.Small(1);
    } else if (key == "capacity") {
      reg.capacity = f.Small(1);
    } else if (key == "generation") {
      reg.generation = f.Small(1);
    } else if (key == "version") {
      reg.version = f.Text(1);
    } else if (key == "serial") {
      reg.serial = f.Text(1);
    } else if (key == "clock") {
      reg.clock = f.When(1);
    } else if (key == "vat") {
      for (size_t i = 0; i < 7; ++i) {
        if (!ParseVat(f.Raw(i + 1), reg.vat[i])) ok = false;
      }
    } else if (key == "euro") {
      if (!ParseHundredths(f.Raw(1), ',', reg.euro)) ok = false;
    } else if (key == "group") {
      int g = f.Small(1);
      if (g < 1 || g > 99)
        ok = false;
      else
        reg.groups[g] = f.Text(2);
    } else if (key == "unit") {
      int u = f.Small(1);
      if (u < 0 || u > 15)
        ok = false;
      else
        reg.units[u] = f.Text(2);
    } else if (key == "payment") {
      int p = f.Small(1);
      if (p < 1 || p > 7) {
        ok = false;
      } else {
        reg.payments[p] = PaymentForm{f.Text(2), f.Small(3), f.Raw(4) == "1"};
      }
    } else if (key == "cashier") {
      reg.cashiers[f.Small(1)] = f.Text(2);
    } else if (key == "login") {
      reg.loggedCashier = f.Small(1);
      reg.shiftStart = f.When(2);
    } else if (key == "stats") {
      CashierStats& s = reg.stats;
      long long* all[] = {&s.cash,  &s.card,      &s.voucher,     &s.cheque,
                          &s.other, &s.deposits,  &s.withdrawals, &s.receipts,
                          &s.voids, &s.voidValue, &s.cancelled};
      for (size_t i = 0; i < 11; ++i) *all[i] = f.Int(i + 1);
    } else if (key == "numbers") {
      reg.nextTrans = f.Small(1);
      reg.nextReceipt = f.Small(2);
      reg.nextPrintout = f.Small(3);
      reg.nextInvoice = f.Small(4);
    } else if (key == "plu") {
      Goods g;
      g.plu = f.Small(1);
      g.name = f.Text(2);
      g.vat = f.Small(3);
      g.group = f.Small(4);
      g.precision = f.Small(5);
      g.unit = f.Small(6);
      g.barcode = f.Text(7);
      g.price = f.Int(8);
      g.package = f.Raw(9) == "1";
      g.lock = f.Small(10);
      g.flagA = f.Small(11);
      g.flagB = f.Small(12);
      g.field13 = f.Small(13);
      g.field14 = f.Small(14);
      g.field15 = f.Text(15);
      g.packagePlu = f.Small(16);
      reg.goods[g.plu] = g;
    } else if (key == "sale" || key == "return") {
      Counter c{f.Int(2), f.Int(3)};
      (key == "sale" ? reg.sales : reg.returns)[f.Small(1)] = c;
    } else if (key == "doc") {
      BufferEntry e;
      Document& d = e.doc;
      std::string kind = f.Raw(1);
      if (kind == "receipt")
        d.kind = DocKind::Receipt;
      else if (kind == "invoice")
        d.kind = DocKind::Invoice;
      else if (kind == "cancelled")
        d.kind = DocKind::Cancelled;
      else
        ok = false;
      d.trans = f.Small(2);
      d.number = f.Small(3);
      d.printout = f.Small(4);
      d.when = f.When(5);
      d.cashier = f.Small(6);
      d.card = f.Text(7);
      d.nip = f.Text(8);
      d.invoiceNumber = f.Text(9);
      d.buyerNip = f.Text(10);
      d.buyerName = f.Text(11);
      d.buyerCity = f.Text(12);
      d.buyerStreet = f.Text(13);
      reg.buffer.push_back(e);
    } else if (key == "line" || key == "pay") {
      if (reg.buffer.empty() || reg.buffer.back().isCash) {
        ok = false;
      } else if (key == "line") {
        Line l;
        l.plu = f.Small(1);
        l.name = f.Text(2);
        l.qty = f.Int(3);
        l.price = f.Int(4);
        l.before = f.Int(5);
        l.discount = f.Int(6);
        l.ret = f.Raw(7) == "1";
        l.voided = f.Raw(8) == "1";
        l.vat = f.Small(9);
        reg.buffer.back().doc.lines.push_back(l);
      } else {
        Payment p{f.Small(1), f.Int(2), f.Raw(3) == "1"};
        if (p.form < 1 || p.form > 7) ok = false;
        reg.buffer.back().doc.payments.push_back(p);
      }
    } else if (key == "cash") {
      BufferEntry e;
      e.isCash = true;
      e.cash.deposit = f.Raw(1) == "deposit";
      e.cash.cashier = f.Small(2);
      e.cash.amount = f.Int(3);
      e.cash.when = f.When(4);
      e.cash.trans = f.Small(5);
      e.cash.printout = f.Small(6);
      reg.buffer.push_back(e);
    } else if (key == "fault") {
      reg.faults.push_back(Fault{f.Raw(1), f.Raw(2) == "once", f.Raw(3), f.Text(4), f.Text(5)});
    } else {
      ok = false;
    }
    if (!ok) {
      error = "line " + std::to_string(lineNo) + " not understood: " + Utf8ToCp1250(raw);
      return false;
    }
  }
  if (reg.connection.empty() || reg.capacity <= 0) {
    error = "no connection or capacity";
    return false;
  }
  return true;
}

}  // namespace sim
