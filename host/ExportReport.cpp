#include "host/ExportReport.h"

#include <map>
#include <set>

#include "host/Text.h"

namespace tvkhost {

namespace {

constexpr char kStatusMark = '\x01';

// The driver's own texts (its Polish defaults) by which the summary tells how each batch
// ended. A driver run with translations shows other texts; the summary then judges the
// batches by the result alone.
constexpr char kPriceBatch[] = "- transmisja zmiany cen ...";
constexpr char kDeleteBatch[] = "- transmisja usuwania ...";
constexpr char kAddBatch[] = "- transmisja aktualizacji / dodawania ...";
constexpr char kDeleteAll[] = "Kasowanie wszystkich towarów na kasie...";
constexpr char kStopText[] = "zatrzymanie transmisji";
constexpr char kGoodsLinePrefix[] = "PLU: ";

// The goods line's words: 1 PLU, 2 koldod, 3 barcode, 4 name, 19 status.
constexpr size_t kWordPlu = 1;
constexpr size_t kWordKoldod = 2;
constexpr size_t kWordBarcode = 3;
constexpr size_t kWordName = 4;
constexpr size_t kWordStatus = 19;

bool IsStatus(const std::string& word) {
  return word == "DOD" || word == "AKT" || word == "CEN" || word == "USU";
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

std::string Count(int n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The text of a message line without its status column and the ":" before it.
std::string LineText(const std::string& line) {
  std::string text = line.substr(0, line.find(kStatusMark));
  while (!text.empty() && (text.back() == ':' || text.back() == ' ')) text.pop_back();
  return Trim(text);
}

// The PLU number at the start of a goods log line ("PLU: 12..."), and where it ends.
bool GoodsLinePlu(const std::string& line, int& plu, size_t& end) {
  if (!StartsWith(line, kGoodsLinePrefix)) return false;
  size_t start = sizeof(kGoodsLinePrefix) - 1;
  end = start;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
  return end > start && ParseInt(line.substr(start, end - start), plu);
}

enum class BatchState { kNotRun, kDone, kFailed };

// How the driver's lines say a batch went: its progress line ends "OK" when the program
// succeeded; a line left without it means the run began and failed.
BatchState StateOf(const std::vector<MessageLine>& lines, const std::string& progress) {
  BatchState state = BatchState::kNotRun;
  for (const MessageLine& l : lines) {
    if (LineText(l.text) != progress) continue;
    size_t mark = l.text.find(kStatusMark);
    bool ok = l.significance != 2 && mark != std::string::npos && l.text.substr(mark + 1) == "OK";
    state = ok ? BatchState::kDone : BatchState::kFailed;
  }
  return state;
}

bool Shows(const std::vector<MessageLine>& lines, const std::string& text) {
  for (const MessageLine& l : lines) {
    if (LineText(l.text) == text) return true;
  }
  return false;
}

// The last error line that is not one of the goods log: the message the export ended with.
std::string LastError(const std::vector<MessageLine>& lines) {
  std::string error;
  int plu = 0;
  size_t end = 0;
  for (const MessageLine& l : lines) {
    if (l.significance == 2 && !GoodsLinePlu(l.text, plu, end)) error = LineText(l.text);
  }
  return error;
}

long long ParseMoney(const std::string& text, bool& ok) {
  size_t comma = text.find(',');
  int whole = 0;
  int cents = 0;
  ok = comma != std::string::npos && comma + 3 == text.size() &&
       ParseInt(text.substr(0, comma), whole) && ParseInt(text.substr(comma + 1), cents) &&
       text[comma + 1] != '-' && text[comma + 1] != '+';
  return static_cast<long long>(whole) * 100 + cents;
}

bool ReadGoodsLine(const std::string& line, RegisterGoods& g) {
  // "  PLU 7 "name" VAT 1 group 3 ..." - the name may hold anything, so it ends at the last
  // quote that " VAT " follows.
  const std::string head = "  PLU ";
  size_t quote = line.find(" \"", head.size());
  size_t close = line.rfind("\" VAT ");
  if (!StartsWith(line, head) || quote == std::string::npos || close == std::string::npos ||
      close <= quote + 1 || !ParseInt(line.substr(head.size(), quote - head.size()), g.plu)) {
    return false;
  }
  g.name = line.substr(quote + 2, close - quote - 2);
  std::vector<std::string> w = Split(line.substr(close + 2), ' ');
  size_t i = 0;
  auto word = [&]() -> std::string { return i < w.size() ? w[i++] : std::string(); };
  auto number = [&](const char* key, int& value) {
    return word() == key && ParseInt(word(), value);
  };
  if (!number("VAT", g.vat) || !number("group", g.group) || !number("precision", g.precision) ||
      !number("unit", g.unit) || word() != "barcode") {
    return false;
  }
  g.barcode = word();
  if (g.barcode == "-") g.barcode.clear();
  bool ok = false;
  if (word() != "price") return false;
  g.price = ParseMoney(word(), ok);
  if (!ok) return false;
  std::string next = word();
  if (next == "package") {
    g.package = true;
    next = word();
  }
  if (next == "with") {
    if (!(word() == "package" && ParseInt(word(), g.packagePlu))) return false;
    next = word();
  }
  if (next != "flags") return false;
  g.flags = word();
  return !g.flags.empty() && i == w.size();
}

}  // namespace

const ExportGoodsLine* ExportFile::Find(int plu) const {
  for (const ExportGoodsLine& g : goods) {
    if (g.plu == plu && g.koldod == 0) return &g;
  }
  return nullptr;
}

ExportFile ReadExportFile(const std::string& bytes) {
  ExportFile file;
  for (const std::string& raw : SplitLines(bytes)) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == '[') continue;
    std::vector<std::string> w = Split(line, ';');
    if (w[0] != "PLU") continue;
    ExportGoodsLine g;
    if (w.size() <= kWordStatus || !ParseInt(w[kWordPlu], g.plu) ||
        !ParseInt(w[kWordKoldod], g.koldod) || !IsStatus(w[kWordStatus])) {
      ++file.unreadable;
      continue;
    }
    g.barcode = w[kWordBarcode];
    g.name = w[kWordName];
    g.status = w[kWordStatus];
    if (g.koldod != 0) {
      ++file.additional;
    } else if (g.status == "CEN") {
      ++file.priceChanges;
    } else if (g.status == "USU") {
      ++file.deletions;
    } else {
      ++file.additions;
    }
    file.goods.push_back(g);
  }
  return file;
}

std::vector<ResultLine> ReadResultFile(const std::string& bytes) {
  std::vector<ResultLine> result;
  for (const std::string& raw : SplitLines(bytes)) {
    std::vector<std::string> w = Split(Trim(raw), ';');
    ResultLine r;
    if (w.size() < 5 || w[0] != "PLU" || !ParseInt(w[1], r.plu) || !ParseInt(w[2], r.koldod)) {
      continue;
    }
    r.barcode = w[3];
    r.status = w[4];
    result.push_back(r);
  }
  return result;
}

std::vector<GoodsProblem> ReadGoodsProblems(const std::vector<std::string>& lines) {
  std::vector<GoodsProblem> problems;
  for (const std::string& raw : lines) {
    std::string line = LineText(raw);
    GoodsProblem p;
    size_t end = 0;
    if (!GoodsLinePlu(line, p.plu, end)) continue;
    p.line = line;
    // A refusal gives the register's reason in brackets right after the number.
    if (line.compare(end, 2, " (") == 0 && line.back() == ')') {
      p.kind = GoodsProblem::kRefused;
    } else if (line.find(kStopText) != std::string::npos) {
      p.kind = GoodsProblem::kStopped;
    }
    problems.push_back(p);
  }
  return problems;
}

bool ShowsGoodsLog(const std::vector<MessageLine>& lines) {
  int plu = 0;
  size_t end = 0;
  for (const MessageLine& l : lines) {
    if (GoodsLinePlu(l.text, plu, end)) return true;
  }
  return false;
}

std::vector<std::string> ExportSummary(const ExportFacts& f) {
  std::vector<std::string> out;
  const std::vector<MessageLine>& lines = f.outcome.lines;
  const bool stored = !f.resultPath.empty();
  out.push_back("tvkhost: export summary");
  // A goods' additional lines (koldod other than 0) are no goods of their own.
  std::string fileLine =
      "  export file        " + f.exportPath + ": " +
      Count(static_cast<int>(f.file.goods.size()) - f.file.additional, "goods line", "goods lines");
  if (f.file.additional > 0) {
    fileLine +=
        ", " + Count(f.file.additional, "additional line", "additional lines") + " (never sent)";
  }
  if (f.file.unreadable > 0) {
    fileLine += ", " + Count(f.file.unreadable, "line", "lines") + " the driver cannot read";
  }
  out.push_back(fileLine);
  if (Shows(lines, kDeleteAll)) {
    out.push_back("  before the goods   all goods on the register deleted (RodzajTransmisji 3)");
  }

  // Withdrawn goods count against the batch of their status.
  std::map<std::string, int> withdrawn;
  std::vector<const GoodsProblem*> byKind[3];
  for (const GoodsProblem& p : f.problems) {
    byKind[p.kind].push_back(&p);
    if (p.kind != GoodsProblem::kWithdrawn) continue;
    const ExportGoodsLine* g = f.file.Find(p.plu);
    std::string status = g == nullptr ? "" : g->status == "AKT" ? "DOD" : g->status;
    ++withdrawn[status];
  }
  struct Batch {
    const char* title;
    int inFile;
    const char* status;
    const char* progress;
  } batches[] = {
      {"  price changes      ", f.file.priceChanges, "CEN", kPriceBatch},
      {"  deletions          ", f.file.deletions, "USU", kDeleteBatch},
      {"  additions/updates  ", f.file.additions, "DOD", kAddBatch},
  };
  for (const Batch& b : batches) {
    if (b.inFile == 0) {
      out.push_back(std::string(b.title) + "none in the file");
      continue;
    }
    const int notSent = withdrawn[b.status];
    const int sent = b.inFile - notSent;
    std::string text = std::string(b.title) + std::to_string(b.inFile) + " in the file";
    if (notSent > 0) text += ", " + std::to_string(notSent) + " withdrawn";
    if (sent <= 0) {
      out.push_back(text + ", nothing to send");
      continue;
    }
    if (!stored && f.translated) {
      out.push_back(text + ", " + std::to_string(sent) +
                    " to send - no result, see the lines "
                    "above");
      continue;
    }
    BatchState state = stored ? BatchState::kDone : StateOf(lines, b.progress);
    if (state == BatchState::kNotRun) {
      out.push_back(text + ", " + std::to_string(sent) +
                    " to send - not sent, the export ended before it");
      continue;
    }
    text += ", " + std::to_string(sent) + " sent";
    if (std::string(b.status) == "DOD") {
      if (!byKind[GoodsProblem::kRefused].empty()) {
        text += ", " + std::to_string(byKind[GoodsProblem::kRefused].size()) + " refused";
      }
      if (!byKind[GoodsProblem::kStopped].empty()) {
        text += ", stopped at PLU " + std::to_string(byKind[GoodsProblem::kStopped][0]->plu);
      }
    }
    text += state == BatchState::kDone ? " - done" : " - FAILED";
    out.push_back(text);
  }

  const struct {
    GoodsProblem::Kind kind;
    const char* title;
  } groups[] = {
      {GoodsProblem::kWithdrawn, "withdrawn by the driver, not sent"},
      {GoodsProblem::kRefused, "refused by the register"},
      {GoodsProblem::kStopped, "the transmission broke off at"},
  };
  for (const auto& g : groups) {
    const std::vector<const GoodsProblem*>& list = byKind[g.kind];
    if (list.empty()) continue;
    out.push_back(std::string("  ") + g.title + " (" + std::to_string(list.size()) + "):");
    for (const GoodsProblem* p : list) out.push_back("    " + p->line);
  }

  if (stored) {
    int added = 0, prices = 0, deleted = 0;
    for (const ResultLine& r : f.result) {
      if (r.koldod != 0) continue;  // an additional line of a goods counted already
      if (r.status == "CEN") {
        ++prices;
      } else if (r.status == "USU") {
        ++deleted;
      } else {
        ++added;
      }
    }
    out.push_back("  result             " + f.resultPath + ": " +
                  Count(added + prices + deleted, "goods", "goods") + " accepted (" +
                  std::to_string(added) + " added or updated, " +
                  Count(prices, "price change", "price changes") + ", " + std::to_string(deleted) +
                  " deleted)");
  } else {
    std::string error = LastError(lines);
    if (!error.empty()) {
      out.push_back("  result             none: the export ended with an error: " + error);
    } else if (f.file.goods.empty()) {
      out.push_back(
          "  result             none: the file holds no goods, so the register was "
          "not contacted");
    } else {
      out.push_back("  result             none was stored");
    }
  }
  return out;
}

std::string PriceText(long long grosze) {
  std::string cents = std::to_string(grosze % 100);
  return std::to_string(grosze / 100) + "," + (cents.size() < 2 ? "0" : "") + cents;
}

bool ReadRegisterGoods(const std::string& listingUtf8, std::vector<RegisterGoods>& goods) {
  goods.clear();
  bool inGoods = false;
  bool found = false;
  for (const std::string& line : SplitLines(Utf8ToCp1250(listingUtf8))) {
    if (StartsWith(line, "Goods (")) {
      inGoods = true;
      found = true;
      continue;
    }
    if (!inGoods) continue;
    if (!StartsWith(line, "  ")) {
      inGoods = false;
      continue;
    }
    RegisterGoods g;
    if (!ReadGoodsLine(line, g)) return false;
    goods.push_back(g);
  }
  return found;
}

std::vector<std::string> CompareRegisterWithResult(const std::vector<RegisterGoods>& goods,
                                                   const std::vector<ResultLine>& result,
                                                   const ExportFile& file) {
  std::vector<std::string> differences;
  std::map<int, const RegisterGoods*> held;
  for (const RegisterGoods& g : goods) held[g.plu] = &g;
  std::set<int> listed;
  for (const ResultLine& r : result) {
    const std::string plu = "PLU " + std::to_string(r.plu);
    auto it = held.find(r.plu);
    listed.insert(r.plu);
    if (r.status == "USU") {
      if (it != held.end()) {
        differences.push_back(plu + ": deleted in the result (USU), but the register holds it");
      }
      continue;
    }
    if (it == held.end()) {
      differences.push_back(plu + ": in the result (" + r.status + "), but not on the register");
      continue;
    }
    const RegisterGoods& g = *it->second;
    // The register gets a weighed goods' barcode without the "?" of its weight digits.
    std::string barcode;
    for (char c : r.barcode) {
      if (c != '?') barcode += c;
    }
    if (g.barcode != barcode) {
      differences.push_back(plu + ": barcode \"" + g.barcode + "\" on the register, \"" + barcode +
                            "\" in the result");
    }
    // A price change leaves the name the register has; a register with shorter names than
    // the file keeps the beginning.
    const ExportGoodsLine* line = file.Find(r.plu);
    if (line != nullptr && r.status != "CEN" && g.name != line->name &&
        (g.name.empty() || g.name.size() >= line->name.size() ||
         line->name.compare(0, g.name.size(), g.name) != 0)) {
      differences.push_back(plu + ": name \"" + g.name + "\" on the register, \"" + line->name +
                            "\" in the export file");
    }
  }
  for (const RegisterGoods& g : goods) {
    if (listed.count(g.plu) == 0) {
      differences.push_back("PLU " + std::to_string(g.plu) + " \"" + g.name + "\" (" +
                            PriceText(g.price) + "): on the register, but not in the result");
    }
  }
  return differences;
}

}  // namespace tvkhost
