#include "elzab/elxrecords.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <system_error>
#include <utility>

#include "elzab/elxfunctions.h"
#include "elzab/elxtext.h"
#include "hostlib/TdtTools.h"

namespace {

// Every key of the three records, once.
constexpr char kKeyImportDate[] = "DataImportu";
constexpr char kKeySettings[] = "ustawienia";
constexpr char kKeyOutput[] = "plik";
constexpr char kKeyStored[] = "zapisano";
constexpr char kKeyStoring[] = "zapisywane";
constexpr char kKeyRegister[] = "kasa";
constexpr char kKeyDay[] = "dzien";
constexpr char kKeyModel[] = "model";
constexpr char kKeyProof[] = "dowod";
constexpr char kKeyReceipts[] = "paragony";
constexpr char kKeySales[] = "sprzedaz";
constexpr char kKeyReturns[] = "zwroty";
constexpr char kKeyNoSales[] = "bez_sprzedazy";
constexpr char kKeyNoReturns[] = "bez_zwrotow";
constexpr char kKeyPackaging[] = "opakowania";
constexpr char kKeyNoPackaging[] = "bez_opakowan";

constexpr int kLastModel = 5;  // e_Type's t_Default

// ----- The writer's forms, written and read back -------------------------------------------

std::string Line(const char* key, const std::string& value) {
  return std::string(key) + "=" + value + "\r\n";
}

std::string Whole(int64_t value) {
  return std::to_string(value);
}

// Digits, with a "-" first only where `negative` allows; no blank, no "+", no leading zero.
bool ParseWhole(const std::string& text, int64_t& value, bool negative = false) {
  const size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
  if (first == 1 && !negative) return false;
  if (text.size() <= first || (text[first] == '0' && text.size() > first + 1)) return false;
  if (first == 1 && text == "-0") return false;
  const char* end = text.data() + text.size();
  const std::from_chars_result r = std::from_chars(text.data(), end, value);
  return r.ec == std::errc() && r.ptr == end;
}

std::string Hex(uint64_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 15];
  return text;
}

// Sixteen lower-case hexadecimal digits.
bool ParseHex(const std::string& text, uint64_t& value) {
  if (text.size() != 16 || text.find_first_not_of("0123456789abcdef") != std::string::npos) {
    return false;
  }
  const std::from_chars_result r = std::from_chars(text.data(), text.data() + 16, value, 16);
  return r.ec == std::errc();
}

// A decimal as its shortest fixed form that reads back to the same number: never an exponent.
std::string Decimal(double value) {
  char text[400];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  return std::string(text, r.ptr);
}

// A finite decimal in that form: digits, one "." between digits at most, a "-" first.
bool ParseDecimal(const std::string& text, double& value) {
  const size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() <= first || text.find_first_not_of("0123456789.", first) != std::string::npos) {
    return false;
  }
  const size_t point = text.find('.');
  if (point != std::string::npos && (point == first || point + 1 == text.size() ||
                                     text.find('.', point + 1) != std::string::npos)) {
    return false;
  }
  const char* end = text.data() + text.size();
  const std::from_chars_result r =
      std::from_chars(text.data(), end, value, std::chars_format::fixed);
  // Only the writer's own form: "3000.000" or "07" is no number it writes.
  return r.ec == std::errc() && r.ptr == end && std::isfinite(value) && Decimal(value) == text;
}

// The name of a function's output in the exchange directory.
std::string OutputName(int function) {
  return std::string(FindElzabFunction(function)->base) + ".out";
}

// Whether `function` reads the register's receipt buffer.
bool ReceiptBuffer(int function) {
  const ElzabFunction* f = FindElzabFunction(function);
  return f != nullptr && (f->roles & roleReceiptBuffer) != 0;
}

std::string Day(double day) {
  return TdtTools::FormatDate(day);
}

// A calendar day as the writer writes it, "YYYY-MM-DD", and nothing else: a mistyped day must
// not be taken for another.
bool ParseDay(const std::string& text, double& day) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  DateParts parts;
  parts.year = std::stoi(text.substr(0, 4));
  parts.month = std::stoi(text.substr(5, 2));
  parts.day = std::stoi(text.substr(8, 2));
  return TdtTools::TryEncode(parts, day) && Day(day) == text;
}

std::string Flag(bool on) {
  return on ? "1" : "0";
}

bool ParseFlag(const std::string& text, bool& on) {
  if (text != "0" && text != "1") return false;
  on = text == "1";
  return true;
}

// The value cut at ";" into exactly `count` fields.
bool Fields(const std::string& value, size_t count, std::vector<std::string>& fields) {
  fields.clear();
  size_t at = 0;
  for (;;) {
    const size_t semicolon = value.find(';', at);
    fields.push_back(value.substr(at, semicolon - at));
    if (semicolon == std::string::npos) break;
    at = semicolon + 1;
  }
  return fields.size() == count;
}

std::string FormatSettings(const PassSettings& s) {
  return Line(kKeySettings,
              Flag(s.salesFromReceipts) + ";" + Flag(s.receipts) + ";" + Flag(s.invoices));
}

bool ParseSettings(const std::string& value, PassSettings& s) {
  std::vector<std::string> f;
  return Fields(value, 3, f) && ParseFlag(f[0], s.salesFromReceipts) &&
         ParseFlag(f[1], s.receipts) && ParseFlag(f[2], s.invoices);
}

// The identity a read notes: the device's number, a blank, the register (or an older driver's
// connection), in one line.
bool ValidIdentity(const std::string& identity) {
  const size_t blank = identity.find(' ');
  int64_t number = 0;
  if (blank == std::string::npos || !ParseWhole(identity.substr(0, blank), number)) return false;
  if (blank + 1 == identity.size()) return false;
  for (unsigned char c : identity) {
    if (c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

// ----- Lines and keys ---------------------------------------------------------------------

// One line of a record: its key, and its value after "=" (`hasValue` false for a line of a
// key alone).
struct RecordLine {
  int number = 0;    // counted from 1, empty lines too
  std::string text;  // the whole line
  std::string key;
  std::string value;
  bool hasValue = false;
};

// Refuses `line`, noting it in `fault`; false, for a parser to return.
bool Refuse(const RecordLine& line, records::RecordFault* fault) {
  if (fault != nullptr) *fault = {line.number, line.text, {}};
  return false;
}

// The record's lines, CR LF ended (an editor may have left LF alone, and the last may have lost
// its end); empty lines left out, and a UTF-8 byte-order mark first. False for a line with
// another control byte, which the writer never writes, and for a text saved as UTF-16.
bool SplitLines(const std::string& text, std::vector<RecordLine>& lines,
                records::RecordFault* fault) {
  lines.clear();
  // An editor that saves a record as UTF-8 may put its byte-order mark first; the records are
  // plain ASCII, the same in every code page, and the mark carries nothing.
  size_t at = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
    if (fault != nullptr) {
      *fault = {1, text.substr(0, text.find('\n')),
                ElzabText("KSElzabSRecordUnicodeExceptio",
                          "plik zapisano jako Unicode (UTF-16); zapisz go jako ANSI albo UTF-8")};
    }
    return false;
  }
  int number = 0;
  while (at < text.size()) {
    // Lines end with CR LF, or with LF alone where an editor saved them so.
    size_t end = text.find('\n', at);
    const size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    if (end > at && text[end - 1] == '\r' && end < text.size()) --end;
    RecordLine l;
    l.number = ++number;
    l.text = text.substr(at, end - at);
    at = next;
    if (l.text.empty()) continue;
    for (unsigned char c : l.text) {
      if (c < 0x20 || c == 0x7f) return Refuse(l, fault);
    }
    const size_t eq = l.text.find('=');
    l.key = l.text.substr(0, eq);
    l.hasValue = eq != std::string::npos;
    if (l.hasValue) l.value = l.text.substr(eq + 1);
    lines.push_back(std::move(l));
  }
  return true;
}

// Counts the keys that may come once: false when one comes again.
class Once {
 public:
  bool Take(const std::string& key) { return seen_.insert(key).second; }
  bool Has(const std::string& key) const { return seen_.count(key) != 0; }

 private:
  std::set<std::string> seen_;
};

// A counter line of the summary: "<code>;<quantity>;<value>", the code being whatever precedes
// the last two fields; each code once.
bool ParseSum(const std::string& value, std::map<std::string, ReadSummary::Sum>& sums) {
  const size_t second = value.rfind(';');
  if (second == std::string::npos || second == 0) return false;
  const size_t first = value.rfind(';', second - 1);
  if (first == std::string::npos) return false;
  ReadSummary::Sum sum;
  if (!ParseDecimal(value.substr(first + 1, second - first - 1), sum.quantity) ||
      !ParseDecimal(value.substr(second + 1), sum.value)) {
    return false;
  }
  return sums.emplace(value.substr(0, first), sum).second;
}

bool NonZero(const std::map<std::string, ReadSummary::Sum>& sums) {
  for (const auto& [code, sum] : sums) {
    if (sum.quantity != 0 || sum.value != 0) return true;
  }
  return false;
}

}  // namespace

bool ReadSummary::Empty() const {
  // With the sales from the receipts the host was given none of the counters: they tell
  // whether the register was closed, not what the host has.
  if (settings && settings->salesFromReceipts) return receiptLines == 0;
  return receiptLines == 0 && !NonZero(sales) && !NonZero(returns);
}

namespace records {

// ----- zapisane.txt -----------------------------------------------------------------------

std::string StoringLine(const StoredDaysRecord& r) {
  std::string line = std::string(kKeyStoring) + "=" + Day(r.storing.value_or(0));
  if (r.storingValue) line += ";" + Decimal(*r.storingValue) + ";" + Flag(r.storingLater);
  return line;
}

std::string StoredLine(double day) {
  return std::string(kKeyStored) + "=" + Day(day);
}

std::string FormatStoredDays(const StoredDaysRecord& r) {
  std::string text = Line(kKeyImportDate, Day(r.importDate));
  if (r.settings) text += FormatSettings(*r.settings);
  for (const OutputStamp& o : r.outputs) {
    text += Line(kKeyOutput,
                 o.name + ";" + Whole(o.size) + ";" + Whole(o.modified) + ";" + Hex(o.checksum));
  }
  for (double day : r.days) text += StoredLine(day) + "\r\n";
  if (r.storing) text += StoringLine(r) + "\r\n";
  return text;
}

bool ParseStoredDays(const std::string& text, StoredDaysRecord& r, RecordFault* fault) {
  r = StoredDaysRecord();
  if (fault != nullptr) *fault = RecordFault();
  std::vector<RecordLine> lines;
  if (!SplitLines(text, lines, fault)) return false;
  std::set<std::string> outputNames;
  for (int function : ElzabFunctionsWith(roleSalesRead)) outputNames.insert(OutputName(function));
  Once once;
  std::map<double, const RecordLine*> days;
  auto take = [&](const RecordLine& l) {
    if (!l.hasValue) return false;
    if (l.key == kKeyImportDate) return once.Take(l.key) && ParseDay(l.value, r.importDate);
    if (l.key == kKeySettings) {
      PassSettings s;
      if (!once.Take(l.key) || !ParseSettings(l.value, s)) return false;
      r.settings = s;
      return true;
    }
    if (l.key == kKeyOutput) {
      std::vector<std::string> f;
      OutputStamp o;
      if (!Fields(l.value, 4, f) || outputNames.count(f[0]) == 0 || !ParseWhole(f[1], o.size) ||
          !ParseWhole(f[2], o.modified, true) || !ParseHex(f[3], o.checksum)) {
        return false;
      }
      o.name = f[0];
      for (const OutputStamp& named : r.outputs) {
        if (named.name == o.name) return false;
      }
      r.namesOutputs = true;
      r.outputs.push_back(o);
      return true;
    }
    if (l.key != kKeyStored && l.key != kKeyStoring) return false;
    std::vector<std::string> f;
    // The day being stored may say what was stored: "<day>;<value>;<later part>".
    if (l.key == kKeyStoring && l.value.find(';') != std::string::npos) {
      double value = 0;
      bool later = false;
      if (!Fields(l.value, 3, f) || !ParseDecimal(f[1], value) || !ParseFlag(f[2], later)) {
        return false;
      }
      r.storingValue = value;
      r.storingLater = later;
    } else {
      f = {l.value};
    }
    double day = 0;
    if (!ParseDay(f[0], day) || !days.emplace(day, &l).second) return false;
    if (l.key == kKeyStored) {
      r.days.push_back(day);
      return true;
    }
    r.storing = day;
    return once.Take(l.key);
  };
  for (const RecordLine& l : lines) {
    if (!take(l)) return Refuse(l, fault);
  }
  if (!once.Has(kKeyImportDate)) return false;
  // Only sales from a receipt buffer bring days other than the import date's: the counters,
  // the cashier and every total of the receipts go to the import date otherwise.
  const std::vector<int> buffers = ElzabFunctionsWith(roleReceiptBuffer);
  const bool otherDays =
      (!r.settings || r.settings->salesFromReceipts) &&
      (!r.namesOutputs ||
       std::any_of(r.outputs.begin(), r.outputs.end(), [&](const OutputStamp& o) {
         return std::any_of(buffers.begin(), buffers.end(),
                            [&](int function) { return o.name == OutputName(function); });
       }));
  for (const auto& [day, line] : days) {
    if (otherDays || day == TdtTools::DatePart(r.importDate)) continue;
    Refuse(*line, fault);
    if (fault != nullptr) {
      fault->reason = ElzabText("KSElzabSRecordDayExceptio",
                                "ten dzień nie może pochodzić z tych plików: ich sprzedaż idzie "
                                "na dzień importu ") +
                      Day(r.importDate);
    }
    return false;
  }
  return true;
}

// ----- przekazane.txt -----------------------------------------------------------------------

std::string FormatSummary(const ReadSummary& s) {
  std::string text = Line(kKeyRegister, s.identity);
  text += Line(kKeyDay, Day(s.day));
  if (s.settings) text += FormatSettings(*s.settings);
  if (s.receiptsFunction != 0) {
    text += Line(kKeyReceipts, Whole(s.receiptsFunction) + ";" + Whole(s.receiptLines) + ";" +
                                   Hex(s.receiptHash));
  }
  // A kind that was not read is said so, as a kind read with nothing in it has no lines.
  if (!s.hasSales) text += std::string(kKeyNoSales) + "\r\n";
  for (const auto& [code, sum] : s.sales) {
    text += Line(kKeySales, code + ";" + Decimal(sum.quantity) + ";" + Decimal(sum.value));
  }
  if (!s.hasReturns) text += std::string(kKeyNoReturns) + "\r\n";
  for (const auto& [code, sum] : s.returns) {
    text += Line(kKeyReturns, code + ";" + Decimal(sum.quantity) + ";" + Decimal(sum.value));
  }
  if (s.packaging && s.packaging->empty()) text += std::string(kKeyNoPackaging) + "\r\n";
  for (const auto& [day, totals] :
       s.packaging.value_or(std::map<double, ReadSummary::Packaging>())) {
    text +=
        Line(kKeyPackaging, Day(day) + ";" + Decimal(totals.sold) + ";" + Decimal(totals.returned));
  }
  return text;
}

bool ParseSummary(const std::string& text, ReadSummary& s, RecordFault* fault) {
  s = ReadSummary();
  if (fault != nullptr) *fault = RecordFault();
  s.hasSales = s.hasReturns = true;
  std::vector<RecordLine> lines;
  if (!SplitLines(text, lines, fault)) return false;
  Once once;
  auto take = [&](const RecordLine& l) {
    if (!l.hasValue) {
      // A kind that was not read has no counters.
      if (l.key == kKeyNoSales && once.Take(l.key) && s.sales.empty()) {
        s.hasSales = false;
        return true;
      }
      if (l.key == kKeyNoReturns && once.Take(l.key) && s.returns.empty()) {
        s.hasReturns = false;
        return true;
      }
      if (l.key == kKeyNoPackaging && !s.packaging) {
        s.packaging.emplace();
        return once.Take(l.key);
      }
      return false;
    }
    if (l.key == kKeyRegister) {
      s.identity = l.value;
      return once.Take(l.key) && ValidIdentity(l.value);
    }
    if (l.key == kKeyDay) return once.Take(l.key) && ParseDay(l.value, s.day);
    if (l.key == kKeySettings) {
      PassSettings settings;
      if (!once.Take(l.key) || !ParseSettings(l.value, settings)) return false;
      s.settings = settings;
      return true;
    }
    if (l.key == kKeyReceipts) {
      std::vector<std::string> f;
      int64_t function = 0;
      if (!once.Take(l.key) || !Fields(l.value, 3, f) || !ParseWhole(f[0], function) ||
          !ReceiptBuffer(static_cast<int>(function)) || !ParseWhole(f[1], s.receiptLines) ||
          !ParseHex(f[2], s.receiptHash)) {
        return false;
      }
      s.receiptsFunction = static_cast<int>(function);
      return true;
    }
    if (l.key == kKeySales) return s.hasSales && ParseSum(l.value, s.sales);
    if (l.key == kKeyReturns) return s.hasReturns && ParseSum(l.value, s.returns);
    if (l.key == kKeyPackaging) {
      std::vector<std::string> f;
      double day = 0;
      ReadSummary::Packaging totals;
      if (once.Has(kKeyNoPackaging) || !Fields(l.value, 3, f) || !ParseDay(f[0], day) ||
          !ParseDecimal(f[1], totals.sold) || !ParseDecimal(f[2], totals.returned) ||
          totals.sold < 0 || totals.returned < 0) {
        return false;
      }
      if (!s.packaging) s.packaging.emplace();
      return s.packaging->emplace(day, totals).second;
    }
    return false;
  };
  for (const RecordLine& l : lines) {
    if (!take(l)) return Refuse(l, fault);
  }
  return once.Has(kKeyRegister) && once.Has(kKeyDay);
}

// ----- odczyt.txt ---------------------------------------------------------------------------

std::string FormatReadNote(const ReadNote& n) {
  std::string text = Line(kKeyRegister, n.identity);
  if (n.day) text += Line(kKeyDay, Day(*n.day));
  if (n.model >= 0) text += Line(kKeyModel, Whole(n.model));
  if (n.proofFunction != 0) text += Line(kKeyProof, Whole(n.proofFunction));
  return text;
}

bool ParseReadNote(const std::string& text, ReadNote& n, RecordFault* fault) {
  n = ReadNote();
  if (fault != nullptr) *fault = RecordFault();
  std::vector<RecordLine> lines;
  if (!SplitLines(text, lines, fault)) return false;
  Once once;
  auto take = [&](const RecordLine& l) {
    if (!l.hasValue || !once.Take(l.key)) return false;
    if (l.key == kKeyRegister) {
      n.identity = l.value;
      return ValidIdentity(l.value);
    }
    if (l.key == kKeyDay) {
      double day = 0;
      if (!ParseDay(l.value, day)) return false;
      n.day = day;
      return true;
    }
    if (l.key == kKeyProof) {
      int64_t function = 0;
      if (!ParseWhole(l.value, function) || !ReceiptBuffer(static_cast<int>(function))) {
        return false;
      }
      n.proofFunction = static_cast<int>(function);
      return true;
    }
    if (l.key != kKeyModel) return false;
    int64_t model = 0;
    if (!ParseWhole(l.value, model) || model > kLastModel) return false;
    n.model = static_cast<int>(model);
    return true;
  };
  for (const RecordLine& l : lines) {
    if (!take(l)) return Refuse(l, fault);
  }
  return once.Has(kKeyRegister);
}

// ----- Showing -------------------------------------------------------------------------------

std::string DamagedText(const std::string& path, const RecordFault& fault,
                        const std::string& unknown) {
  std::string text = ElzabText("KSElzabSRecordDamagedExceptio", "Plik ") + path +
                     ElzabText("KSElzabSRecordDamagedExceptio_00001", " jest uszkodzony: ");
  if (fault.line > 0) {
    text += ElzabText("KSElzabSRecordLineExceptio", "wiersz ") + std::to_string(fault.line) +
            ElzabText("KSElzabSRecordLineExceptio_00001",
                      " nie jest taki, jaki zapisuje sterownik: \"") +
            Shown(fault.text) + "\"" + (fault.reason.empty() ? "" : " (" + fault.reason + ")") +
            ElzabText("KSElzabSRecordLineExceptio_00002",
                      ". Jeśli plik poprawiano ręcznie, popraw ten wiersz (daty w postaci "
                      "RRRR-MM-DD) i powtórz import. Inaczej ");
  }
  return text + unknown;
}

std::string Shown(const std::string& text, size_t limit) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (shown.size() >= limit) return shown + "...";
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) {
      shown += "\\x";
      shown += kDigits[c >> 4];
      shown += kDigits[c & 15];
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}

namespace {

// The device's number and the rest of an identity; the rest is empty when there is no blank.
std::pair<std::string, std::string> SplitIdentity(const std::string& identity) {
  const size_t blank = identity.find(' ');
  if (blank == std::string::npos) return {identity, ""};
  return {identity.substr(0, blank), identity.substr(blank + 1)};
}

// The register's part of an identity as the driver writes it now: "<model>;<number>"; only ";"
// for outputs an older driver left without saying whose they are.
bool NamesRegister(const std::string& rest) {
  return rest.find(';') != std::string::npos && rest != ";";
}

}  // namespace

std::string RegisterIdentity(int device, const std::string& model, const std::string& number) {
  return std::to_string(device) + " " + model + ";" + number;
}

bool SameDevice(const std::string& a, const std::string& b) {
  return SplitIdentity(a).first == SplitIdentity(b).first;
}

bool SameRegister(const std::string& recorded, const std::string& current) {
  if (!SameDevice(recorded, current)) return false;
  const std::string was = SplitIdentity(recorded).second;
  const std::string now = SplitIdentity(current).second;
  if (!NamesRegister(was) || !NamesRegister(now)) return true;
  return was == now;
}

std::string IdentityShown(const std::string& identity) {
  const auto [device, rest] = SplitIdentity(identity);
  if (rest == ";") return ElzabText("KSElzabSIdentityPortText", "urządzenie ") + Shown(device, 20);
  if (!NamesRegister(rest)) {
    return ElzabText("KSElzabSIdentityPortText", "urządzenie ") + Shown(device, 20) +
           ElzabText("KSElzabSIdentityPortText_00001", ", port ") + Shown(rest, 60);
  }
  const size_t semicolon = rest.rfind(';');
  return Shown(rest.substr(0, semicolon), 40) + ElzabText("KSElzabSIdentityText", " nr ") +
         Shown(rest.substr(semicolon + 1), 30) +
         ElzabText("KSElzabSIdentityText_00001", " (urządzenie ") + Shown(device, 20) + ")";
}

}  // namespace records
