#include "soak/Ledger.h"

#include <algorithm>
#include <array>
#include <map>

namespace soak {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == separator) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::string Field(const std::vector<std::string>& f, size_t i) {
  return i < f.size() ? f[i] : std::string("?");
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i > 0 ? "," : "") + items[i];
  return out;
}

long long Number(const std::string& text) {
  try {
    return std::stoll(text);
  } catch (...) {
    return 0;
  }
}

// A compressed date-time "YYYYMMDDHHMMSSmmm" as "YYYYMMDDHHMM"; seconds and milliseconds are
// never rung up, so anything else there is kept to show.
std::string Minute(const std::string& compressed) {
  if (compressed.size() == 17 && compressed.compare(12, 5, "00000") == 0) {
    return compressed.substr(0, 12);
  }
  return compressed;
}

// One record after [FLAGI]: its header, then lines up to the next record.
class Record {
 public:
  explicit Record(std::string title) : title_(std::move(title)) {}
  void Add(const std::string& line) {
    if (!line.empty()) lines_.push_back(line);
  }
  std::string Canonical() const;

 private:
  std::string Malformed(const std::string& why) const {
    return "malformed " + title_ + " " + (lines_.empty() ? "" : lines_[0]) + ": " + why;
  }
  std::string title_;
  std::vector<std::string> lines_;
};

std::string Record::Canonical() const {
  if (lines_.empty()) return Malformed("no lines");
  const std::vector<std::string> h = Split(lines_[0], ';');
  const std::string& kind = h[0];
  const bool document = kind == "TRN" || kind == "FV";
  const bool other = kind == "OP_STORNO" || kind == "OP_ANUL";
  const bool cash = kind == "OP_WPL" || kind == "OP_WYPL";
  if (!document && !other && !cash) return Malformed("unknown kind");
  if ((kind == "TRN") != (title_.rfind("[PARAGON nr ", 0) == 0) ||
      (kind == "FV") != (title_.rfind("[FAKTURA nr ", 0) == 0) ||
      ((other || cash) && title_ != "[INNA_OPER]")) {
    return Malformed("title and kind differ");
  }
  const std::string when = Field(h, 9);
  if (document && title_ != (kind == "TRN" ? "[PARAGON nr " : "[FAKTURA nr ") + Field(h, 2) + "]") {
    return Malformed("title and number differ");
  }
  std::vector<std::string> goods, pays;
  std::string nip, buyer;
  for (size_t i = 1; i < lines_.size(); ++i) {
    const std::vector<std::string> f = Split(lines_[i], ';');
    if (f[0] == "ZAW") {
      if (Field(f, 7) != when) return Malformed("a line's time differs: " + lines_[i]);
      if (document && Field(f, 6) != Field(h, 2)) return Malformed("a line's number differs");
      goods.push_back(Field(f, 1) + ":" + Field(f, 3) + ":" + Field(f, 4) + ":" + Field(f, 5));
    } else if (f[0] == "PMT") {
      if (cash) {
        pays.push_back(Field(f, 1) + ":" + Field(f, 2));
      } else if (Field(f, 1) == "-1") {
        // Without payments: the document's value, marked as the last.
        if (Field(f, 7) != "1") return Malformed("payment not last: " + lines_[i]);
        pays.push_back("-1:" + Field(f, 2));
      } else {
        if (Field(f, 9) != when) return Malformed("a payment's time differs: " + lines_[i]);
        pays.push_back(Field(f, 1) + ":" + Field(f, 2) + ":" + Field(f, 6) + ":" + Field(f, 7));
      }
    } else if (f[0] == "NIP") {
      nip = Field(f, 1);
    } else if (f[0] == "KTH") {
      buyer = Field(f, 1) + "|" + Field(f, 2) + "|" + Field(f, 3) + "|" + Field(f, 6) + "|" +
              Field(f, 7);
    } else {
      return Malformed("unknown line: " + lines_[i]);
    }
  }
  if (Number(Field(h, 3)) != static_cast<long long>(goods.size())) {
    return Malformed("the line count differs");
  }
  if (Number(Field(h, 4)) != static_cast<long long>(pays.size())) {
    return Malformed("the payment count differs");
  }
  std::string name = kind == "TRN" ? "PARAGON" : kind == "FV" ? "FAKTURA" : kind;
  return DocLine(name, Minute(when), static_cast<int>(Number(Field(h, 5))), Field(h, 7), nip, buyer,
                 goods, pays);
}

}  // namespace

std::string DocLine(const std::string& kind, const std::string& when, int cashier,
                    const std::string& card, const std::string& nip, const std::string& buyer,
                    const std::vector<std::string>& lines, const std::vector<std::string>& pays) {
  return "doc " + kind + " t=" + when + " k=" + std::to_string(cashier) + " card=" + card +
         " nip=" + nip + " buyer=" + buyer + " lines=" + Join(lines) + " pay=" + Join(pays);
}

std::vector<std::string> ReadLedger(const std::vector<std::string>& files) {
  std::vector<std::string> out;
  std::map<std::string, std::pair<long long, long long>> goods;  // "date plu" -> qty, value
  // A day handed over in more than one import is booked as the flags of its files say: money
  // totals but packaging's, and each hour's figures, add up. The cashier section is the register's state when
  // read, so the last one read stands.
  std::map<std::string, long long> finance;                 // "date KEY" -> total
  std::map<std::string, std::array<long long, 3>> hours;    // "date hour" -> value, baskets, lines
  std::map<std::string, std::vector<std::string>> cashier;  // date -> the last section's lines
  for (const std::string& bytes : files) {
    std::map<std::string, std::vector<std::string>> fileCashier;
    std::string section, date;
    std::vector<std::string> lines;
    for (const std::string& raw : Split(bytes, '\n')) {
      std::string line = raw;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    // The sale date first: the sections before [FLAGI] are booked under it; and the flags,
    // which say how: the packaging totals overwrite what the day has ("NADPISZ_OPAK;T"),
    // every other total adds to it.
    bool overwritePackaging = false;
    for (const std::string& line : lines) {
      if (line.rfind("DATA_SPRZEDAZY;", 0) == 0) date = line.substr(15, 8);
      if (line == "NADPISZ_OPAK;T") overwritePackaging = true;
    }
    std::vector<Record> records;
    for (const std::string& line : lines) {
      if (!line.empty() && line[0] == '[') {
        section = line;
        if (line.rfind("[PARAGON nr ", 0) == 0 || line.rfind("[FAKTURA nr ", 0) == 0 ||
            line == "[INNA_OPER]") {
          records.emplace_back(line);
        }
        continue;
      }
      if (line.empty()) continue;
      if (!records.empty()) {
        records.back().Add(line);
        continue;
      }
      const std::vector<std::string> f = Split(line, ';');
      if (section == "[TOWAROWE]" && f[0] == "PLU") {
        auto& g = goods[date + " plu=" + Field(f, 1)];
        g.first += Number(Field(f, 3));
        g.second += Number(Field(f, 4));
      } else if (section == "[RAPORT_GODZINOWY]" && f[0] == "GODZ") {
        std::array<long long, 3>& h = hours[date + " " + Field(f, 1)];
        for (size_t k = 0; k < 3; ++k) h[k] += Number(Field(f, k + 2));
      } else if (section == "[FINANSOWE]") {
        const bool packaging = f[0] == "ZWROT_OPAKOWAN" || f[0] == "SPRZEDAZ_OPAKOWAN";
        long long& total = finance[date + " " + f[0]];
        total = (packaging && overwritePackaging ? 0 : total) + Number(Field(f, 1));
      } else if (section == "[STAN_KASY]") {
        fileCashier[date].push_back("cashier " + date + " " + f[0] + "=" + Field(f, 1));
      } else if (section != "[FLAGI]" && section != "[OPERACJE]" &&
                 section != "[RAPORT_WALUTOWY]") {
        out.push_back("malformed " + section + ": " + line);
      }
    }
    for (const Record& r : records) out.push_back(r.Canonical());
    for (auto& [day, section] : fileCashier) cashier[day] = std::move(section);
  }
  for (const auto& [key, total] : finance) {
    if (total != 0)
      out.push_back("finance " + key.substr(0, 8) + " " + key.substr(9) + "=" +
                    std::to_string(total));
  }
  for (const auto& [key, h] : hours) {
    const size_t blank = key.find(' ');
    out.push_back("hour " + key.substr(0, blank) + " " + key.substr(blank + 1) +
                  " value=" + std::to_string(h[0]) + " baskets=" + std::to_string(h[1]) +
                  " lines=" + std::to_string(h[2]));
  }
  for (const auto& [day, section] : cashier) out.insert(out.end(), section.begin(), section.end());
  for (const auto& [key, g] : goods) {
    if (g.first != 0 || g.second != 0) {
      out.push_back("goods " + key + " qty=" + std::to_string(g.first) +
                    " value=" + std::to_string(g.second));
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Differences(const std::vector<std::string>& expected,
                                     const std::vector<std::string>& imported) {
  std::vector<std::string> missing, extra, out;
  std::set_difference(expected.begin(), expected.end(), imported.begin(), imported.end(),
                      std::back_inserter(missing));
  std::set_difference(imported.begin(), imported.end(), expected.begin(), expected.end(),
                      std::back_inserter(extra));
  for (const std::string& l : missing) out.push_back("- " + l);
  for (const std::string& l : extra) out.push_back("+ " + l);
  return out;
}

}  // namespace soak
