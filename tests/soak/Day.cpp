#include "soak/Day.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "soak/Ledger.h"

namespace soak {

uint64_t Rng::Next() {
  // SplitMix64.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

long long Rng::Range(long long lo, long long hi) {
  const uint64_t span = static_cast<uint64_t>(hi - lo) + 1;
  return lo + static_cast<long long>(Next() % span);
}

namespace {

std::string N(long long v) {
  return std::to_string(v);
}

// Hundredths as the scenario and the buffer write them: "12,34".
std::string Money(long long grosze) {
  char text[32];
  std::snprintf(text, sizeof(text), "%lld,%02lld", grosze / 100, grosze % 100);
  return text;
}

// Thousandths as a quantity: "2" or "0,350".
std::string Quantity(long long qty, bool weighed) {
  if (!weighed) return N(qty / 1000);
  char text[32];
  std::snprintf(text, sizeof(text), "%lld,%03lld", qty / 1000, qty % 1000);
  return text;
}

const std::vector<std::string> kWords = {
    "Chleb",  "Bułka",    "Mleko", "Masło",  "Ser",      "Jabłka", "Gruszki",  "Śliwki",
    "Kawa",   "Herbata",  "Woda",  "Sok",    "Piwo",     "Żurek",  "Pączek",   "Rogal",
    "Szynka", "Kiełbasa", "Łosoś", "Ćwikła", "Źródlana", "Ogórki", "Pomidory", "Jaja"};
const std::vector<std::string> kAdjectives = {"żytni",  "świeży",  "łagodny", "pełne",    "duże",
                                              "ekstra", "wiejski", "zielona", "gazowana", ""};
const std::vector<std::string> kCashiers = {"Anna Żak", "Łucja Woźniak", "Jan Kowalski",
                                            "Zofia Gęś", "Piotr Ścibor"};
const std::vector<std::string> kBuyers = {"Bar Pod Lipą", "Sklep Źdźbło", "Hurtownia Łąka",
                                          "Piekarnia Żytnia", "Usługi Ćma"};
const std::vector<std::string> kCities = {"00-950 Warszawa", "30-001 Kraków", "80-180 Gdańsk",
                                          "90-001 Łódź", "61-001 Poznań"};
const std::vector<std::string> kStreets = {"ul. Prosta 1", "ul. Świętojańska 12", "al. Róż 3/5",
                                           "ul. Źródlana 7"};

// Days since 2000-01-01 as "YYYY-MM-DD" and "YYYYMMDD".
void Civil(long long days, int& y, int& m, int& d) {
  // Howard Hinnant's days_from_civil inverse, shifted to 2000-01-01.
  long long z = days + 10957 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}
std::string IsoDate(long long days) {
  int y, m, d;
  Civil(days, y, m, d);
  char text[48];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d", y, m, d);
  return text;
}
std::string Compact(long long days, int minute) {
  int y, m, d;
  Civil(days, y, m, d);
  char text[64];
  std::snprintf(text, sizeof(text), "%04d%02d%02d%02d%02d", y, m, d, minute / 60, minute % 60);
  return text;
}

}  // namespace

std::string Catalog::ExportFile() const {
  std::string f = "[STAWKI]\r\nVAT;23\r\nVAT;8\r\nVAT;5\r\nVAT;0\r\n";
  f += "[JEDNOSTKI]\r\nJM;1;0;szt.\r\nJM;2;3;kg\r\n";
  f += "[ASORTYMENTY]\r\nASS;1;Spożywcze\r\n";
  f += "[TOWARY]\r\n";
  for (const CatalogGoods& g : goods) {
    const std::string price = N(g.price);
    std::string packageCode = "0", packagePlu;
    if (g.packagePlu != 0) {
      packageCode = Of(g.packagePlu).barcode;
      packagePlu = N(g.packagePlu);
    }
    f += "PLU;" + N(g.plu) + ";0;" + g.barcode + ";" + g.name + ";" + price + ";" + price + ";" +
         price + ";" + price + ";" + N(g.rate) + ";" + (g.weighed ? "2" : "1") + ";" +
         (g.weighed ? "T;3;T;" : "F;0;F;") + (g.package ? "T" : "F") + ";F;" + packageCode + ";" +
         packagePlu + ";1;DOD\r\n";
  }
  return f;
}

Catalog MakeCatalog(Rng& rng, int size) {
  Catalog c;
  const int packages = std::max(1, size / 15);
  for (int plu = 1; plu <= size; ++plu) {
    CatalogGoods g;
    g.plu = plu;
    char barcode[16];
    std::snprintf(barcode, sizeof(barcode), "59%011d", plu);
    g.barcode = barcode;
    g.package = plu <= packages;
    if (g.package) {
      g.name = "Butelka zwrotna " + N(plu);
      g.price = rng.Pick(std::vector<long long>{10, 50, 100, 150});
      g.rate = 0;
    } else {
      g.weighed = rng.Chance(15);
      g.name = rng.Pick(kWords) + " " + rng.Pick(kAdjectives);
      while (!g.name.empty() && g.name.back() == ' ') g.name.pop_back();
      g.name += " " + N(plu);
      g.price = rng.Chance(5) ? rng.Pick(std::vector<long long>{1, 99999}) : rng.Range(50, 20000);
      g.rate = rng.Pick(std::vector<int>{23, 8, 5, 0});
      if (!g.weighed && rng.Chance(10)) g.packagePlu = static_cast<int>(rng.Range(1, packages));
    }
    c.goods.push_back(g);
  }
  return c;
}

long long Document::Value() const {
  long long sum = 0;
  for (const SoldLine& l : lines) {
    if (!l.voided) sum += l.ret ? -l.Value() : l.Value();
  }
  return sum;
}

std::string Settings::Text() const {
  std::string t = model;
  if (model != "K10") t += ", method " + N(method);
  t += saleSource == 0 ? ", sales from counters" : ", sales from receipts";
  if (model != "K10")
    t += std::string(receipts ? ", receipts" : "") + (invoices ? ", invoices" : "");
  return t;
}

namespace {

// Adds document `d` to the logged-in cashier's statistics, as the register keeps them.
void Tally(Day& day, const Document& d) {
  if (d.kind == Kind::Deposit || d.kind == Kind::Withdrawal) {
    (d.kind == Kind::Deposit ? day.deposits : day.withdrawals) += d.amount;
    return;
  }
  for (const SoldLine& l : d.lines) {
    if (l.voided) {
      ++day.voids;
      day.voidValue += l.Value();
    }
  }
  if (d.kind == Kind::Cancelled) return;
  ++day.receipts;
  for (const Paid& p : d.payments) {
    const long long v = p.negative ? -p.amount : p.amount;
    if (p.form == 1) day.cash += v;
    if (p.form == 2) day.card += v;
    if (p.form == 3) day.voucher += v;
    if (p.form == 4) day.cheque += v;
  }
}

void ClearCashier(Day& day) {
  day.cash = day.card = day.voucher = day.cheque = day.deposits = day.withdrawals = 0;
  day.receipts = day.voids = day.voidValue = 0;
}

}  // namespace

Day MakeDay(Rng& rng, const Catalog& catalog, RegisterState& state, int maxReceipts) {
  Day day;
  long long date = state.day;
  day.date = IsoDate(date);
  int minute = static_cast<int>(rng.Range(6 * 60, 9 * 60));
  std::string& s = day.scenario;
  s += "date " + day.date + "\n";
  auto clock = [&] {
    char text[32];
    std::snprintf(text, sizeof(text), "%02d:%02d", minute / 60, minute % 60);
    s += std::string("time ") + text + "\n";
    day.clock = Compact(date, minute);
  };
  clock();
  auto login = [&](int cashier) {
    s += "cashier " + N(cashier) + " " + kCashiers[static_cast<size_t>(cashier) - 1] + "\n";
    if (cashier != state.logged) {
      state.logged = cashier;
      state.shiftStart = Compact(date, minute);
      ClearCashier(day);
    }
  };
  login(static_cast<int>(rng.Range(1, static_cast<long long>(kCashiers.size()))));

  // Mostly an ordinary day; now and then an empty one or a very long one.
  long long count = rng.Range(1, 80);
  if (rng.Chance(5)) count = 0;
  if (rng.Chance(3)) count = rng.Range(maxReceipts / 2, maxReceipts);
  const bool pastMidnight = rng.Chance(8);
  // Receipts spread over about fourteen hours, several in a minute on a busy day.
  const long long stepTenths = count > 0 ? 2 * 8400 / count : 0;
  long long tenths = 0;
  for (long long n = 0; n < count; ++n) {
    tenths += rng.Range(0, stepTenths);
    minute += static_cast<int>(tenths / 10);
    tenths %= 10;
    if (minute >= 24 * 60) {
      if (!pastMidnight || date != state.day) break;
      // A receipt after midnight belongs to the next day.
      minute -= 24 * 60;
      ++date;
      s += "date " + IsoDate(date) + "\n";
    }
    day.breaks.emplace_back(s.size(), "date " + IsoDate(date) + "\n");
    clock();
    if (rng.Chance(2)) {
      login(static_cast<int>(rng.Range(1, static_cast<long long>(kCashiers.size()))));
    }
    Document d;
    d.when = Compact(date, minute);
    d.cashier = state.logged;
    const int kind = static_cast<int>(rng.Range(1, 100));
    if (kind <= 3 || kind == 4) {
      d.kind = kind <= 3 ? Kind::Deposit : Kind::Withdrawal;
      d.amount = rng.Range(1, 50000);
      s += std::string(d.kind == Kind::Deposit ? "deposit " : "withdraw ") + Money(d.amount) + "\n";
      Tally(day, d);
      day.documents.push_back(d);
      continue;
    }
    d.kind = kind <= 8 ? Kind::Invoice : kind <= 12 ? Kind::Cancelled : Kind::Receipt;
    s += d.kind == Kind::Receipt   ? "receipt\n"
         : d.kind == Kind::Invoice ? "invoice\n"
                                   : "cancelled\n";
    if (d.kind != Kind::Cancelled && rng.Chance(12)) {
      d.card = std::string(static_cast<size_t>(rng.Range(0, 3)), '0') + N(rng.Range(0, 99999999));
      s += "card " + d.card + "\n";
    }
    if (d.kind == Kind::Receipt && rng.Chance(5)) {
      d.nip = N(rng.Range(1000000000, 9999999999));
      s += "nip " + d.nip + "\n";
    }
    if (d.kind == Kind::Invoice) {
      d.buyerNip = N(rng.Range(1000000000, 9999999999));
      d.buyerName = rng.Pick(kBuyers);
      d.buyerCity = rng.Pick(kCities);
      d.buyerStreet = rng.Pick(kStreets);
      s += "buyer " + d.buyerNip + ";" + d.buyerName + ";" + d.buyerCity + ";" + d.buyerStreet +
           "\n";
    }
    const long long lines = rng.Chance(80) ? rng.Range(1, 6) : rng.Range(1, 30);
    bool kept = false;
    for (long long i = 0; i < lines || d.lines.empty() || (!kept && d.kind != Kind::Cancelled);
         ++i) {
      const CatalogGoods& g = catalog.goods[static_cast<size_t>(
          rng.Range(0, static_cast<long long>(catalog.goods.size()) - 1))];
      SoldLine l;
      l.plu = g.plu;
      l.qty = g.weighed ? rng.Range(1, 5000) : 1000 * rng.Range(1, rng.Chance(90) ? 3 : 20);
      l.before = (l.qty * g.price + 500) / 1000;
      if (l.before == 0) continue;  // a weight too small to cost anything is not rung up
      const int what = static_cast<int>(rng.Range(1, 100));
      std::string options;
      if (g.package && what <= 40) {
        l.ret = true;
      } else if (what <= 8) {
        l.voided = true;
      } else if (what <= 14) {
        if (rng.Chance(50)) {
          const long long pct = rng.Range(1, 50);
          l.discount = (l.before * pct * 100 + 5000) / 10000;
          options = " disc=" + N(pct) + "%";
        } else {
          l.discount = rng.Range(0, l.before);
          options = " disc=" + Money(l.discount);
        }
      }
      s += std::string(l.ret      ? "return "
                       : l.voided ? "void "
                                  : "sell ") +
           N(g.plu) + " " + Quantity(l.qty, g.weighed) + options + "\n";
      kept = kept || !l.voided;
      d.lines.push_back(l);
      // The package that goes with the goods is rung up with it.
      if (!l.ret && !l.voided && g.packagePlu != 0) {
        SoldLine p;
        p.plu = g.packagePlu;
        p.qty = l.qty;
        p.before = (p.qty * catalog.Of(g.packagePlu).price + 500) / 1000;
        d.lines.push_back(p);
      }
    }
    // Payments: none (cash, exactly), or a few forms and the rest in cash with change.
    const long long total = d.Value();
    if (d.kind != Kind::Cancelled) {
      if (total > 0 && rng.Chance(40)) {
        long long left = total;
        const long long forms = rng.Range(1, 3);
        for (long long f = 0; f < forms && left > 0; ++f) {
          const int form = static_cast<int>(rng.Range(2, 5));
          const long long amount = f + 1 == forms ? left : rng.Range(1, left);
          d.payments.push_back(Paid{form, amount, false});
          s += "pay " + N(form) + " " + Money(amount) + "\n";
          left -= amount;
        }
        if (left > 0 || rng.Chance(30)) {
          const long long cash = left + rng.Range(left > 0 ? 0 : 1, 5000);
          d.payments.push_back(Paid{1, cash, false});
          s += "pay cash " + Money(cash) + "\n";
          if (cash > left) d.payments.push_back(Paid{1, cash - left, true});
        }
      } else {
        d.payments.push_back(Paid{1, total < 0 ? -total : total, total < 0});
      }
    }
    s += "end\n";
    Tally(day, d);
    day.documents.push_back(d);
  }
  day.cashier = state.logged;
  day.cashierName = kCashiers[static_cast<size_t>(state.logged) - 1];
  day.shiftStart = state.shiftStart;
  state.day = date + 1;
  return day;
}

std::vector<std::string> Expected(const Day& day, const Catalog& catalog,
                                  const Settings& settings) {
  std::vector<std::string> out;
  const bool k10 = settings.model == "K10";
  const bool m5 = settings.method == 5;
  const std::string importDay = day.date.substr(0, 4) + day.date.substr(5, 2) + day.date.substr(8);
  std::map<std::string, std::pair<long long, long long>> goods;
  std::map<std::string, long long> finance;
  struct Hour {
    long long value = 0, baskets = 0, lines = 0;
  };
  std::map<std::pair<std::string, int>, Hour> hours;
  const bool fromReceipts = settings.saleSource == 1;
  auto isPackage = [&](int plu) { return catalog.Of(plu).package; };

  for (const Document& d : day.documents) {
    const std::string bookDay = fromReceipts ? d.when.substr(0, 8) : importDay;
    if (!fromReceipts && d.kind != Kind::Cancelled && d.kind != Kind::Deposit &&
        d.kind != Kind::Withdrawal) {
      // The counters: every kept line of a receipt or an invoice.
      for (const SoldLine& l : d.lines) {
        if (l.voided) continue;
        auto& g = goods[importDay + " plu=" + N(l.plu)];
        g.first += l.ret ? -l.qty : l.qty;
        g.second += l.ret ? -l.Value() : l.Value();
        if (isPackage(l.plu))
          finance[importDay + (l.ret ? " ZWROT_OPAKOWAN" : " SPRZEDAZ_OPAKOWAN")] += l.Value();
      }
    }
    if (k10) continue;  // no receipt buffer
    if (d.kind == Kind::Deposit || d.kind == Kind::Withdrawal) {
      const bool in = d.kind == Kind::Deposit;
      finance[bookDay + (in ? " WPLATY" : " WYPLATY")] += d.amount;
      if (settings.receipts) {
        out.push_back(DocLine(in ? "OP_WPL" : "OP_WYPL", d.when, d.cashier, "", "", "", {},
                              {"0:" + N(d.amount)}));
      }
      continue;
    }
    // What the buffer's reading makes of the document: a receipt (an invoice too, by method
    // 4), an invoice (method 5, when invoices are imported), or a cancelled receipt.
    const bool asReceipt = d.kind == Kind::Receipt || (d.kind == Kind::Invoice && !m5);
    const bool asInvoice = d.kind == Kind::Invoice && m5;
    std::vector<std::string> kept, voided, all;
    long long keptValue = 0, voidedValue = 0, allValue = 0;
    for (const SoldLine& l : d.lines) {
      const long long qty = l.ret ? -l.qty : l.qty;
      const long long value = l.ret ? -l.Value() : l.Value();
      const std::string text = N(l.plu) + ":" + N(qty) + ":" + N(value) + ":" + N(l.discount);
      all.push_back(text);
      allValue += value;
      (l.voided ? voided : kept).push_back(text);
      (l.voided ? voidedValue : keptValue) += value;
      if (asReceipt && !l.voided && fromReceipts) {
        auto& g = goods[bookDay + " plu=" + N(l.plu)];
        g.first += qty;
        g.second += value;
        finance[bookDay + " RABATY"] += l.discount;
        if (isPackage(l.plu))
          finance[bookDay + (l.ret ? " ZWROT_OPAKOWAN" : " SPRZEDAZ_OPAKOWAN")] += l.Value();
      }
    }
    std::string card = d.card;
    while (card.size() > 1 && card[0] == '0') card.erase(0, 1);
    std::vector<std::string> pays;
    for (size_t i = 0; i < d.payments.size(); ++i) {
      const Paid& p = d.payments[i];
      static const int kForm[] = {0, 0, 3, 1, 2, 4, 5, 6};
      const int form = kForm[p.form];
      const long long amount = p.negative ? -p.amount : p.amount;
      const bool deferred = settings.model == "Sigma" && p.form == 3;
      pays.push_back(N(form) + ":" + N(amount) + ":" + (i + 1 == d.payments.size() ? "1" : "0") +
                     ":" + (deferred ? "1" : "0"));
      if (asReceipt) {
        static const char* kTotal[] = {"", "FPLATN_BON", "FPLATN_CZEK", "FPLATN_KARTA",
                                       "FPLATN_INNE"};
        if (form >= 1 && form <= 4) finance[bookDay + " " + kTotal[form]] += amount;
      }
    }
    if (asReceipt) {
      Hour& h = hours[{bookDay, std::stoi(d.when.substr(8, 2))}];
      h.value += keptValue;
      h.baskets += 1;
      h.lines += static_cast<long long>(kept.size());
    }
    if (!settings.receipts) continue;
    if (d.kind == Kind::Cancelled) {
      // By method 4 the cancelled receipt keeps its voided lines; method 5 voids them apart.
      out.push_back(DocLine("OP_ANUL", d.when, d.cashier, "", "", "", m5 ? kept : all,
                            {"-1:" + N(m5 ? keptValue : allValue)}));
      if (m5 && !voided.empty()) {
        out.push_back(
            DocLine("OP_STORNO", d.when, d.cashier, "", "", "", voided, {"-1:" + N(voidedValue)}));
      }
      continue;
    }
    // An invoice left out leaves out the void of its lines too.
    if (!voided.empty() && !(asInvoice && !settings.invoices)) {
      out.push_back(
          DocLine("OP_STORNO", d.when, d.cashier, "", "", "", voided, {"-1:" + N(voidedValue)}));
    }
    if (asReceipt) {
      out.push_back(DocLine("PARAGON", d.when, d.cashier, card, m5 ? d.nip : "", "", kept, pays));
    } else if (asInvoice && settings.invoices) {
      std::string city, zip;
      for (char c : d.buyerCity) ((c >= '0' && c <= '9') || c == '-' ? zip : city) += c;
      while (!city.empty() && city[0] == ' ') city.erase(0, 1);
      out.push_back(
          DocLine("FAKTURA", d.when, d.cashier, card, "",
                  d.buyerNip + "|" + d.buyerName + "|" + d.buyerStreet + "|" + city + "|" + zip,
                  kept, pays));
    }
  }
  for (const auto& [key, g] : goods) {
    if (g.first != 0 || g.second != 0) {
      out.push_back("goods " + key + " qty=" + N(g.first) + " value=" + N(g.second));
    }
  }
  for (const auto& [key, v] : finance) {
    if (v != 0) out.push_back("finance " + key + "=" + N(v));
  }
  // The hourly report leaves out an hour whose receipts come to nothing (a receipt whose
  // lines were all discounted to zero, say), baskets and all.
  for (const auto& [key, h] : hours) {
    if (h.value == 0) continue;
    out.push_back("hour " + key.first + " " + N(key.second) + " value=" + N(h.value) +
                  " baskets=" + N(h.baskets) + " lines=" + N(h.lines));
  }
  if (settings.model == "Sigma") {
    const std::string p = "cashier " + importDay + " ";
    out.push_back(p + "KAS_NUMER=" + N(day.cashier));
    out.push_back(p + "KAS_NAZWISKO=" + day.cashierName);
    out.push_back(p + "KAS_ZMSTART=" + day.shiftStart + "00000");
    out.push_back(p + "KAS_BIEZ=" + day.clock + "00000");
    out.push_back(p + "KAS_STANKASY=" + N(day.cash + day.deposits - day.withdrawals));
    out.push_back(p + "KAS_KARTY=" + N(day.card));
    out.push_back(p + "KAS_BONY=" + N(day.voucher));
    out.push_back(p + "KAS_CZEKI=" + N(day.cheque));
    out.push_back(p + "KAS_PARAGONOW=" + N(day.receipts));
    out.push_back(p + "KAS_IL_STORNO=" + N(day.voids));
    out.push_back(p + "KAS_WART_STORNO=" + N(day.voidValue));
  }
  std::sort(out.begin(), out.end());
  return out;
}

void CashierFrom(Day& day, size_t first) {
  ClearCashier(day);
  for (size_t j = first; j < day.documents.size(); ++j) {
    // Another cashier logging in starts statistics of their own.
    if (j > first && day.documents[j].cashier != day.documents[j - 1].cashier) ClearCashier(day);
    Tally(day, day.documents[j]);
  }
}

}  // namespace soak
