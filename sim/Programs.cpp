#include "sim/Programs.h"

#include <cmath>
#include <map>
#include <set>

#include "platform/Env.h"
#include "sim/Buffer.h"
#include "sim/Config.h"
#include "sim/Register.h"
#include "sim/Store.h"
#include "sim/Text.h"

namespace sim {

namespace {

const char kKonfig[] = "KONFIG.TXT";
const char kRaport[] = "RAPORT.TXT";
const long long kMaxPrice = 99999999;  // 999 999,99 zł
const int kMaxPackages = 64;
const int kDefaultStopCode = 20;

// The register's texts for the codes it reports.
const std::map<int, const char*> kErrorTexts = {
    {0, "OK"},
    {1, "Brak nazwy pliku wejściowego"},
    {3, "Brak nazwy pliku wyjściowego"},
    {5, "Jednakowe nazwy plików wejściowego i wyjściowego"},
    {6, "Nie można otworzyć pliku wejściowego"},
    {7, "Nie można otworzyć pliku konfiguracji"},
    {8, "Nie można otworzyć pliku wyjściowego"},
    {10, "Niekompletne dane w pliku wejściowym"},
    {11, "Niepoprawny format pliku wejściowego"},
    {12, "Niepoprawne dane w pliku wejściowym"},
    {13, "Niekompletne dane w pliku konfiguracji"},
    {15, "Niepoprawne dane w pliku konfiguracji"},
    {16, "Niepoprawny format pliku konfiguracji"},
    {19, "Numer kasy poza zakresem"},
    {20, "Timeout nadawania"},
    {21, "Timeout odbierania"},
    {22, "Pod podanym skojarzeniem kasa o innym numerze"},
    {23, "Niepoprawna odpowiedź z kasy"},
    {25, "Rozkaz niedostępny w tej wersji programu kasy"},
    {102, "Błąd w nazwie towaru"},
    {103, "Błąd w stawce podatkowej towaru"},
    {104, "Brak miejsca na opakowanie (max. 64 opakowań)"},
    {105, "Błędny numer towaru"},
    {108, "Za duży kod kreskowy"},
    {109, "Za duża cena"},
    {110, "Numer grupy towarowej poza dozwolonym zakresem"},
    {111, "Numer jednostki poza dozwolonym zakresem"},
    {112, "Błędna ilość miejsc po przecinku"},
    {113, "Błąd w informacji o blokadzie towaru (nie 0 lub 1)"},
    {114, "Błąd w informacji o opakowaniu (nie 0 lub 1)"},
    {115, "Numer płatności poza dozwolonym zakresem"},
    {120, "Powtorzony kod kreskowy"},
    {202, "Pod podanym numerem towaru brak danych"},
    {206, "W ciągu który ma być znakami tekstu jest kod mniejszy od 20H"},
    {209,
     "Towar do skasowania lub zastąpienia ma niezerową sprzedaż lub zwroty jeżeli jest "
     "opakowaniem"},
    {220, "W nazwie towaru występują same spacje lub znaki nieważne"},
};

std::string ErrorText(int code) {
  auto it = kErrorTexts.find(code);
  return it == kErrorTexts.end() ? std::string("Błąd") : std::string(it->second);
}

std::string N(long long v) {
  return std::to_string(v);
}

// Which registers know a command.
enum class Models { All, NotK10, SigmaOnly };

// RAPORT.TXT: line 1 program and register time, line 2 the result ("#", code, ";",
// description), lines 3 to 9 what was done, line 10 the goods counters for the driver:
// "#", records programmed, "P" + the PLU that stopped the run (0 when none), the code.
struct Report {
  std::string program;
  std::string time = "----------";
  std::string port = "-";
  std::string device = "-";
  std::string input = "-";
  std::string output = "-";
  int records = 0;
  int applied = 0;
  int refused = 0;
  int failingPlu = 0;
  int code = 0;
  std::string desc;
  bool ownDesc = false;  // desc stands as given, even when empty

  std::string Text() const {
    std::string d = desc.empty() && !ownDesc ? ErrorText(code) : desc;
    std::string t;
    t += program + " " + time + "\r\n";
    t += "#" + N(code) + ";" + d + "\r\n";
    t += "Port: " + port + "\r\n";
    t += "Kasa: " + device + "\r\n";
    t += "Plik wejściowy: " + input + "\r\n";
    t += "Plik wyjściowy: " + output + "\r\n";
    t += "Rekordów: " + N(records) + "\r\n";
    t += "Zapisanych: " + N(applied) + "\r\n";
    t += "Odrzuconych: " + N(refused) + "\r\n";
    t += "#\t" + N(applied) + "\tP" + N(failingPlu) + "\t" + N(code) + "\r\n";
    return t;
  }
};

// One run of a program against one register.
struct Job {
  Register* reg = nullptr;
  Report* report = nullptr;
  std::vector<std::string> data;  // the input's lines after the header, empty lines left out
  std::string outputPath;
  std::vector<std::string> written;  // output files, for the truncate and garble faults
  std::map<int, int> reject;         // PLU -> code the register refuses it with
  int stopAt = -1;                   // PLU at which the transmission breaks off
  int stopCode = kDefaultStopCode;
  bool modified = false;
};

// Writes an output file: the three header lines as the inputs have them, then `lines`, each
// ended with CR LF. False (code 8 for the caller) when it cannot be written.
bool WriteOutput(Job& job, const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes = "#" + N(job.reg->device) + "\r\n#\r\n#\r\n";
  for (const std::string& line : lines) bytes += line + "\r\n";
  if (!WriteBytes(path, bytes)) return false;
  job.written.push_back(path);
  return true;
}

int WriteMain(Job& job, const std::vector<std::string>& lines) {
  return WriteOutput(job, job.outputPath, lines) ? 0 : 8;
}

std::vector<std::string> Fields(const std::string& line) {
  return Split(line.substr(1), '\t');
}

bool Flag(const std::string& text, int& value) {
  if (text != "0" && text != "1") return false;
  value = text == "1" ? 1 : 0;
  return true;
}

bool NoBarcode(const std::string& code) {
  return code.find_first_not_of('0') == std::string::npos;
}

// --- reading programs -------------------------------------------------------------------

int TypUrz(Job& job) {
  const Register& r = *job.reg;
  return WriteMain(job, {"$1\t" + N(r.device) + "\t" + r.serial + "\t" + r.Info().name + "\t" +
                         N(r.capacity) + "\t" + N(r.generation) + "\t" + r.version});
}

int Podatek(Job& job) {
  std::string line = "$";
  for (size_t i = 0; i < 7; ++i) line += (i > 0 ? "\t" : "") + VatText(job.reg->vat[i]);
  return WriteMain(job, {line});
}

int SpOpMax(Job& job) {
  if (job.data.empty() || job.data[0][0] != '$') return 10;
  std::vector<std::string> paths = Fields(job.data[0]);
  if (paths.size() < 3) return 10;
  for (const std::string& p : paths) {
    if (p.empty()) return 10;
  }
  const Register& r = *job.reg;
  auto withTotal = [](std::vector<std::string> lines) {
    long long total = 0;
    for (const std::string& l : lines) {
      long long v = 0;
      if (ParseInt(Split(l, '\t').back(), v)) total += v;
    }
    lines.push_back("#\t" + N(static_cast<long long>(lines.size())) + "\t" + N(total));
    return lines;
  };
  if (!WriteOutput(job, paths[0], withTotal(SalesByPlu(r))) ||
      !WriteOutput(job, paths[1], withTotal(SortedSales(r))) ||
      !WriteOutput(job, paths[2], withTotal(PackagingReturns(r)))) {
    return 8;
  }
  job.report->output = paths[0] + " " + paths[1] + " " + paths[2];
  return 0;
}

int SpRoz4(Job& job) {
  return WriteMain(job, Method4(*job.reg));
}
int SpRoz5(Job& job) {
  return WriteMain(job, Method5(*job.reg));
}

int IKasWla(Job& job) {
  const Register& r = *job.reg;
  std::vector<std::string> lines;
  if (r.loggedCashier != 0) {
    const CashierStats& s = r.stats;
    // Columns: 0 cashier, 1 cash takings, 2 deposits, 3 opening float, 4 withdrawals,
    // 5 card, 8 voucher, 11 cheque, 12 other, 15/16 shift start, 18 receipts, 19 voids,
    // 20 cancelled receipts, 26 value of voids; the rest are counters kept at 0.
    std::vector<std::string> c(27, "0");
    c[0] = N(r.loggedCashier);
    c[1] = N(s.cash);
    c[2] = N(s.deposits);
    c[3] = "0";
    c[4] = N(s.withdrawals);
    c[5] = N(s.card);
    c[8] = N(s.voucher);
    c[11] = N(s.cheque);
    c[12] = N(s.other);
    c[15] = r.shiftStart.Dotted();
    c[16] = r.shiftStart.HourMin();
    c[17] = Cp1250ToCp852(r.cashiers.count(r.loggedCashier) ? r.cashiers.at(r.loggedCashier) : "");
    c[18] = N(s.receipts);
    c[19] = N(s.voids);
    c[20] = N(s.cancelled);
    c[26] = N(s.voidValue);
    std::string line = "$";
    for (size_t i = 0; i < c.size(); ++i) line += (i > 0 ? "\t" : "") + c[i];
    lines.push_back(line);
  }
  return WriteMain(job, lines);
}

int Kasjer(Job& job) {
  std::vector<std::string> lines;
  for (const auto& [n, name] : job.reg->cashiers) {
    lines.push_back("$" + N(n) + "\t" + Cp1250ToCp852(name) + "\t" +
                    (n == job.reg->loggedCashier ? "1" : "0"));
  }
  return WriteMain(job, lines);
}

int Zegar(Job& job) {
  return WriteMain(job, {"$" + job.reg->clock.Dotted() + "\t" + job.reg->clock.HourMin()});
}

int Plat(Job& job) {
  std::vector<std::string> lines;
  for (int p = 1; p <= 7; ++p) {
    const PaymentForm& f = job.reg->payments[p];
    lines.push_back("$" + N(p) + "\t" + Cp1250ToCp852(f.name) + "\t" + N(f.type) + "\t0\t0\t0\t" +
                    (f.dated ? "1" : "0"));
  }
  return WriteMain(job, lines);
}

// --- tables -----------------------------------------------------------------------------

// Text of a table entry: code page 852 on the wire, no control characters.
int TableText(const std::string& raw, size_t maxLength, std::string& text) {
  text = TrimRight(Cp852ToCp1250(raw));
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return 206;
  }
  return text.size() > maxLength ? 12 : 0;
}

// Runs `apply` on each record in order; the first failing record stops the run, those
// before it stay programmed.
template <typename F>
int EachRecord(Job& job, F apply) {
  for (const std::string& line : job.data) {
    ++job.report->records;
    if (line[0] != '$') return 11;
    int code = apply(Fields(line));
    if (code != 0) return code;
    ++job.report->applied;
    job.modified = true;
  }
  return 0;
}

// A numbered name table (groups, units): records "$number\tname"; a number outside
// low..high is refused with `rangeCode`, a name longer than `width` with 12.
template <typename Table>
int NamedTable(Job& job, long long low, long long high, int rangeCode, size_t width, Table& table) {
  return EachRecord(job, [&](const std::vector<std::string>& f) {
    if (f.size() != 2) return 11;
    long long n = 0;
    if (!ParseInt(f[0], n)) return 12;
    if (n < low || n > high) return rangeCode;
    std::string name;
    if (int code = TableText(f[1], width, name)) return code;
    table[static_cast<size_t>(n)] = name;
    return 0;
  });
}

int Grupa(Job& job) {
  return NamedTable(job, 1, 99, 110, 19, job.reg->groups);
}

int Jednost(Job& job) {
  return NamedTable(job, 0, 15, 111, 4, job.reg->units);
}

int Waluta(Job& job) {
  if (job.data.empty()) return 10;
  // K10 and Sigma take number, rate and code; the online models a 13-character name too.
  size_t fields = IsOnline(job.reg->model) ? 4 : 3;
  return EachRecord(job, [&](const std::vector<std::string>& f) {
    if (f.size() != fields) return 11;
    long long rate = 0;
    if (f[0] != "2" || f[2] != "EUR" || !ParseHundredths(f[1], ',', rate) || rate <= 0) return 12;
    if (fields == 4 && (f[3].size() != 13 || Trim(f[3]) != "EUR")) return 12;
    job.reg->euro = rate;
    return 0;
  });
}

int ZPlat(Job& job) {
  // The K10 takes number and name; the other models number, 13-character name, type, 0, 0.
  bool k10 = job.reg->model == Model::K10;
  return EachRecord(job, [&](const std::vector<std::string>& f) {
    if (f.size() != (k10 ? 2u : 5u)) return 11;
    long long n = 0;
    if (!ParseInt(f[0], n)) return 12;
    if (n < 1 || n > (k10 ? 5 : 7)) return 115;
    std::string name;
    if (int code = TableText(f[1], 13, name)) return code;
    long long type = job.reg->payments[n].type;
    if (!k10) {
      if (f[1].size() != 13 || !ParseInt(f[2], type) || type < 0 || f[3] != "0" || f[4] != "0") {
        return 12;
      }
    }
    job.reg->payments[n].name = name;
    job.reg->payments[n].type = static_cast<int>(type);
    return 0;
  });
}

// --- goods ------------------------------------------------------------------------------

// A goods record of ZBPTowar/ZCTowar read into `g`. Returns 0, or the code the register
// refuses the record with.
int ReadGoods(const Register& reg, const std::vector<std::string>& f, Goods& g) {
  long long v = 0;
  if (!ParseInt(f[0], v)) return 12;
  g.plu = static_cast<int>(v);
  if (v < 1 || v > reg.capacity) return 105;
  g.name = Cp852ToCp1250(f[1]);
  if (Trim(g.name).empty()) return 220;
  for (char c : g.name) {
    if (static_cast<unsigned char>(c) < 0x20) return 206;
  }
  if (static_cast<int>(g.name.size()) > reg.Info().nameMax) return 102;
  if (!ParseInt(f[2], v) || v < 1 || v > 7 || reg.vat[v - 1] == kVatReserved) return 103;
  g.vat = static_cast<int>(v);
  if (!ParseInt(f[3], v) || v < 1 || v > 99) return 110;
  g.group = static_cast<int>(v);
  if (!ParseInt(f[4], v) || v < 0 || v > 3) return 112;
  g.precision = static_cast<int>(v);
  if (!ParseInt(f[5], v) || v < 0 || v > 15 || reg.units[v].empty()) return 111;
  g.unit = static_cast<int>(v);
  if (!Flag(f[6], g.lock)) return 113;
  g.barcode = f[7];
  if (!g.barcode.empty() && (!IsDigits(g.barcode) || g.barcode.size() > 13)) return 108;
  if (!ParseInt(f[8], v) || v < 0) return 12;
  if (v > kMaxPrice) return 109;
  g.price = v;
  int package = 0;
  if (!Flag(f[9], package)) return 114;
  g.package = package == 1;
  if (!Flag(f[10], g.flagA) || !Flag(f[11], g.flagB) || !Flag(f[12], g.field13) ||
      !Flag(f[13], g.field14)) {
    return 12;
  }
  g.field15 = f[14];
  if (!ParseInt(f[15], v) || v < 0 || v > reg.capacity) return 105;
  g.packagePlu = static_cast<int>(v);
  return 0;
}

// The register's checks against what it already holds.
int CheckAgainstMemory(const Register& reg, const Goods& g) {
  if (!NoBarcode(g.barcode)) {
    for (const auto& [plu, other] : reg.goods) {
      if (plu != g.plu && other.barcode == g.barcode) return 120;
    }
  }
  auto old = reg.goods.find(g.plu);
  bool wasPackage = old != reg.goods.end() && old->second.package;
  if (g.package && !wasPackage) {
    int packages = 0;
    for (const auto& [plu, other] : reg.goods) packages += other.package ? 1 : 0;
    if (packages >= kMaxPackages) return 104;
  }
  if (old != reg.goods.end() && reg.HasSales(g.plu) &&
      (old->second.name != g.name || old->second.vat != g.vat)) {
    return 209;
  }
  return 0;
}

// The PLU of a record for the report, 0 when it has none.
int PluOf(const std::vector<std::string>& f) {
  long long v = 0;
  return !f.empty() && ParseInt(f[0], v) && v > 0 && v < 1000000000 ? static_cast<int>(v) : 0;
}

// Faults that break off a goods transmission at a PLU.
int StopFault(const Job& job, int plu) {
  if (plu == job.stopAt) return job.stopCode;
  return 0;
}

int BPTowar(Job& job) {
  Report& rep = *job.report;
  std::vector<std::string> refusals;
  int firstRefusal = 0;
  int stop = 0;
  for (const std::string& line : job.data) {
    ++rep.records;
    std::vector<std::string> f = line[0] == '$' ? Fields(line) : std::vector<std::string>();
    int plu = PluOf(f);
    if (line[0] != '$' || f.size() != 16) {
      stop = 11;
    } else if (int code = StopFault(job, plu)) {
      stop = code;
    }
    if (stop != 0) {
      rep.failingPlu = plu;
      break;
    }
    Goods g;
    int code = 0;
    auto rejected = job.reject.find(plu);
    if (rejected != job.reject.end()) code = rejected->second;
    if (code == 0) code = ReadGoods(*job.reg, f, g);
    if (code == 0) code = CheckAgainstMemory(*job.reg, g);
    if (code != 0) {
      refusals.push_back("$" + N(plu) + "\t" + N(code));
      if (firstRefusal == 0) firstRefusal = code;
      ++rep.refused;
      continue;
    }
    job.reg->goods[g.plu] = g;
    job.modified = true;
    ++rep.applied;
  }
  if (WriteMain(job, refusals) != 0) return 8;
  if (stop != 0) return stop;
  if (firstRefusal != 0) {
    rep.desc = "Kasa odrzuciła towarów: " + N(rep.refused);
    return firstRefusal;
  }
  return 0;
}

int CTowar(Job& job) {
  Report& rep = *job.report;
  for (const std::string& line : job.data) {
    ++rep.records;
    std::vector<std::string> f = line[0] == '$' ? Fields(line) : std::vector<std::string>();
    int plu = PluOf(f);
    rep.failingPlu = plu;
    if (line[0] != '$' || f.size() != 16) return 11;
    if (int code = StopFault(job, plu)) return code;
    auto rejected = job.reject.find(plu);
    if (rejected != job.reject.end()) return rejected->second;
    long long v = 0;
    if (!ParseInt(f[0], v)) return 12;
    if (v < 1 || v > job.reg->capacity) return 105;
    auto it = job.reg->goods.find(plu);
    if (it == job.reg->goods.end()) return 202;
    if (!ParseInt(f[8], v) || v < 0) return 12;
    if (v > kMaxPrice) return 109;
    it->second.price = v;
    job.modified = true;
    ++rep.applied;
  }
  rep.failingPlu = 0;
  return 0;
}

int KTowarRun(Job& job) {
  Report& rep = *job.report;
  for (const std::string& line : job.data) {
    ++rep.records;
    std::vector<std::string> f = line[0] == '$' ? Fields(line) : std::vector<std::string>();
    int plu = PluOf(f);
    rep.failingPlu = plu;
    if (line[0] != '$' || f.size() != 1) return 11;
    if (int code = StopFault(job, plu)) return code;
    auto rejected = job.reject.find(plu);
    if (rejected != job.reject.end()) return rejected->second;
    long long v = 0;
    if (!ParseInt(f[0], v)) return 12;
    if (v < 1 || v > job.reg->capacity) return 105;
    // Deleting goods that is not there is no error: the register ends as asked.
    if (job.reg->HasSales(plu)) return 209;
    job.reg->goods.erase(plu);
    job.reg->sales.erase(plu);
    job.reg->returns.erase(plu);
    job.modified = true;
    ++rep.applied;
  }
  rep.failingPlu = 0;
  return 0;
}

int TowMax(Job& job) {
  if (job.reg->AnySales()) return 209;
  job.report->applied = static_cast<int>(job.reg->goods.size());
  job.reg->goods.clear();
  job.reg->sales.clear();
  job.reg->returns.clear();
  job.modified = true;
  return 0;
}

}  // namespace

struct ProgramDef {
  const char* name;
  bool hasOutput;
  Models models;
  int (*run)(Job&);
};

namespace {

const ProgramDef kPrograms[] = {
    {"OTypUrz.exe", true, Models::All, TypUrz},
    {"OPodatek.exe", true, Models::All, Podatek},
    {"OSpOpMax.exe", false, Models::All, SpOpMax},
    {"OPSpRoz4.exe", true, Models::NotK10, SpRoz4},
    {"OPSpRoz5.exe", true, Models::NotK10, SpRoz5},
    {"OIKasWla.exe", true, Models::SigmaOnly, IKasWla},
    {"OKasjer.exe", true, Models::SigmaOnly, Kasjer},
    {"OZegar.exe", true, Models::All, Zegar},
    {"OPlat.exe", true, Models::All, Plat},
    {"ZWaluta.exe", false, Models::All, Waluta},
    {"ZPlat.exe", false, Models::All, ZPlat},
    {"ZJednost.exe", false, Models::All, Jednost},
    {"ZGrupa.exe", false, Models::All, Grupa},
    {"KTowMax.exe", false, Models::All, TowMax},
    {"ZCTowar.exe", false, Models::All, CTowar},
    {"ZBPTowar.exe", true, Models::All, BPTowar},
    {"KTowar.exe", false, Models::All, KTowarRun},
};

// Reads the input: three header lines "#" + register number, "#", "#", then data lines.
int ReadInput(const std::string& path, int device, std::vector<std::string>& data) {
  std::string bytes;
  if (!ReadBytes(path, bytes)) return 6;
  std::vector<std::string> lines = Lines(bytes);
  if (lines.size() < 3) return 10;
  if (lines[0].size() < 2 || lines[0][0] != '#' || lines[1] != "#" || lines[2] != "#") return 11;
  long long n = 0;
  if (!ParseInt(lines[0].substr(1), n)) return 11;
  if (n < 1 || n > 255) return 19;
  if (n != device) return 22;
  for (size_t i = 3; i < lines.size(); ++i) {
    if (!lines[i].empty()) data.push_back(lines[i]);
  }
  return 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  return EqualsNoCase(platform::FileNameOf(a), platform::FileNameOf(b)) &&
         EqualsNoCase(platform::DirectoryOf(a), platform::DirectoryOf(b));
}

// Parses "PLU:CODE,PLU:CODE".
void ParseRejects(const std::string& text, std::map<int, int>& out) {
  for (const std::string& item : Split(text, ',')) {
    std::vector<std::string> pc = Split(item, ':');
    long long plu = 0, code = 0;
    if (pc.size() == 2 && ParseInt(pc[0], plu) && ParseInt(pc[1], code)) {
      out[static_cast<int>(plu)] = static_cast<int>(code);
    }
  }
}

void Garble(const std::string& path) {
  std::string bytes;
  if (!ReadBytes(path, bytes)) return;
  for (char& c : bytes) {
    if (c >= '0' && c <= '9') c = static_cast<char>('A' + (c - '0'));
  }
  WriteBytes(path, bytes);
}

void Truncate(const std::string& path) {
  std::string bytes;
  if (!ReadBytes(path, bytes)) return;
  WriteBytes(path, bytes.substr(0, bytes.size() / 2));
}

int ExitCodeFor(int code) {
  return code == 0 ? 0 : (code > 0 && code < 256 ? code : 1);
}

int Finish(const Report& report) {
  WriteBytes(kRaport, report.Text());
  return ExitCodeFor(report.code);
}

}  // namespace

const ProgramDef* FindProgram(const std::string& fileName) {
  std::string name = fileName;
  if (name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".exe")) {
    name = name.substr(0, name.size() - 4);
  }
  for (const ProgramDef& p : kPrograms) {
    std::string known = p.name;
    if (EqualsNoCase(known.substr(0, known.size() - 4), name)) return &p;
  }
  return nullptr;
}

std::string CanonicalProgramName(const std::string& name) {
  const ProgramDef* p = FindProgram(name);
  return p == nullptr ? std::string() : std::string(p->name);
}

std::vector<std::string> ProgramNames() {
  std::vector<std::string> names;
  for (const ProgramDef& p : kPrograms) names.push_back(p.name);
  return names;
}

int RunProgram(const ProgramDef& program, const std::vector<std::string>& args) {
  Report report;
  report.program = program.name;
  if (args.empty() || args[0].empty()) {
    report.code = 1;
    return Finish(report);
  }
  report.input = args[0];
  if (program.hasOutput) {
    if (args.size() < 2 || args[1].empty()) {
      report.code = 3;
      return Finish(report);
    }
    report.output = args[1];
    if (SameFile(args[0], args[1])) {
      report.code = 5;
      return Finish(report);
    }
  }

  Config config;
  report.code = ReadConfig(kKonfig, config);
  if (report.code != 0) return Finish(report);
  report.port = config.connection;

  RegisterFile file(StateDirectory(), config.connection);
  if (!file.Exists()) {
    report.code = 21;  // nothing answers on that connection
    return Finish(report);
  }
  Register reg;
  std::string error;
  if (!file.Load(reg, error)) {
    report.code = 23;
    report.desc = "Niepoprawna odpowiedź z kasy (" + error + ")";
    return Finish(report);
  }
  report.time = reg.clock.Iso().replace(10, 1, " ");
  report.device = std::string(reg.Info().name) + " nr " + N(reg.device);

  Job job;
  job.reg = &reg;
  job.report = &report;
  job.outputPath = program.hasOutput ? args[1] : std::string();

  // Faults of this program: those that replace the run act here, the others later.
  bool truncate = false, garble = false;
  std::vector<Fault> kept;
  const Fault* replacing = nullptr;
  Fault replacingCopy;
  std::vector<Fault> acting;
  for (const Fault& f : reg.faults) {
    if (!EqualsNoCase(f.program, program.name)) {
      kept.push_back(f);
      continue;
    }
    acting.push_back(f);
    if (!f.once)
      kept.push_back(f);
    else
      job.modified = true;
  }
  // A fault made for one run is spent as the run starts: a run stopped while it hangs, or
  // killed, does not meet it again.
  reg.faults = kept;
  if (job.modified) file.Save(reg);
  for (const Fault& f : acting) {
    long long n = 0;
    if (f.kind == "hang") {
      if (ParseInt(f.arg, n)) platform::CurrentEnv()->SleepMs(static_cast<int>(n));
    } else if (f.kind == "truncate") {
      truncate = true;
    } else if (f.kind == "garble") {
      garble = true;
    } else if (f.kind == "reject") {
      ParseRejects(f.arg, job.reject);
    } else if (f.kind == "stopat") {
      std::vector<std::string> pc = Split(f.arg, ':');
      long long plu = 0, code = kDefaultStopCode;
      if (ParseInt(pc[0], plu)) job.stopAt = static_cast<int>(plu);
      if (pc.size() > 1 && ParseInt(pc[1], code)) job.stopCode = static_cast<int>(code);
    } else if ((f.kind == "code" || f.kind == "noreport") && replacing == nullptr) {
      replacingCopy = f;
      replacing = &replacingCopy;
    }
  }
  auto save = [&]() {
    if (job.modified) file.Save(reg);
  };
  if (replacing != nullptr) {
    save();
    long long n = 1;
    ParseInt(replacing->arg, n);
    if (replacing->kind == "noreport") {
      platform::CurrentEnv()->RemoveFile(kRaport);
      return static_cast<int>(n);
    }
    report.code = static_cast<int>(n);
    report.desc = replacing->desc;
    report.ownDesc = true;
    WriteBytes(kRaport, report.Text());
    return n == 0 ? 1 : ExitCodeFor(report.code);
  }

  if (config.device != reg.device) {
    report.code = 22;
  } else if ((program.models == Models::SigmaOnly && reg.model != Model::Sigma) ||
             (program.models == Models::NotK10 && reg.model == Model::K10)) {
    report.code = 25;
  } else {
    report.code = ReadInput(args[0], reg.device, job.data);
  }
  if (report.code == 0) {
    // A run that fails keeps what it programmed before the failure, as the register does.
    report.code = program.run(job);
  }
  save();
  int exitCode = Finish(report);
  std::vector<std::string> damaged =
      job.written.empty() ? std::vector<std::string>{kRaport} : job.written;
  for (const std::string& path : damaged) {
    if (truncate) Truncate(path);
    if (garble) Garble(path);
  }
  return exitCode;
}

}  // namespace sim
