// A failed import leaves the outputs of the read it made; the next import hands them to the
// host and then reads the register again. Reading never clears the register: until its daily
// report the new read holds everything the failed one did, and handing over all of it would
// give the host those sales twice. So the host's share of the register's day is kept, summed
// up, beside the outputs, and a read that still holds it hands over only what lies beyond.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "elzab/elxaction.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxhanded.h"
#include "elzab/elxtext.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"

namespace {

constexpr char kKeyRegister[] = "kasa";
constexpr char kKeyDay[] = "dzien";
constexpr char kKeyReceipts[] = "paragony";
constexpr char kKeySales[] = "sprzedaz";
constexpr char kKeyReturns[] = "zwroty";
constexpr char kKeyNoSales[] = "bez_sprzedazy";
constexpr char kKeyNoReturns[] = "bez_zwrotow";
constexpr char kKeySettings[] = "ustawienia";

std::string Number(double value) {
  char text[64];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

bool ParseNumber(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  const std::from_chars_result r = std::from_chars(text.data(), end, value);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

bool ParseWhole(const std::string& text, uint64_t& value, int base) {
  const char* end = text.data() + text.size();
  const std::from_chars_result r = std::from_chars(text.data(), end, value, base);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

std::string Hex(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// A counter of the summary: "<code>;<quantity>;<value>"; the code is whatever precedes the
// last two fields.
bool ParseSum(const std::string& text, std::map<std::string, ReadSummary::Sum>& sums) {
  const size_t second = text.rfind(';');
  if (second == std::string::npos || second == 0) return false;
  const size_t first = text.rfind(';', second - 1);
  if (first == std::string::npos) return false;
  ReadSummary::Sum sum;
  if (!ParseNumber(text.substr(first + 1, second - first - 1), sum.quantity) ||
      !ParseNumber(text.substr(second + 1), sum.value)) {
    return false;
  }
  sums[text.substr(0, first)] = sum;
  return true;
}

bool NonZero(const std::map<std::string, ReadSummary::Sum>& sums) {
  for (const auto& [code, sum] : sums) {
    if (sum.quantity != 0 || sum.value != 0) return true;
  }
  return false;
}

// A register not closed by a daily report only adds to its counters.
bool Decreased(const std::map<std::string, ReadSummary::Sum>& was,
               const std::map<std::string, ReadSummary::Sum>& now) {
  for (const auto& [code, sum] : was) {
    auto it = now.find(code);
    const ReadSummary::Sum later = it == now.end() ? ReadSummary::Sum() : it->second;
    if (later.quantity < sum.quantity || later.value < sum.value) return true;
  }
  return false;
}

}  // namespace

bool ReadSummary::Empty() const {
  return receiptLines == 0 && !NonZero(sales) && !NonZero(returns);
}

bool HashDataLines(const std::string& path, int64_t limit, int64_t& lines, uint64_t& hash) {
  lines = 0;
  hash = 0xcbf29ce484222325ull;
  try {
    OutputLines file(path);
    std::string data;
    while ((limit < 0 || lines < limit) && file.NextData(data)) {
      ++lines;
      hash = (hash ^ '$') * 0x100000001b3ull;
      for (unsigned char c : data) hash = (hash ^ c) * 0x100000001b3ull;
      hash = (hash ^ '\n') * 0x100000001b3ull;
    }
    file.Close();
  } catch (const Exception&) {
    return false;
  }
  return true;
}

bool SumCounters(const std::string& path, std::map<std::string, ReadSummary::Sum>& sums) {
  sums.clear();
  try {
    OutputLines file(path);
    std::string data;
    while (file.NextData(data)) {
      const size_t t1 = data.find('\t');
      const std::string code = data.substr(0, t1);
      std::string quantity, value;
      if (t1 != std::string::npos) {
        const size_t t2 = data.find('\t', t1 + 1);
        quantity = data.substr(t1 + 1, t2 == std::string::npos ? t2 : t2 - t1 - 1);
        if (t2 != std::string::npos) value = data.substr(t2 + 1, data.find('\t', t2 + 1) - t2 - 1);
      }
      ReadSummary::Sum& sum = sums[code];
      sum.quantity += ElzabImport::FormatujIlosc(quantity);
      sum.value += TxfTools::ParseLeading(value);
    }
    file.Close();
  } catch (const Exception&) {
    return false;
  }
  return true;
}

std::string FormatSummary(const ReadSummary& s) {
  std::string text = std::string(kKeyRegister) + "=" + s.identity + "\r\n";
  text += std::string(kKeyDay) + "=" + TdtTools::FormatDate(s.day) + "\r\n";
  if (s.hasSettings) {
    text += std::string(kKeySettings) + "=" + std::to_string(s.saleSource) + ";" +
            std::to_string(s.receipts) + ";" + (s.invoices ? "1" : "0") + "\r\n";
  }
  if (s.receiptsFunction != 0) {
    text += std::string(kKeyReceipts) + "=" + std::to_string(s.receiptsFunction) + ";" +
            std::to_string(s.receiptLines) + ";" + Hex(s.receiptHash) + "\r\n";
  }
  // A kind that was not read is said so, as a kind read with nothing in it has no lines.
  if (!s.hasSales) text += std::string(kKeyNoSales) + "\r\n";
  for (const auto& [code, sum] : s.sales) {
    text += std::string(kKeySales) + "=" + code + ";" + Number(sum.quantity) + ";" +
            Number(sum.value) + "\r\n";
  }
  if (!s.hasReturns) text += std::string(kKeyNoReturns) + "\r\n";
  for (const auto& [code, sum] : s.returns) {
    text += std::string(kKeyReturns) + "=" + code + ";" + Number(sum.quantity) + ";" +
            Number(sum.value) + "\r\n";
  }
  return text;
}

bool ParseSummary(const std::vector<std::string>& lines, ReadSummary& s) {
  s = ReadSummary();
  s.hasSales = s.hasReturns = true;
  bool hasRegister = false, hasDay = false;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    const std::string key = line.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (key == kKeyRegister && eq != std::string::npos) {
      s.identity = value;
      hasRegister = true;
    } else if (key == kKeyDay && TdtTools::ParseHostDate(value, s.day)) {
      hasDay = true;
    } else if (key == kKeyReceipts) {
      const size_t a = value.find(';');
      const size_t b = a == std::string::npos ? a : value.find(';', a + 1);
      uint64_t function = 0, count = 0;
      if (b == std::string::npos || !ParseWhole(value.substr(0, a), function, 10) ||
          !ParseWhole(value.substr(a + 1, b - a - 1), count, 10) ||
          !ParseWhole(value.substr(b + 1), s.receiptHash, 16) ||
          (function != fnReceipts4 && function != fnReceipts5) || count > INT64_MAX) {
        return false;
      }
      s.receiptsFunction = static_cast<int>(function);
      s.receiptLines = static_cast<int64_t>(count);
    } else if (key == kKeySettings) {
      const size_t a = value.find(';');
      const size_t b = a == std::string::npos ? a : value.find(';', a + 1);
      uint64_t source = 0, receipts = 0, invoices = 0;
      if (b == std::string::npos || !ParseWhole(value.substr(0, a), source, 10) ||
          !ParseWhole(value.substr(a + 1, b - a - 1), receipts, 10) ||
          !ParseWhole(value.substr(b + 1), invoices, 10) || source > 1 || receipts > INT32_MAX ||
          invoices > 1) {
        return false;
      }
      s.hasSettings = true;
      s.saleSource = static_cast<int32_t>(source);
      s.receipts = static_cast<int32_t>(receipts);
      s.invoices = invoices == 1;
    } else if (key == kKeySales && eq != std::string::npos) {
      if (!ParseSum(value, s.sales)) return false;
    } else if (key == kKeyReturns && eq != std::string::npos) {
      if (!ParseSum(value, s.returns)) return false;
    } else if (line == kKeyNoSales) {
      s.hasSales = false;
    } else if (line == kKeyNoReturns) {
      s.hasReturns = false;
    } else {
      return false;
    }
  }
  return hasRegister && hasDay;
}

// ----- The action's side --------------------------------------------------------------------

std::string ElzabImport::FNameHandedOver() {
  return runner_.WorkDir() + "przekazane.txt";
}

bool ElzabImport::ReadHandedOver(ReadSummary& summary) {
  const std::string path = FNameHandedOver();
  if (!platform::CurrentEnv()->FileExists(path)) return false;
  std::vector<std::string> lines;
  try {
    TMFile file(path);
    file.SetReadOnly(true);
    file.Open();
    std::string line;
    while (file.ReadLine(line)) {
      lines.push_back(line);
      line.clear();
    }
    file.Close();
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSHandedReadExceptio", "Błąd odczytu pliku ") + path);
  }
  if (!ParseSummary(lines, summary)) {
    throw Exception(
        ElzabText("KSElzabSHandedDamagedExceptio", "Plik ") + path +
        ElzabText("KSElzabSHandedDamagedExceptio_00001",
                  " jest uszkodzony: nie wiadomo, ile ze sprzedaży kasy baza już przyjęła. "
                  "Sprawdź to w bazie; po usunięciu tego pliku odczyt kasy zostanie przyjęty "
                  "w całości."));
  }
  // Another register's (a second device with this directory): it says nothing of this one.
  return summary.identity == RegisterIdentity();
}

namespace {

// The value of `key` in the note a read leaves beside its outputs; empty when the note or
// the key is not there (an older driver's outputs).
std::string ReadNote(const std::string& path, const std::string& key) {
  std::string value;
  if (!platform::CurrentEnv()->FileExists(path)) return value;
  try {
    TMFile file(path);
    file.SetReadOnly(true);
    file.Open();
    std::string line;
    while (file.ReadLine(line)) {
      if (line.rfind(key + "=", 0) == 0) value = line.substr(key.size() + 1);
      line.clear();
    }
    file.Close();
  } catch (const Exception&) {
  }
  return value;
}

}  // namespace

double ElzabImport::ReadDay() {
  // Outputs without the day noted are taken as read today.
  double day = 0;
  if (TdtTools::ParseHostDate(ReadNote(FNameReadRegister(), kKeyDay), day)) {
    return TdtTools::DatePart(day);
  }
  return TdtTools::DatePart(TdtTools::Now());
}

int ElzabImport::LeftoversModel() {
  int model = -1;
  return TxTools::TryStrToInt(ReadNote(FNameReadRegister(), "model"), model) ? model : -1;
}

int ElzabImport::HandedOverReceiptsFunction() {
  ReadSummary base;
  if (!recovering_ || !ReadHandedOver(base)) return 0;
  return base.receiptsFunction;
}

void ElzabImport::SettleHandedOver() {
  receiptsSkip_ = 0;
  countersDelta_ = false;
  hasHandedBase_ = false;
  registerZeroed_ = true;
  passSummary_ = ReadSummary();
  if (!readsRegister_) return;
  platform::Env* env = platform::CurrentEnv();
  auto unreadable = [](const std::string& path) {
    return Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
  };
  passSummary_.identity = RegisterIdentity();
  passSummary_.day = ReadDay();
  passSummary_.hasSettings = true;
  passSummary_.saleSource = cfgSaleSource_;
  passSummary_.receipts = cfgReceipts_;
  passSummary_.invoices = cfgSaleBufferFV_;
  // The receipt buffer the receipt import reads: method 4's when both lie there.
  std::string receipts;
  for (int function : {fnReceipts4, fnReceipts5}) {
    const std::string path = runner_.FNameFile(function, 2, false);
    if (receipts.empty() && env->FileExists(path)) {
      receipts = path;
      passSummary_.receiptsFunction = function;
    }
  }
  if (!receipts.empty() &&
      !HashDataLines(receipts, -1, passSummary_.receiptLines, passSummary_.receiptHash)) {
    throw unreadable(receipts);
  }
  const std::string sales = runner_.FNameFile(fnSalesSorted, 2, false);
  if (env->FileExists(sales)) {
    if (!SumCounters(sales, passSummary_.sales)) throw unreadable(sales);
    passSummary_.hasSales = true;
  }
  const std::string returns = runner_.FNameFile(fnPackagingReturns, 2, false);
  if (env->FileExists(returns)) {
    if (!SumCounters(returns, passSummary_.returns)) throw unreadable(returns);
    passSummary_.hasReturns = true;
  }

  if (!recovering_ || !ReadHandedOver(handedBase_)) return;
  hasHandedBase_ = true;
  // What lies beyond the host's share is handed over as the share was: from the other source,
  // or with receipts the share left out, the two would overlap or leave a gap.
  if (handedBase_.hasSettings) {
    const bool asParameters = handedBase_.saleSource == config_.cfgSaleSource &&
                              handedBase_.receipts == config_.cfgReceipts &&
                              handedBase_.invoices == config_.cfgSaleBufferFV;
    if (!asParameters && !settingsNoted_) {
      action_.MsgAdd(
          ElzabText("KSElzabSHandedSettingsMsgAdd",
                    "Ustawienia importu (źródło sprzedaży, paragony, faktury) zmieniono przed "
                    "końcem przerwanego importu: sprzedaż kasy jest importowana z ustawieniami, "
                    "z którymi baza przyjęła jej część; nowe obowiązują od następnego importu"),
          LPV_Warning, 100);
      settingsNoted_ = true;
    }
    cfgSaleSource_ = passSummary_.saleSource = handedBase_.saleSource;
    cfgReceipts_ = passSummary_.receipts = handedBase_.receipts;
    cfgSaleBufferFV_ = passSummary_.invoices = handedBase_.invoices;
  }
  if (handedBase_.Empty()) {
    // Nothing the host has can come twice; what the pass lacks, the host lacks too.
    registerZeroed_ = false;
    return;
  }
  // Whether the register still holds what the host has: its receipt buffer begins with the
  // very lines the host was given, or, without one to compare, a counter fell.
  bool known = true;
  if (handedBase_.receiptLines > 0 &&
      passSummary_.receiptsFunction == handedBase_.receiptsFunction) {
    int64_t lines = 0;
    uint64_t hash = 0;
    if (!HashDataLines(receipts, handedBase_.receiptLines, lines, hash)) throw unreadable(receipts);
    registerZeroed_ = lines != handedBase_.receiptLines || hash != handedBase_.receiptHash;
  } else if ((handedBase_.hasSales && passSummary_.hasSales && NonZero(handedBase_.sales)) ||
             (handedBase_.hasReturns && passSummary_.hasReturns && NonZero(handedBase_.returns))) {
    registerZeroed_ = (handedBase_.hasSales && passSummary_.hasSales &&
                       Decreased(handedBase_.sales, passSummary_.sales)) ||
                      (handedBase_.hasReturns && passSummary_.hasReturns &&
                       Decreased(handedBase_.returns, passSummary_.returns));
    // Counters that only grew may have grown from nothing after a daily report.
    known = registerZeroed_;
  } else {
    known = false;
  }
  const bool sameDay = TdtTools::DatePart(handedBase_.day) == TdtTools::DatePart(passSummary_.day);
  if (!known) {
    // A register closes its day with the daily report before it sells on the next.
    registerZeroed_ = !sameDay;
    action_.MsgAdd(
        ElzabText("KSElzabSHandedUnknownMsgAdd",
                  "Nie wiadomo, czy kasa była zamknięta raportem "
                  "dobowym od odczytu z dnia ") +
            TdtTools::FormatDate(handedBase_.day) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00001",
                      ", którego sprzedaż baza już przyjęła; ") +
            (registerZeroed_
                 ? ElzabText("KSElzabSHandedUnknownMsgAdd_00002",
                             "przyjęto, że była (odczyty z różnych dni), i odczyt jest importowany "
                             "w całości")
                 : ElzabText("KSElzabSHandedUnknownMsgAdd_00003",
                             "przyjęto, że nie była (odczyty z jednego dnia), i importowane jest "
                             "tylko to, co kasa zarejestrowała po tamtym odczycie")) +
            ElzabText("KSElzabSHandedUnknownMsgAdd_00004", ". Sprawdź sprzedaż tych dni w bazie."),
        LPV_Warning, 100);
  } else if (!registerZeroed_) {
    action_.MsgAdd(
        ElzabText("KSElzabSHandedMsgAdd",
                  "Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż baza już "
                  "przyjęła: importowane jest tylko to, co kasa zarejestrowała po nim"),
        LPV_None, 0);
  }
  if (registerZeroed_) return;
  if (passSummary_.receiptsFunction == handedBase_.receiptsFunction) {
    receiptsSkip_ = handedBase_.receiptLines;
  }
  countersDelta_ = true;
}

void ElzabImport::WriteHandedOver() {
  // The host now has this pass's read whole: what it read, and what it lacks but the host had
  // from before, when the register was not closed between.
  ReadSummary next = passSummary_;
  if (hasHandedBase_ && !registerZeroed_) {
    if (next.receiptsFunction == 0) {
      next.receiptsFunction = handedBase_.receiptsFunction;
      next.receiptLines = handedBase_.receiptLines;
      next.receiptHash = handedBase_.receiptHash;
    }
    if (!next.hasSales) {
      next.hasSales = handedBase_.hasSales;
      next.sales = handedBase_.sales;
    }
    if (!next.hasReturns) {
      next.hasReturns = handedBase_.hasReturns;
      next.returns = handedBase_.returns;
    }
  }
  try {
    ReplaceWhole(FNameHandedOver(), runner_.WorkDir() + "przekazane.tmp", FormatSummary(next));
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSHandedWriteExceptio", "Nie można zapisać pliku ") +
                    FNameHandedOver());
  }
  handedBase_ = next;
  hasHandedBase_ = true;
  registerZeroed_ = false;
}

void ElzabImport::RemoveHandedOver(bool mustGo) {
  const std::string path = FNameHandedOver();
  if (!platform::CurrentEnv()->FileExists(path) || RemoveWorkingFile(path) || !mustGo) return;
  throw Exception(ElzabText("KSElzabSHandedRemoveExceptio", "Nie można usunąć pliku ") + path);
}
