#include "elzab/elxhanded.h"

#include <algorithm>
#include <vector>

#include "elzab/elxcounters.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxrunner.h"
#include "elzab/elxtext.h"
#include "elzab/elxworkfiles.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "platform/Env.h"

namespace {

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

// Two reads' counters hold the same sums, a code missing from one counting as nothing.
bool Same(const std::map<std::string, ReadSummary::Sum>& a,
          const std::map<std::string, ReadSummary::Sum>& b) {
  auto covers = [](const std::map<std::string, ReadSummary::Sum>& x,
                   const std::map<std::string, ReadSummary::Sum>& y) {
    for (const auto& [code, sum] : x) {
      auto it = y.find(code);
      const ReadSummary::Sum other = it == y.end() ? ReadSummary::Sum() : it->second;
      if (!(other == sum)) return false;
    }
    return true;
  };
  return covers(a, b) && covers(b, a);
}

// The new read has no counters the base had none of: a counter read now and not then is new
// to the host unless it holds nothing.
bool SameOrNone(const ReadSummary& base, const ReadSummary& now) {
  return (base.hasSales || !NonZero(now.sales)) && (base.hasReturns || !NonZero(now.returns));
}

Exception Unreadable(const std::string& path) {
  return Exception(ElzabText("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
}

}  // namespace

// ----- The decision -----------------------------------------------------------------------

ReadJudgement JudgeRead(const ReadSummary& base, const ReadSummary& now, int64_t prefixLines,
                        uint64_t prefixHash) {
  ReadJudgement j;
  // Counters the host's goods came from, or only a witness of the register's day.
  const bool countersGiven = !(base.settings && base.settings->salesFromReceipts);
  const bool sales = base.hasSales && now.hasSales;
  const bool returns = base.hasReturns && now.hasReturns;
  // A register not closed by a daily report only adds to its counters; one closed starts them
  // from nothing, and what it sold before is gone from them unless it sold as much again.
  const bool counted = (sales && NonZero(base.sales)) || (returns && NonZero(base.returns));
  const bool fell = (sales && Decreased(base.sales, now.sales)) ||
                    (returns && Decreased(base.returns, now.returns));
  const bool same =
      (!sales || Same(base.sales, now.sales)) && (!returns || Same(base.returns, now.returns));
  const bool buffers = base.receiptLines > 0 && now.receiptsFunction == base.receiptsFunction;
  const bool sameDay = TdtTools::DatePart(base.day) == TdtTools::DatePart(now.day);
  if (base.Empty()) {
    // Nothing the host has can come twice; what the pass lacks, the host lacks too. Counters
    // that could not be read (a damaged output) tell nothing, least of all that the register
    // recorded nothing: their reader meets the damage and says so.
    j.closed = false;
    j.nothingNew = now.Empty() && (!countersGiven || (now.hasSales && now.hasReturns));
    return j;
  }
  if (buffers) {
    // The buffer begins with the very lines the host was given, or it was cleared.
    j.closed = prefixLines != base.receiptLines || prefixHash != base.receiptHash;
    // A register not closed never lowers a counter. The other way round proves nothing: after
    // the report a register may sell each goods of a morning's read as much again.
    j.contradicted = countersGiven && counted && !j.closed && fell;
  } else if (counted && (fell || (same && sameDay))) {
    j.closed = fell;
  } else {
    // Counters that grew may have grown from nothing after a daily report, and counters equal
    // on another day may be a day that sold just the same: a register closes its day with the
    // report before it sells on the next.
    j.guessed = true;
    j.closed = !sameDay;
  }
  if (j.closed) return j;
  if (now.receiptsFunction == base.receiptsFunction) j.receiptsSkip = base.receiptLines;
  j.countersDelta = true;
  // Nothing beyond the base: no receipt line past its lines, and the host's counters as they
  // were.
  const bool noLines = now.receiptsFunction == 0 ? base.receiptLines == 0
                                                 : now.receiptsFunction == base.receiptsFunction &&
                                                       now.receiptLines == base.receiptLines;
  // Counters that could not be read (a damaged output, which the import's reader refuses in
  // its turn) tell nothing: they are not the same as the base's.
  const bool read = (!base.hasSales || now.hasSales) && (!base.hasReturns || now.hasReturns);
  j.nothingNew =
      !j.contradicted && noLines && (!countersGiven || (read && same && SameOrNone(base, now)));
  return j;
}

ReadSummary HandedAfter(const ReadSummary& now, const ReadSummary* base,
                        const ReadJudgement& judgement) {
  ReadSummary next = now;
  if (base == nullptr || judgement.closed) return next;
  if (next.receiptsFunction == 0) {
    next.receiptsFunction = base->receiptsFunction;
    next.receiptLines = base->receiptLines;
    next.receiptHash = base->receiptHash;
  }
  if (!next.hasSales) {
    next.hasSales = base->hasSales;
    next.sales = base->sales;
  }
  if (!next.hasReturns) {
    next.hasReturns = base->hasReturns;
    next.returns = base->returns;
  }
  return next;
}

std::map<double, ReadSummary::Packaging> BookedPackaging(
    const std::optional<std::map<double, ReadSummary::Packaging>>& before,
    const std::map<double, ReadSummary::Packaging>& booked) {
  // Two months: a register day is imported under its own date or the next.
  constexpr double kKeptDays = 62;
  std::map<double, ReadSummary::Packaging> host = before.value_or(booked);
  for (const auto& [day, totals] : booked) host[day] = totals;
  const double newest = host.empty() ? 0 : host.rbegin()->first;
  std::erase_if(host, [&](const auto& entry) {
    return entry.first < newest - kKeptDays || entry.second == ReadSummary::Packaging();
  });
  return host;
}

// ----- Summing up an output -------------------------------------------------------------------

bool HashDataLines(const std::string& path, int64_t limit, int64_t& lines, uint64_t& hash,
                   ReceiptPrefix* prefix) {
  lines = 0;
  hash = 0xcbf29ce484222325ull;
  auto note = [&] {
    if (prefix != nullptr && lines <= prefix->wanted) {
      prefix->lines = lines;
      prefix->hash = hash;
    }
  };
  try {
    OutputLines file(path);
    std::string data;
    note();
    while ((limit < 0 || lines < limit) && file.NextData(data)) {
      ++lines;
      hash = (hash ^ '$') * 0x100000001b3ull;
      for (unsigned char c : data) hash = (hash ^ c) * 0x100000001b3ull;
      hash = (hash ^ '\n') * 0x100000001b3ull;
      note();
    }
    file.Close();
  } catch (const Exception&) {
    return false;
  }
  return true;
}

// ----- The summary's file -----------------------------------------------------------------

HandedOver::HandedOver(std::string workDir) : dir_(std::move(workDir)) {}

std::string HandedOver::Path() const {
  return dir_ + records::kHandedOver;
}

std::string HandedOver::Output(int function) const {
  return dir_ + FindElzabFunction(function)->base + ".out";
}

bool HandedOver::Read(ReadSummary& summary) const {
  const std::string path = Path();
  std::string text;
  if (!workfiles::ReadRecord(path, text, records::kHandedOverLimit)) return false;
  records::RecordFault fault;
  if (text.size() > records::kHandedOverLimit || !records::ParseSummary(text, summary, &fault)) {
    throw Exception(
        records::DamagedText(path, fault,
                             ElzabText("KSElzabSHandedDamagedExceptio",
                                       "nie wiadomo, ile ze sprzedaży kasy baza już przyjęła. "
                                       "Sprawdź to w bazie; po usunięciu tego pliku odczyt kasy "
                                       "zostanie przyjęty w całości.")));
  }
  return true;
}

void HandedOver::Write(const ReadSummary& summary) {
  try {
    workfiles::ReplaceWhole(Path(), dir_ + records::kHandedOverFresh,
                            records::FormatSummary(summary));
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSHandedWriteExceptio", "Nie można zapisać pliku ") + Path());
  }
}

ReadSummary HandedOver::Summarize(const ElzabRunner& runner, const std::string& identity,
                                  double day, const PassSettings& settings, ReceiptPrefix* prefix,
                                  int receipts) const {
  platform::Env* env = platform::CurrentEnv();
  ReadSummary s;
  s.identity = identity;
  s.day = day;
  s.settings = settings;
  // The receipt buffer wanted, else the one the receipt import reads: method 4's when both
  // lie there.
  std::vector<int> buffers = ElzabFunctionsWith(roleReceiptBuffer);
  std::stable_partition(buffers.begin(), buffers.end(), [&](int f) { return f == receipts; });
  for (int function : buffers) {
    const std::string path = Output(function);
    if (!env->FileExists(path)) continue;
    s.receiptsFunction = function;
    if (!HashDataLines(path, -1, s.receiptLines, s.receiptHash, prefix)) throw Unreadable(path);
    break;
  }
  // A counters output that cannot be read counts as not read: when the import takes the
  // sales from the counters, its reader refuses the file in its turn, after its progress line,
  // and nothing is handed over; when they come from the receipts, the counters stop nothing.
  auto sum = [&](int function, std::map<std::string, ReadSummary::Sum>& sums) {
    const std::string path = Output(function);
    if (!env->FileExists(path)) return false;
    try {
      for (const auto& [code, total] : SumCounters(runner, path)) sums[code] = total;
    } catch (const Exception&) {
      sums.clear();
      return false;
    }
    return true;
  };
  s.hasReturns = sum(fnPackagingReturns, s.returns);
  s.hasSales = sum(fnSalesSorted, s.sales);
  return s;
}

// ----- The note of the read -----------------------------------------------------------------

ReadNoteFile::ReadNoteFile(std::string workDir) : dir_(std::move(workDir)) {}

std::string ReadNoteFile::Path() const {
  return dir_ + records::kReadNote;
}

bool ReadNoteFile::Exists() const {
  platform::Env* env = platform::CurrentEnv();
  return env->FileExists(Path()) || env->DirectoryExists(Path());
}

bool ReadNoteFile::Read(ReadNote& note) const {
  std::string text;
  if (!workfiles::ReadRecord(Path(), text, records::kReadNoteLimit)) return false;
  records::RecordFault fault;
  if (text.size() > records::kReadNoteLimit || !records::ParseReadNote(text, note, &fault)) {
    throw Exception(records::DamagedText(
        Path(), fault,
        ElzabText("KSElzabSReadNoteDamagedExceptio",
                  "nie wiadomo, z której kasy są pliki importu w katalogu wymiany. Jeśli są z kasy "
                  "tego urządzenia, usuń ten plik i powtórz import (nic nie zostało "
                  "zaimportowane).")));
  }
  return true;
}

void ReadNoteFile::Write(const ReadNote& note) {
  try {
    TMFile file(Path());
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.Write(records::FormatReadNote(note));
    file.Close();
  } catch (const Exception&) {
    throw Exception(ElzabText("KSElzabSImportFrExceptio_00003", "Nie można zapisać pliku ") +
                    Path());
  }
}

void ReadNoteFile::Remove() {
  if (Exists()) workfiles::Remove(Path());
}
