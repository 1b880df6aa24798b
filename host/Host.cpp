#include "host/Host.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "host/Text.h"

namespace tvkhost {

namespace {

// Set from the Ctrl+C handler, read by the abort service.
volatile std::sig_atomic_t g_abort = 0;

// A back office can die at any moment of an operation (a crash, a power cut). To rehearse
// that, TVKHOST_DIE_AT="message:N" ends this process at once when the driver adds its Nth
// message, "change:N" when it changes the last message for the Nth time (a status set), and
// "store:N" inside the Nth store before the host takes the file in.
struct DiePoint {
  std::string what;  // "message", "change" or "store"; empty: never
  int at = 0;
  int seen = 0;
};

DiePoint& Die() {
  static DiePoint point = [] {
    DiePoint p;
    const std::string value = platform::GetEnvironmentValue("TVKHOST_DIE_AT");
    const size_t colon = value.find(':');
    if (colon != std::string::npos) {
      p.what = value.substr(0, colon);
      p.at = std::atoi(value.c_str() + colon + 1);
    }
    return p;
  }();
  return point;
}

// Ends the process without a word when this is the chosen moment.
void MaybeDie(const char* what) {
  DiePoint& p = Die();
  if (p.what != what) return;
  if (++p.seen == p.at) std::_Exit(kDiedOnPurpose);
}

constexpr char kWynikExp[] = "wynik.exp";
constexpr char kKasaImp[] = "kasa.imp";
constexpr char kParagonImp[] = "paragon.imp";

Host* H(HTVKCBARG1 arg1) {
  return static_cast<Host*>(arg1);
}

// ---- the callbacks: plain functions with the driver's calling convention ----------------
BOOL TVKAPI CbCzyPrzerwac(HTVKCBARG1 a1, HTVKCBARG2) {
  return H(a1)->CzyPrzerwac();
}
void TVKAPI CbWartoscParametru(HTVKCBARG1 a1, HTVKCBARG2, const char* name, char* value) {
  H(a1)->WartoscParametru(name, value);
}
void TVKAPI CbDaneUrzadzenia(HTVKCBARG1 a1, HTVKCBARG2, int* id, int* number, char* device,
                             char* station, char* dir) {
  H(a1)->DaneUrzadzenia(id, number, device, station, dir);
}
void TVKAPI CbDodajKomunikat(HTVKCBARG1 a1, HTVKCBARG2, TTVKDLLZnaczenieKomunikatu s,
                             const char* text) {
  H(a1)->DodajKomunikat(s, text);
}
void TVKAPI CbZmienOstatniKomunikat(HTVKCBARG1 a1, HTVKCBARG2, TTVKDLLZnaczenieKomunikatu s,
                                    const char* text) {
  H(a1)->ZmienOstatniKomunikat(s, text);
}
BOOL TVKAPI CbFormatWazony(HTVKCBARG1 a1, HTVKCBARG2, int index, char* text) {
  return H(a1)->FormatWazony(index, text);
}
BOOL TVKAPI CbStawkaVAT(HTVKCBARG1 a1, HTVKCBARG2, int index, int* rate) {
  return H(a1)->StawkaVAT(index, rate);
}
BOOL TVKAPI CbStawkaVATPrec(HTVKCBARG1 a1, HTVKCBARG2, int index, int* rate) {
  return H(a1)->StawkaVATPrec(index, rate);
}
BOOL TVKAPI CbZapiszWynikEksportu(HTVKCBARG1 a1, HTVKCBARG2) {
  return H(a1)->ZapiszWynikEksportu();
}
BOOL TVKAPI CbZapiszImport(HTVKCBARG1 a1, HTVKCBARG2) {
  return H(a1)->ZapiszImport();
}
BOOL TVKAPI CbZapiszParagon(HTVKCBARG1 a1, HTVKCBARG2) {
  return H(a1)->ZapiszParagon();
}
BOOL TVKAPI CbOdczytajTowar(HTVKCBARG1 a1, HTVKCBARG2, char* text, const char* key) {
  return H(a1)->OdczytajTowar(text, key);
}
void TVKAPI CbOdswiezParametry(HTVKCBARG1 a1, HTVKCBARG2) {
  H(a1)->OdswiezParametry();
}
BOOL TVKAPI CbZmienParametr(HTVKCBARG1 a1, HTVKCBARG2, const char* name, const char* value) {
  return H(a1)->ZmienParametr(name, value);
}
BOOL TVKAPI CbZajmijZasob(HTVKCBARG1 a1, HTVKCBARG2, const char* resource) {
  return H(a1)->ZajmijZasob(resource);
}
void TVKAPI CbZwolnijZasob(HTVKCBARG1 a1, HTVKCBARG2, const char* resource) {
  H(a1)->ZwolnijZasob(resource);
}
void TVKAPI CbKasujFlageAlarmu(HTVKCBARG1 a1, HTVKCBARG2) {
  H(a1)->KasujFlageAlarmu();
}
int TVKAPI CbWstrzymajOperacje(HTVKCBARG1 a1, HTVKCBARG2, const char* text, int value) {
  return H(a1)->WstrzymajOperacje(text, value);
}
BOOL TVKAPI CbZapiszStanLicznika(HTVKCBARG1 a1, HTVKCBARG2, const int* values, int count) {
  return H(a1)->ZapiszStanLicznika(values, count, nullptr);
}
BOOL TVKAPI CbZapiszStanICzasLicznika(HTVKCBARG1 a1, HTVKCBARG2, const int* values, int count,
                                      const char* time) {
  return H(a1)->ZapiszStanLicznika(values, count, time != nullptr ? time : "");
}
int TVKAPI CbDodajTowarZKasy(HTVKCBARG1 a1, HTVKCBARG2, const char* t1, int i1, const char* t2,
                             int i2, const char* t3, const char* t4, int i3, double v1, double v2,
                             double v3, double v4, int i4, int i5, const char* t5) {
  return H(a1)->DodajTowarZKasy(t1, i1, t2, i2, t3, t4, i3, v1, v2, v3, v4, i4, i5, t5);
}
BOOL TVKAPI CbGetString(void* context, const char* module, const char* key, const char* defaultText,
                        char* buffer, int size) {
  return static_cast<Host*>(context)->Translate(module, key, defaultText, buffer, size);
}

std::string Str(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(long long z, int& y, int& m, int& d) {
  z += 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

struct Civil {
  int y, m, d, hh, mm, ss, ms;
};

Civil ToCivil(double dayCount) {
  long long msTotal = std::llround(dayCount * 86400000.0);
  long long days = msTotal / 86400000;
  long long rest = msTotal % 86400000;
  Civil c{};
  CivilFromDays(days - 25569, c.y, c.m, c.d);  // 25569: 1899-12-30 to 1970-01-01
  c.hh = static_cast<int>(rest / 3600000);
  c.mm = static_cast<int>(rest / 60000 % 60);
  c.ss = static_cast<int>(rest / 1000 % 60);
  c.ms = static_cast<int>(rest % 1000);
  return c;
}

// The sales value of an import file: the value column of its goods lines, in grosze.
void SumImport(const std::string& bytes, long long& value, int& lines) {
  value = 0;
  lines = 0;
  bool goods = false;
  for (const std::string& line : SplitLines(bytes)) {
    std::string t = Trim(line);
    if (!t.empty() && t[0] == '[') goods = t == "[TOWAROWE]";
    if (!goods || t.compare(0, 4, "PLU;") != 0) continue;
    std::vector<std::string> words = Split(t, ';');
    int v = 0;
    if (words.size() >= 5 && ParseInt(words[4], v)) value += v;
    ++lines;
  }
}

std::string Money(long long grosze) {
  char text[64];
  std::snprintf(text, sizeof(text), "%s%lld.%02lld", grosze < 0 ? "-" : "",
                std::llabs(grosze) / 100, std::llabs(grosze) % 100);
  return text;
}

}  // namespace

std::string DateText(double dayCount) {
  Civil c = ToCivil(dayCount);
  char text[32];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d", c.y, c.m, c.d);
  return text;
}

std::string DateTimeText(double dayCount) {
  Civil c = ToCivil(dayCount);
  char text[48];
  std::snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d:%02d", c.y, c.m, c.d, c.hh, c.mm,
                c.ss);
  return text;
}

std::string StampText(double dayCount) {
  Civil c = ToCivil(dayCount);
  char text[48];
  std::snprintf(text, sizeof(text), "%04d%02d%02d-%02d%02d%02d-%03d", c.y, c.m, c.d, c.hh, c.mm,
                c.ss, c.ms);
  return text;
}

// ---- translations ------------------------------------------------------------------------

bool Translations::Load(const std::string& path, std::string& error) {
  std::string bytes;
  if (!platform::Env::Default()->FileExists(path) || !ReadFileBytes(path, bytes)) {
    error = "cannot read the translation file " + path;
    return false;
  }
  Parse(bytes);
  return true;
}

void Translations::Parse(const std::string& bytes) {
  std::string text = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  if (LooksLikeUtf8(text)) text = Utf8ToCp1250(text);
  for (const std::string& line : SplitLines(text)) {
    if (Trim(line).empty() || Trim(line)[0] == '#') continue;
    std::vector<std::string> parts = Split(line, '\t');
    if (parts.size() < 3) continue;
    std::string value = parts[2];
    for (size_t i = 3; i < parts.size(); ++i) value += "\t" + parts[i];
    texts_[Trim(parts[0]) + '\t' + Trim(parts[1])] = value;
  }
}

bool Translations::Find(const std::string& module, const std::string& key,
                        std::string& text) const {
  auto it = texts_.find(Trim(module) + '\t' + Trim(key));
  if (it == texts_.end()) return false;
  text = it->second;
  return true;
}

// ---- the host --------------------------------------------------------------------------

Host::Host(HostConfig& config, MessageRenderer& renderer, HostOptions options)
    : config_(config), renderer_(renderer), options_(std::move(options)) {}

Host::~Host() {
  Stop();
}

void Host::RequestAbort() {
  g_abort = 1;
}
bool Host::AbortRequested() {
  return g_abort != 0;
}
void Host::ClearAbort() {
  g_abort = 0;
}

bool Host::Start(DriverLibrary& driver, std::string& error) {
  Stop();
  api_ = &driver.Api();
  if (!options_.langFile.empty() && !translations_.Load(options_.langFile, error)) return false;
  params_.Read(*api_);
  if (!params_.Check(config_.DeviceParameters(), HostConfig::HostKeys(), error)) {
    error = "[" + config_.Device().section + "] in " + config_.Path() + ": " + error;
    return false;
  }
  // The host's main window would own the driver's windows; a console host has none.
  library_ = api_->RejestrujBiblioteke(this, nullptr, nullptr, nullptr);
  if (library_ == nullptr) {
    error = "the driver " + driver.Path() + " refused to register (no library handle)";
    return false;
  }
  RegisterServices();
  return true;
}

void Host::RegisterServices() {
  auto reg = [&](auto function, int code) {
    api_->RejestrujCallback(library_, reinterpret_cast<void*>(function), code);
  };
  reg(&CbCzyPrzerwac, TVKDLL_CB_CZY_PRZERWAC);
  reg(&CbWartoscParametru, TVKDLL_CB_WARTOSC_PARAMETRU);
  reg(&CbDaneUrzadzenia, TVKDLL_CB_DANE_URZADZENIA);
  reg(&CbDodajKomunikat, TVKDLL_CB_DODAJ_KOMUNIKAT);
  reg(&CbZmienOstatniKomunikat, TVKDLL_CB_ZMIEN_OSTATNI_KOMUNIKAT);
  reg(&CbFormatWazony, TVKDLL_CB_FORMAT_WAZONY);
  reg(&CbStawkaVAT, TVKDLL_CB_STAWKA_VAT);
  reg(&CbZapiszWynikEksportu, TVKDLL_CB_ZAPISZ_WYNIK_EKSPORTU);
  reg(&CbZapiszImport, TVKDLL_CB_ZAPISZ_IMPORT);
  reg(&CbZapiszParagon, TVKDLL_CB_ZAPISZ_PARAGON);
  reg(&CbOdczytajTowar, TVKDLL_CB_ODCZYTAJ_TOWAR);
  reg(&CbOdswiezParametry, TVKDLL_CB_ODSWIEZ_PARAMETRY);
  reg(&CbZmienParametr, TVKDLL_CB_ZMIEN_PARAMETR);
  reg(&CbZajmijZasob, TVKDLL_CB_ZAJMIJ_ZASOB);
  reg(&CbZwolnijZasob, TVKDLL_CB_ZWOLNIJ_ZASOB);
  reg(&CbKasujFlageAlarmu, TVKDLL_CB_KASUJ_FLAGE_ALARMU);
  reg(&CbWstrzymajOperacje, TVKDLL_CB_WSTRZYMAJ_OPERACJE);
  reg(&CbZapiszStanLicznika, TVKDLL_CB_ZAPISZ_STAN_LICZNIKA);
  reg(&CbZapiszStanICzasLicznika, TVKDLL_CB_ZAPISZ_STAN_I_CZAS_LICZNIKA);
  reg(&CbStawkaVATPrec, TVKDLL_CB_STAWKA_VAT_PREC);
  reg(&CbDodajTowarZKasy, TVKDLL_CB_DODAJ_TOWAR_Z_KASY);
  // The language object is data, not a function; it lives as long as this host.
  language_.context = this;
  language_.GetString = &CbGetString;
  api_->RejestrujCallback(library_, &language_, TVKDLL_CB_JEZYK);
}

void Host::Stop() {
  if (api_ != nullptr && library_ != nullptr) api_->ZwolnijBiblioteke(library_);
  library_ = nullptr;
  locks_.clear();  // gives back whatever an operation left taken
}

OperationOutcome Host::RunOperation(int code, int parameter) {
  OperationOutcome outcome;
  renderer_.TakeHistory();
  stored_.clear();
  const DeviceConfig& device = config_.Device();
  if (!device.exchangeDir.empty()) platform::Env::Default()->MakeDirectories(device.exchangeDir);
  operationCode_ = code;
  // A back office holds no session for a register driver: the handle stays null.
  HTVKDLLSKSESJA session = nullptr;
  char sessionName[TVKDLL_TEXT_SIZE + 1] = {0};
  outcome.result = api_->SerKasOperacja(library_, const_cast<DeviceConfig*>(&device), &session,
                                        sessionName, code, parameter);
  operationCode_ = 0;
  // No operation may keep the shared resource beyond its end.
  for (auto& lock : locks_) lock.second->Unlock();
  renderer_.Flush();
  outcome.errorLines = renderer_.ErrorLines();
  outcome.lines = renderer_.TakeHistory();
  outcome.stored = stored_;
  return outcome;
}

std::string Host::DeviceProperty(int code) {
  char buffer[TVKDLL_TEXT_SIZE + 1] = {0};
  api_->WlasciwosciUrzadzenia(library_, const_cast<DeviceConfig*>(&config_.Device()), buffer, code);
  renderer_.Flush();
  return FromBuffer(buffer);
}

std::string Host::SharedResourceName() {
  char buffer[TVKDLL_TEXT_SIZE + 1] = {0};
  api_->SerKasNazwaZasobuDzielonego(library_, const_cast<DeviceConfig*>(&config_.Device()), buffer);
  renderer_.Flush();
  return FromBuffer(buffer);
}

bool Host::ReceiptSearch(int& reportNo, int& second, int& receiptNo) {
  BOOL answer = api_->SerKasJakSzukacParagonu(
      library_, const_cast<DeviceConfig*>(&config_.Device()), &reportNo, &second, &receiptNo);
  renderer_.Flush();
  return answer != 0;
}

void Host::SetOverride(const std::string& name, const std::string& value) {
  overrides_[Upper(name)] = value;
}

std::string Host::ParameterValue(const std::string& name, int code) const {
  auto overridden = overrides_.find(Upper(name));
  if (overridden != overrides_.end()) return overridden->second;
  const ParameterInfo* info = params_.Find(name, code);
  std::string value;
  if (config_.Parameter(name, value)) {
    value = Trim(value);
    if (info != nullptr) value = ParameterTable::ForDriver(*info, value);
  } else if (info != nullptr) {
    value = info->defaultValue;
  }
  // A back office proposes the day of the operation for a date left open.
  if (info != nullptr && info->type == 5 && Trim(value).empty()) {
    value = DateText(platform::Env::Default()->Now());
  }
  return value;
}

bool Host::CzyPrzerwac() {
  return AbortRequested();
}

void Host::WartoscParametru(const char* name, char* value) {
  CopyToBuffer(ParameterValue(Trim(Str(name)), operationCode_), value, TVKDLL_TEXT_SIZE);
}

void Host::DaneUrzadzenia(int* id, int* number, char* deviceName, char* stationName,
                          char* exchangeDir) {
  const DeviceConfig& d = config_.Device();
  if (id != nullptr) *id = d.id;
  if (number != nullptr) *number = d.number;
  CopyToBuffer(d.deviceName, deviceName, TVKDLL_TEXT_SIZE);
  CopyToBuffer(d.workstation, stationName, TVKDLL_TEXT_SIZE);
  CopyToBuffer(d.exchangeDir, exchangeDir, TVKDLL_DIR_SIZE);
}

void Host::DodajKomunikat(int significance, const char* text) {
  MaybeDie("message");
  renderer_.Add(significance, Str(text));
}

void Host::ZmienOstatniKomunikat(int significance, const char* text) {
  MaybeDie("change");
  renderer_.ReplaceLast(significance, Str(text));
}

bool Host::FormatWazony(int index, char* text) {
  const std::vector<std::string>& formats = config_.Device().weighedFormats;
  if (index < 0 || static_cast<size_t>(index) >= formats.size()) return false;
  CopyToBuffer(formats[static_cast<size_t>(index)], text, TVKDLL_TEXT_SIZE);
  return true;
}

bool Host::StawkaVAT(int index, int* rate) {
  const std::vector<int>& rates = config_.Device().vatRates;
  if (index < 0 || static_cast<size_t>(index) >= rates.size() || rate == nullptr) return false;
  *rate = rates[static_cast<size_t>(index)];
  return true;
}

bool Host::StawkaVATPrec(int index, int* rate) {
  const DeviceConfig& d = config_.Device();
  if (d.hasVatRatesPrec) {
    if (index < 0 || static_cast<size_t>(index) >= d.vatRatesPrec.size() || rate == nullptr) {
      return false;
    }
    *rate = d.vatRatesPrec[static_cast<size_t>(index)];
    return true;
  }
  if (!StawkaVAT(index, rate)) return false;
  if (*rate > 0) *rate *= 100;
  return true;
}

bool Host::StoreFromExchange(const std::string& fileName, const std::string& what) {
  MaybeDie("store");
  const std::string source = config_.Device().exchangeDir + fileName;
  std::string bytes;
  if (!platform::Env::Default()->FileExists(source) || !ReadFileBytes(source, bytes)) {
    renderer_.Note("tvkhost: cannot store the " + what + ": " + source + " cannot be read");
    return false;
  }
  std::string dir = options_.outDir;
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += platform::kPathSeparator;
  size_t dot = fileName.rfind('.');
  std::string base = fileName.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : fileName.substr(dot);
  std::string target = dir + base + "-" + StampText(platform::Env::Default()->Now()) + ext;
  for (int n = 2; platform::Env::Default()->FileExists(target); ++n) {
    target = dir + base + "-" + StampText(platform::Env::Default()->Now()) + "-" +
             std::to_string(n) + ext;
  }
  if (!platform::Env::Default()->MakeDirectories(dir.substr(0, dir.size() - 1)) ||
      !WriteFileBytes(target, bytes)) {
    renderer_.Note("tvkhost: cannot store the " + what + ": " + target + " cannot be written");
    return false;
  }
  std::string detail;
  if (fileName == kWynikExp) {
    int accepted = 0;
    for (const std::string& line : SplitLines(bytes)) {
      if (Trim(line).compare(0, 4, "PLU;") == 0) ++accepted;
    }
    detail = " (" + std::to_string(accepted) + " goods accepted by the register)";
  } else if (fileName == kKasaImp) {
    long long value = 0;
    int lines = 0;
    SumImport(bytes, value, lines);
    detail = " (" + std::to_string(lines) + " goods lines, sales value " + Money(value) + " z" +
             "\xB3)";  // "zł" in Windows-1250
  }
  renderer_.Note("tvkhost: " + what + " stored: " + target + detail);
  stored_.push_back(target);
  return true;
}

bool Host::ZapiszWynikEksportu() {
  return StoreFromExchange(kWynikExp, "export result");
}
bool Host::ZapiszImport() {
  return StoreFromExchange(kKasaImp, "sales import");
}
bool Host::ZapiszParagon() {
  return StoreFromExchange(kParagonImp, "receipt");
}

bool Host::OdczytajTowar(char*, const char*) {
  // tvkhost keeps no goods database: every key is unknown.
  return false;
}

void Host::OdswiezParametry() {
  std::string error;
  if (!config_.Reload(error)) renderer_.Note("tvkhost: " + error);
}

bool Host::ZmienParametr(const char* name, const char* value) {
  std::string error;
  if (!config_.StoreParameter(Trim(Str(name)), Str(value), error)) {
    renderer_.Note("tvkhost: " + error);
    return false;
  }
  return true;
}

bool Host::ZajmijZasob(const char* resource) {
  std::string name = Trim(Str(resource));
  auto& lock = locks_[name];
  if (!lock) lock = std::make_unique<platform::InterProcessLock>(name);
  if (lock->TryLock()) {
    if (waitingNoted_[name]) renderer_.Note("tvkhost: shared resource \"" + name + "\" taken");
    waitingNoted_[name] = false;
    return true;
  }
  if (!waitingNoted_[name]) {
    renderer_.Note("tvkhost: waiting for the shared resource \"" + name +
                   "\" (another operation holds it)");
    waitingNoted_[name] = true;
  }
  return false;
}

void Host::ZwolnijZasob(const char* resource) {
  auto it = locks_.find(Trim(Str(resource)));
  if (it != locks_.end()) it->second->Unlock();
}

void Host::KasujFlageAlarmu() {
  // tvkhost raises no alarm of its own, so there is nothing to clear.
}

int Host::WstrzymajOperacje(const char* text, int value) {
  renderer_.Note("tvkhost: the driver asks to hold the operation (" + Str(text) + ", " +
                 std::to_string(value) + "); tvkhost does not hold operations");
  return -1;
}

bool Host::ZapiszStanLicznika(const int* values, int count, const char* time) {
  std::string list;
  for (int i = 0; values != nullptr && i < count; ++i) {
    list += (i > 0 ? ";" : "") + std::to_string(values[i]);
  }
  renderer_.Note("tvkhost: counter states " + list +
                 (time != nullptr ? std::string(" at ") + time : std::string()));
  return true;
}

int Host::DodajTowarZKasy(const char* text1, int, const char* text2, int, const char*, const char*,
                          int, double, double, double, double, int, int, const char*) {
  renderer_.Note("tvkhost: the register offers goods " + Str(text1) + " " + Str(text2) +
                 "; tvkhost keeps no goods database");
  return -1;
}

bool Host::Translate(const char* module, const char* key, const char* defaultText, char* buffer,
                     int size) {
  std::string text;
  bool found = translations_.Find(Str(module), Str(key), text);
  if (size > 0) CopyToBuffer(found ? text : Str(defaultText), buffer, static_cast<size_t>(size));
  return found;
}

}  // namespace tvkhost
