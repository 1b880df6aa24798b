#include "sim/Buffer.h"

#include <algorithm>

#include "sim/Text.h"

namespace sim {

namespace {

std::string N(long long v) {
  return std::to_string(v);
}

std::string Record(const std::vector<std::string>& fields) {
  std::string out = "$";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += '\t';
    out += fields[i];
  }
  return out;
}

std::vector<std::string> CounterLines(const std::map<int, Counter>& counters, bool withZeros,
                                      const Register& reg) {
  std::vector<std::string> lines;
  if (withZeros) {
    for (const auto& [plu, goods] : reg.goods) {
      auto it = counters.find(plu);
      Counter c = it == counters.end() ? Counter{} : it->second;
      lines.push_back(Record({N(plu), FormatThousandths(c.qty, '.'), N(c.value)}));
    }
    return lines;
  }
  for (const auto& [plu, c] : counters) {
    if (!c.Zero()) lines.push_back(Record({N(plu), FormatThousandths(c.qty, '.'), N(c.value)}));
  }
  return lines;
}

// Method 4 position: transaction, receipt, line number, return flag, PLU, quantity, value,
// date, time, VAT slot, cashier, discount, value before the discount.
std::string Position4(int type, const Document& d, size_t index) {
  const Line& l = d.lines[index];
  return Record({N(type), N(d.trans), N(d.number), N(static_cast<long long>(index) + 1),
                 l.ret ? "1" : "0", N(l.plu), FormatThousandths(l.qty, '.'), N(l.Value()),
                 d.when.Dotted(), d.when.HourMin(), N(l.vat), N(d.cashier), N(l.discount),
                 N(l.before)});
}

// Method 5 position: as method 4 in fields 1 to 13 (amounts in złoty, date and time as
// YYMMDD and HHMMSS), then name, unit price, VAT rate and the printout number.
std::string Position5(int type, const Register& reg, const Document& d, size_t index) {
  const Line& l = d.lines[index];
  int slot = l.vat >= 1 && l.vat <= 7 ? reg.vat[l.vat - 1] : 0;
  return Record({N(type), N(d.trans), N(d.number), N(static_cast<long long>(index) + 1),
                 l.ret ? "1" : "0", N(l.plu), FormatThousandths(l.qty, ','),
                 FormatHundredths(l.Value(), ','), d.when.Compact(), d.when.CompactTime(), N(l.vat),
                 N(d.cashier), FormatHundredths(l.discount, ','), FormatHundredths(l.before, ','),
                 Cp1250ToCp852(l.name), FormatHundredths(l.price, ','), VatText(slot),
                 N(d.printout)});
}

// A method-5 record that only names its document: type, transaction, receipt, date, time,
// cashier, empty fields up to the printout number in field 17.
std::string Marker5(int type, const Document& d) {
  std::vector<std::string> f{N(type),          N(d.trans),           N(d.number),
                             d.when.Compact(), d.when.CompactTime(), N(d.cashier)};
  f.resize(17);
  f.push_back(N(d.printout));
  return Record(f);
}

void Document4(const Document& d, std::vector<std::string>& out) {
  if (d.kind == DocKind::Cancelled) {
    for (size_t i = 0; i < d.lines.size(); ++i) {
      out.push_back(Position4(d.lines[i].voided ? 12 : 11, d, i));
    }
    return;
  }
  if (!d.card.empty()) out.push_back(Record({"3", N(d.trans), N(d.number), "1", d.card}));
  // A line voided while the receipt is rung up is written where it was voided, among the
  // receipt's lines.
  for (size_t i = 0; i < d.lines.size(); ++i) {
    out.push_back(Position4(d.lines[i].voided ? 10 : 1, d, i));
  }
  for (const Payment& p : d.payments) {
    out.push_back(Record(
        {"4", N(d.trans), N(d.number), N(p.form), "0", p.negative ? "1" : "0", "0", N(p.amount)}));
  }
}

void Document5(const Register& reg, const Document& d, std::vector<std::string>& out) {
  std::string P = N(d.printout);
  if (d.kind == DocKind::Cancelled) {
    out.push_back(Marker5(26, d));
    for (size_t i = 0; i < d.lines.size(); ++i) {
      out.push_back(Position5(d.lines[i].voided ? 12 : 11, reg, d, i));
    }
    return;
  }
  bool invoice = d.kind == DocKind::Invoice;
  if (invoice) {
    out.push_back(Record(
        {"28", N(d.trans), N(d.number), "FV", Cp1250ToCp852(d.invoiceNumber), d.buyerNip, P}));
    out.push_back(Record({"30", N(d.trans), N(d.number), Cp1250ToCp852(d.buyerName),
                          Cp1250ToCp852(d.buyerCity), Cp1250ToCp852(d.buyerStreet), P}));
  } else {
    out.push_back(Marker5(24, d));
  }
  if (!d.card.empty()) {
    out.push_back(Record({invoice ? "22" : "3", N(d.trans), N(d.number), "1", d.card, P}));
  }
  // The first line voided opens the void (its marker, then the line); the later ones are
  // added to it. They are written where they were voided, among the document's lines.
  bool voided = false;
  for (size_t i = 0; i < d.lines.size(); ++i) {
    if (!d.lines[i].voided) {
      out.push_back(Position5(invoice ? 18 : 1, reg, d, i));
      continue;
    }
    if (!voided) out.push_back(Marker5(25, d));
    out.push_back(Position5(voided ? 19 : 10, reg, d, i));
    voided = true;
  }
  if (!invoice && !d.nip.empty()) {
    out.push_back(Record({"29", N(d.trans), N(d.number), d.nip, P}));
  }
  for (const Payment& p : d.payments) {
    std::string name = p.form >= 1 && p.form <= 7 ? reg.payments[p.form].name : "";
    out.push_back(
        Record({invoice ? "23" : "4", N(d.trans), N(d.number), N(p.form), "0",
                p.negative ? "1" : "0", Cp1250ToCp852(name), FormatHundredths(p.amount, ','), P}));
  }
}

}  // namespace

std::vector<std::string> SalesByPlu(const Register& reg) {
  return CounterLines(reg.sales, true, reg);
}

std::vector<std::string> SortedSales(const Register& reg) {
  std::vector<std::pair<int, Counter>> sold;
  for (const auto& [plu, c] : reg.sales) {
    if (!c.Zero()) sold.emplace_back(plu, c);
  }
  std::stable_sort(sold.begin(), sold.end(),
                   [](const auto& a, const auto& b) { return a.second.value > b.second.value; });
  std::vector<std::string> lines;
  for (const auto& [plu, c] : sold) {
    lines.push_back(Record({N(plu), FormatThousandths(c.qty, '.'), N(c.value)}));
  }
  return lines;
}

std::vector<std::string> PackagingReturns(const Register& reg) {
  return CounterLines(reg.returns, false, reg);
}

std::vector<std::string> Method4(const Register& reg) {
  std::vector<std::string> out;
  for (const BufferEntry& e : reg.buffer) {
    if (e.isCash) {
      const CashOperation& c = e.cash;
      out.push_back(
          Record({"5", N(c.cashier), N(c.trans), N(c.printout), "1", c.deposit ? "1" : "0",
                  N(c.amount), c.when.Dotted(), c.when.HourMin()}));
    } else {
      Document4(e.doc, out);
    }
  }
  return out;
}

std::vector<std::string> Method5(const Register& reg) {
  std::vector<std::string> out;
  for (const BufferEntry& e : reg.buffer) {
    if (e.isCash) {
      const CashOperation& c = e.cash;
      out.push_back(
          Record({"5", N(c.cashier), N(c.trans), N(c.printout), "1", c.deposit ? "1" : "0",
                  FormatHundredths(c.amount, ','), c.when.Compact(),
                  c.when.HourMin().substr(0, 2) + c.when.HourMin().substr(3, 2)}));
    } else {
      Document5(reg, e.doc, out);
    }
  }
  return out;
}

}  // namespace sim
