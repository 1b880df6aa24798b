#include "host/ImportReport.h"

#include <cstdlib>
#include <map>

#include "host/Text.h"

namespace tvkhost {

namespace {

constexpr char kGoodsSection[] = "[TOWAROWE]";
constexpr char kFinanceSection[] = "[FINANSOWE]";
constexpr char kCashierSection[] = "[STAN_KASY]";
constexpr char kFlagsSection[] = "[FLAGI]";
constexpr char kReceiptRecord[] = "[PARAGON NR";  // compared in upper case
constexpr char kInvoiceRecord[] = "[FAKTURA NR";
constexpr char kOtherOperation[] = "[INNA_OPER]";
constexpr char kSaleDate[] = "DATA_SPRZEDAZY";
constexpr char kZloty[] = " z\xB3";  // "zł" in Windows-1250

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// A whole number, optionally signed, with nothing around it.
bool ParseWhole(const std::string& text, long long& value) {
  std::string t = Trim(text);
  size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
  if (i == t.size() || t.size() > 19) return false;
  for (size_t k = i; k < t.size(); ++k) {
    if (t[k] < '0' || t[k] > '9') return false;
  }
  value = std::strtoll(t.c_str(), nullptr, 10);
  return true;
}

// Cashier values that are amounts in grosze, and those that are dates.
bool IsAmountKey(const std::string& key) {
  static const char* const kAmounts[] = {
      "KAS_STANKASY",   "KAS_KARTY",    "KAS_BONY",      "KAS_CZEKI",
      "KAS_PRZELEWY",   "KAS_DODFPLAT", "KAS_INNEFPLAT", "KAS_WART_PAR_ANULOWANYCH",
      "KAS_WART_STORNO"};
  for (const char* a : kAmounts) {
    if (key == a) return true;
  }
  return false;
}

bool IsDateKey(const std::string& key) {
  return key == "KAS_ZMSTART" || key == "KAS_BIEZ";
}

std::string Pad(const std::string& text, size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string AmountOf(const ImportFile& f, const std::string& name) {
  long long v = 0;
  return f.Finance(name, v) ? ZlotyText(v) + kZloty : std::string("(not in the file)");
}

std::string Quantity(long long thousandths) {
  std::string sign = thousandths < 0 ? "-" : "";
  long long a = std::llabs(thousandths);
  std::string frac = std::to_string(a % 1000);
  return sign + std::to_string(a / 1000) + "." + std::string(3 - frac.size(), '0') + frac;
}

}  // namespace

bool ImportFile::Finance(const std::string& name, long long& grosze) const {
  for (const auto& [key, value] : finance) {
    if (key == name) return ParseWhole(value, grosze);
  }
  return false;
}

ImportFile ReadImportFile(const std::string& bytes) {
  ImportFile f;
  enum class Where { kNone, kGoods, kFinance, kCashier, kFlags, kKnown, kRecords };
  Where where = Where::kNone;
  bool flagsSeen = false;
  bool otherOperationKind = false;  // the next line says what kind of operation it is
  for (const std::string& line : SplitLines(bytes)) {
    std::string t = Trim(line);
    if (t.empty()) continue;
    if (otherOperationKind) {
      otherOperationKind = false;
      const std::string kind = t.substr(0, t.find(';'));
      if (kind == "OP_STORNO") ++f.voids;
      if (kind == "OP_ANUL") ++f.cancelled;
      if (kind == "OP_WPL") ++f.deposits;
      if (kind == "OP_WYPL") ++f.withdrawals;
    }
    if (t[0] == '[') {
      // Receipts and other operations follow the flags; their lines belong to them.
      if (StartsWith(Upper(t), kReceiptRecord)) {
        ++f.receipts;
        where = Where::kRecords;
      } else if (StartsWith(Upper(t), kInvoiceRecord)) {
        ++f.invoices;
        where = Where::kRecords;
      } else if (t == kOtherOperation) {
        ++f.otherOperations;
        otherOperationKind = true;
        where = Where::kRecords;
      } else if (flagsSeen) {
        ++f.otherRecords;
        where = Where::kRecords;
      } else if (t == kGoodsSection) {
        where = Where::kGoods;
      } else if (t == kFinanceSection) {
        where = Where::kFinance;
      } else if (t == kCashierSection) {
        where = Where::kCashier;
        f.hasCashierSection = true;
      } else if (t == kFlagsSection) {
        where = Where::kFlags;
        flagsSeen = true;
      } else {
        where = Where::kKnown;
      }
      continue;
    }
    std::vector<std::string> words = Split(t, ';');
    switch (where) {
      case Where::kGoods: {
        if (words[0] != "PLU") break;
        ImportGoodsLine g;
        if (words.size() < 5 || !ParseWhole(words[3], g.quantity) ||
            !ParseWhole(words[4], g.value)) {
          ++f.unreadableGoods;
          break;
        }
        g.plu = words[1];
        g.barcode = words[2];
        f.goodsValue += g.value;
        f.goods.push_back(g);
        break;
      }
      case Where::kFinance:
        if (words.size() >= 2) f.finance.emplace_back(words[0], words[1]);
        break;
      case Where::kCashier: {
        size_t semi = t.find(';');
        if (semi == std::string::npos) break;
        f.cashier.emplace_back(t.substr(0, semi), t.substr(semi + 1));
        break;
      }
      case Where::kFlags:
        if (words.size() >= 2 && words[0] == kSaleDate) f.saleDate = words[1];
        break;
      default:
        break;
    }
  }
  return f;
}

std::string CompressedDateText(const std::string& d) {
  if (d.size() != 17) return d;
  for (char c : d) {
    if (c < '0' || c > '9') return d;
  }
  std::string date = d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
  if (d.compare(8, 6, "000000") == 0) return date;
  return date + " " + d.substr(8, 2) + ":" + d.substr(10, 2) + ":" + d.substr(12, 2);
}

std::string ZlotyText(long long grosze) {
  long long a = std::llabs(grosze);
  std::string cents = std::to_string(a % 100);
  return (grosze < 0 ? "-" : "") + std::to_string(a / 100) + "." + (cents.size() < 2 ? "0" : "") +
         cents;
}

std::vector<std::string> ImportSummary(const std::vector<StoredImport>& imports,
                                       const OperationOutcome& outcome) {
  std::vector<std::string> out;
  out.push_back("tvkhost: import summary");
  if (imports.empty()) {
    if (outcome.errorLines > 0) {
      out.push_back("  no import file stored: the import ended with an error");
    } else {
      out.push_back("  no import file stored: the register had nothing to take in");
    }
    return out;
  }
  int n = 0;
  for (const StoredImport& s : imports) {
    const ImportFile& f = s.file;
    ++n;
    if (imports.size() > 1)
      out.push_back("  import file " + std::to_string(n) + " of " + std::to_string(imports.size()));
    out.push_back("  sale date          " + (f.saleDate.empty() ? std::string("(not in the file)")
                                                                : CompressedDateText(f.saleDate)));
    std::string goods = std::to_string(f.goods.size()) + " line" +
                        (f.goods.size() == 1 ? "" : "s") + ", " + ZlotyText(f.goodsValue) + kZloty;
    if (f.unreadableGoods > 0) {
      goods += " (" + std::to_string(f.unreadableGoods) + " unreadable line" +
               (f.unreadableGoods == 1 ? "" : "s") + " left out)";
    }
    out.push_back("  goods              " + goods);
    out.push_back("  deposits           " + AmountOf(f, "WPLATY"));
    out.push_back("  withdrawals        " + AmountOf(f, "WYPLATY"));
    out.push_back("  packaging          returned " + AmountOf(f, "ZWROT_OPAKOWAN") + ", sold " +
                  AmountOf(f, "SPRZEDAZ_OPAKOWAN"));
    if (!f.hasCashierSection) {
      out.push_back("  cashier            none in the file");
    } else {
      out.push_back("  cashier");
      for (const auto& [key, value] : f.cashier) {
        std::string shown = value;
        long long v = 0;
        if (IsAmountKey(key) && ParseWhole(value, v)) {
          shown = ZlotyText(v) + kZloty;
        } else if (IsDateKey(key)) {
          shown = CompressedDateText(value);
        }
        out.push_back("    " + Pad(key, 26) + shown);
      }
    }
    std::string records = std::to_string(f.receipts) + " receipt" + (f.receipts == 1 ? "" : "s") +
                          ", " + std::to_string(f.invoices) + " invoice" +
                          (f.invoices == 1 ? "" : "s") + ", " + std::to_string(f.otherOperations) +
                          " other operation" + (f.otherOperations == 1 ? "" : "s");
    if (f.otherRecords > 0) records += ", " + std::to_string(f.otherRecords) + " other records";
    out.push_back("  records            " + records);
    if (f.otherOperations > 0) {
      const int rest = f.otherOperations - f.voids - f.cancelled - f.deposits - f.withdrawals;
      std::string kinds =
          std::to_string(f.voids) + " voided line" + (f.voids == 1 ? "" : "s") + ", " +
          std::to_string(f.cancelled) + " cancelled receipt" + (f.cancelled == 1 ? "" : "s") +
          ", " + std::to_string(f.deposits) + " deposit" + (f.deposits == 1 ? "" : "s") + ", " +
          std::to_string(f.withdrawals) + " withdrawal" + (f.withdrawals == 1 ? "" : "s");
      if (rest > 0) kinds += ", " + std::to_string(rest) + " of another kind";
      out.push_back("  other operations   " + kinds);
    }
    out.push_back("  stored as          " + s.path);
  }
  return out;
}

bool ReadRegisterCounters(const std::string& listing, std::vector<RegisterCounter>& counters) {
  counters.clear();
  bool in = false;
  bool found = false;
  for (const std::string& line : SplitLines(listing)) {
    if (line == "Sales counters:") {
      in = found = true;
      continue;
    }
    if (!in) continue;
    if (!StartsWith(line, "  ")) {
      in = false;
      continue;
    }
    // "  PLU 7 sold 4.000 for 15,16"
    std::vector<std::string> w = Split(Trim(line), ' ');
    RegisterCounter c;
    long long whole = 0;
    if (w.size() != 6 || w[0] != "PLU" || !ParseInt(w[1], c.plu) ||
        (w[2] != "sold" && w[2] != "returned") || w[4] != "for") {
      return false;
    }
    c.returned = w[2] == "returned";
    std::vector<std::string> q = Split(w[3], '.');
    std::vector<std::string> v = Split(w[5], ',');
    long long frac = 0;
    long long cents = 0;
    if (q.size() != 2 || q[1].size() != 3 || !ParseWhole(q[0], whole) || !ParseWhole(q[1], frac)) {
      return false;
    }
    c.quantity = whole * 1000 + frac;
    if (v.size() != 2 || v[1].size() != 2 || !ParseWhole(v[0], whole) || !ParseWhole(v[1], cents)) {
      return false;
    }
    c.value = whole * 100 + (v[0][0] == '-' ? -cents : cents);
    counters.push_back(c);
  }
  return found;
}

std::vector<std::string> CompareCountersWithImports(const std::vector<RegisterCounter>& counters,
                                                    const std::vector<StoredImport>& imports) {
  struct Sum {
    long long quantity = 0;
    long long value = 0;
  };
  // Key: the PLU, and whether the line is a return.
  std::map<std::pair<int, bool>, Sum> rung, imported;
  long long rungTotal = 0;
  long long importedTotal = 0;
  for (const RegisterCounter& c : counters) {
    Sum& s = rung[{c.plu, c.returned}];
    s.quantity += c.quantity;
    s.value += c.value;
    rungTotal += c.returned ? -c.value : c.value;
  }
  std::vector<std::string> out;
  for (const StoredImport& i : imports) {
    for (const ImportGoodsLine& g : i.file.goods) {
      int plu = 0;
      if (!ParseInt(g.plu, plu)) {
        out.push_back("imported goods line without a PLU number (barcode " + g.barcode + ")");
        continue;
      }
      bool returned = g.quantity < 0;
      Sum& s = imported[{plu, returned}];
      s.quantity += returned ? -g.quantity : g.quantity;
      s.value += returned ? -g.value : g.value;
      importedTotal += g.value;
    }
  }
  auto describe = [](const std::pair<int, bool>& key, const Sum& s) {
    return "PLU " + std::to_string(key.first) + (key.second ? " returned " : " sold ") +
           Quantity(s.quantity) + " for " + ZlotyText(s.value);
  };
  for (const auto& [key, s] : rung) {
    auto it = imported.find(key);
    if (it == imported.end()) {
      out.push_back(describe(key, s) + " on the register, not imported");
    } else if (it->second.quantity != s.quantity || it->second.value != s.value) {
      out.push_back(describe(key, s) + " on the register, imported " +
                    Quantity(it->second.quantity) + " for " + ZlotyText(it->second.value));
    }
  }
  for (const auto& [key, s] : imported) {
    if (rung.find(key) == rung.end()) out.push_back(describe(key, s) + " imported, not rung up");
  }
  if (rungTotal != importedTotal) {
    out.push_back("total: rung up " + ZlotyText(rungTotal) + kZloty + ", imported " +
                  ZlotyText(importedTotal) + kZloty);
  }
  return out;
}

}  // namespace tvkhost
