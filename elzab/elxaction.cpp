#include "elzab/elxaction.h"

#include <algorithm>
#include <functional>

#include "elzab/elxfunctions.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/TKSLibrary.h"
#include "support/TLJWords.h"

namespace {

constexpr const char* kModule = "trelvax_elxaction";
constexpr const char* kHeavyLoadSection = "HeavyLoadSection";

constexpr const char* kSpeeds[] = {"4800", "9600", "19200", "28800", "57600", "115200"};

}  // namespace

TrelvaxAction::TrelvaxAction(TKSLibrary* library, HTVKCBARG2 arg2) : KSAction(library, arg2) {}

TrelvaxAction::~TrelvaxAction() = default;

std::string TrelvaxAction::Tr(const char* key, const char* text) const {
  return TMLgExtTools::Get(ksLgLink, kModule, key, text);
}

// ----- Configuration and working files -----------------------------------------------------

void TrelvaxAction::ReadParams() {
  config.Read(*this, Tr("KSElzabSImportifcfgPort", "PLIK"));
  cfgReceipts = config.cfgReceipts;
  cfgSaleSource = config.cfgSaleSource;
  cfgSaleBufferFV = config.cfgSaleBufferFV;
}

void TrelvaxAction::CreateConfig() {
  if (config.cfgFileMode) return;
  if (config.cfgUserKonfig) {
    if (platform::CurrentEnv()->FileExists(FNameKonfig())) return;
    throw Exception(Tr("KSElzabSCreateCoExceptio", "Brak pliku konfig.txt w katalogu Urz_xxxx"));
  }
  // A value that would cut KONFIG.TXT's one line or shift its ":"-separated fields is no
  // value the programs can be given; they would answer with a format error naming nothing.
  auto value = [this](const char* name, const std::string& text, bool colon) {
    for (const char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f' || (colon && c == ':')) {
        throw Exception(Tr("KSElzabSCreateCoExceptio_00001", "Parametr ") + name +
                        Tr("KSElzabSCreateCoExceptio_00002",
                           " zawiera znak, którego nie można zapisać w pliku KONFIG.TXT "
                           "(znak sterujący lub \":\"); popraw go w parametrach urządzenia"));
      }
    }
    return text;
  };
  std::string line;
  if (config.cfgPort != "LAN") {
    value("ElzabSTXPort", config.cfgPort, true);
    // The host stores the list index; a host that stores the list text itself is understood
    // too, rather than silently given the highest speed.
    const std::string& value = config.cfgRS232Speed;
    const int index = TxTools::StrToIntDef(value, -1);
    const char* speed = index >= 0 && index <= 5 ? kSpeeds[index] : "115200";
    for (const char* text : kSpeeds) {
      if (value == text) speed = text;
    }
    line = TxTools::Format("$%d\t%s:%s:STX0:1\t%d", FNrUrzadzenia, config.cfgPort.c_str(), speed,
                           config.cfgTimeout);
  } else {
    line = TxTools::Format("$%d\t%s:115200:STX6:1\t%d\tElzab\tAnyString:3001:%s:%s:%s:%d:%d",
                           FNrUrzadzenia, "COM1", config.cfgTimeout,
                           value("ElzabSTXIPAddr", config.cfgIPAddr, true).c_str(),
                           value("ElzabSTXIPPort", config.cfgIPPort, true).c_str(),
                           value("ElzabSTXIPAuth", config.cfgIPAuth, true).c_str(),
                           config.cfgIPTimeout, config.cfgIPRet);
  }
  TMFile file(FNameKonfig());
  file.Open();
  file.GotoStart();
  file.Truncate();
  file.WriteLine(line);
  file.Close();
}

std::string TrelvaxAction::WorkDir() {
  return ShortenPathName(FKatalogWymiany);
}

std::string TrelvaxAction::FNameKonfig() {
  return WorkDir() + "KONFIG.TXT";
}
std::string TrelvaxAction::FNameRaport() {
  return WorkDir() + "RAPORT.TXT";
}
std::string TrelvaxAction::FNameRaportArch() {
  return WorkDir() + "RAPORT.arc";
}
std::string TrelvaxAction::FNamePackages() {
  return WorkDir() + "packages.dat";
}
std::string TrelvaxAction::FNameERL() {
  return WorkDir() + "errors.txt";
}

std::string TrelvaxAction::FNameFile(int function, int ext, bool createInFile) {
  const ElzabFunction* f = FindElzabFunction(function);
  // Any other number names no file: the directory itself, which is never taken for one.
  if (f == nullptr) return WorkDir();
  const char* base = f->base;
  static const char* const kExtensions[] = {"", ".in", ".out", ".arc"};
  const std::string path = WorkDir() + base + (ext >= 1 && ext <= 3 ? kExtensions[ext] : "");
  if (createInFile) {
    std::string text;
    if (function == fnCounters) {
      text = "$" + FNameFile(fnSales, 2, false) + "\t" + FNameFile(fnSalesSorted, 2, false) + "\t" +
             FNameFile(fnPackagingReturns, 2, false);
    }
    // Paths are the system's own text: converted like a register's text, a folder named with
    // a Polish letter would name another folder.
    WriteInFile(path, text, false);
  }
  return path;
}

void TrelvaxAction::WriteInFile(const std::string& path, std::string text, bool convert) {
  try {
    TMFile file(path);
    file.Open();
    file.GotoStart();
    file.Truncate();
    file.WriteLine("#" + std::to_string(FNrUrzadzenia));
    file.WriteLine("#");
    file.WriteLine("#");
    if (!text.empty()) {
      if (convert) tools.PlConvert(text);
      file.Write(text);
      file.Write("\r\n");
    }
    file.Close();
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSWriteInFExceptio", "Błąd zapisu pliku wyjściowego ") + path);
  }
}

// ----- Operations -------------------------------------------------------------------------

TrelvaxAction::DirectoryLock::DirectoryLock(TrelvaxAction& action, bool take) {
  if (!take) return;
  platform::Env* env = platform::CurrentEnv();
  const std::string dir = action.WorkDir();
  // Waits as for the shared resource: a try every 100 ms, asking the host whether to stop.
  bool announced = false;
  bool held = false;
  while ((lock_ = env->LockFile(dir + "trelvax.lck", held)) == nullptr) {
    // A directory that cannot hold the lock file cannot hold the operation's files either:
    // the operation goes on, and its first file names the fault.
    if (!held) return;
    if (!announced) {
      action.MsgAdd(action.Tr("KSElzabSLockMsgAdd", "Czekam na koniec innej operacji w katalogu ") +
                        action.FKatalogWymiany + " ...",
                    LPV_None, 100);
      announced = true;
    }
    if (action.CzyPrzerwac()) {
      throw Exception(action.Tr("KSElzabSLockExceptio", "Katalog wymiany ") +
                      action.FKatalogWymiany +
                      action.Tr("KSElzabSLockExceptio_00001",
                                " jest zajęty przez inną operację (drugie stanowisko albo drugie "
                                "urządzenie z tym samym katalogiem); spróbuj ponownie, gdy "
                                "tamta się skończy"));
    }
    env->SleepMs(100);
  }
  if (announced) action.MsgS(LPV_Ok);
}

TrelvaxAction::DirectoryLock::~DirectoryLock() {
  if (lock_ != nullptr) platform::CurrentEnv()->UnlockFile(lock_);
}

void TrelvaxAction::Operacja(HTVKDLLSRODOWISKO* environment, int code, int parameter) {
  // Without the device's exchange directory every working file would land in whatever
  // folder the back office happens to run in, and the programs would run there.
  const bool works = code == -1 || code == -2 || code == -3 || code == -5 || code == -6;
  if (TxTools::Trim(FKatalogWymiany).empty() && works) {
    throw Exception(Tr("KSElzabSOperacjaExceptio",
                       "Urządzenie nie ma katalogu wymiany danych: ustaw go w danych "
                       "urządzenia, nic nie zostało zapisane ani wysłane"));
  }
  // One operation at a time in an exchange directory: two stations importing one register,
  // or two devices left with one directory, would read, write and delete each other's files.
  DirectoryLock lock(*this, works);
  ReadParams();
  if (!TxTools::Trim(FKatalogWymiany).empty()) CreateConfig();
  switch (code) {
    case -1:
      TestConnection();
      break;
    case -2:
      Eksport();
      break;
    case -3:
      Import();
      break;
    case -4:
      break;
    case -5:
      FTrybOnLine = true;
      Eksport();
      break;
    case -6:
      FTrybOnLine = true;
      Import();
      break;
    case -8:
      DodFuncExecute(parameter);
      break;
    default:
      TKSActionBase::Operacja(environment, code, parameter);
      return;
  }
  environment->Wynik = 0;
}

void TrelvaxAction::DodFuncExecute(int) {}

bool TrelvaxAction::JakSzukacParagonu(int* reportNo, int* second, int* receiptNo) {
  if (second != nullptr) *second = -1;
  if (reportNo != nullptr) *reportNo = ParamAsInt("ElzabSTXReportNo");
  if (receiptNo != nullptr) *receiptNo = ParamAsInt("ElzabSTXReceiptNo");
  return true;
}

// ----- Program runner ---------------------------------------------------------------------

void TrelvaxAction::Execute(int function) {
  ZasobSterownika held(*this, kHeavyLoadSection, config.cfgProtectExecution);
  ExecuteOperation(function);
}

void TrelvaxAction::ExecuteOperation(int function) {
  const ElzabFunction* program = FindElzabFunction(function);
  if (program == nullptr || program->program == nullptr) return;
  platform::Env* env = platform::CurrentEnv();
  const std::string path = config.cfgExePath + program->program;
  std::vector<std::string> args;
  args.push_back(FNameFile(function, 1, program->writeInput));
  if (program->hasOutput) args.push_back(FNameFile(function, 2, false));
  // The programs take their paths unquoted: a folder without a short name keeps its blanks,
  // and whether a program takes such a path whole cannot be known from here. Said once.
  if (!blankPathNoted) {
    std::vector<std::string> words{path};
    words.insert(words.end(), args.begin(), args.end());
    auto blank = std::find_if(words.begin(), words.end(), [](const std::string& w) {
      return w.find(' ') != std::string::npos;
    });
    if (blank != words.end()) {
      blankPathNoted = true;
      MsgAdd(Tr("KSElzabSExecuteMsgAdd_00001", "Ścieżka ") + *blank +
                 Tr("KSElzabSExecuteMsgAdd_00002",
                    " zawiera spację: ten folder nie ma krótkiej nazwy, a programy ELZAB mogą "
                    "nie przyjąć takiej ścieżki. Użyj folderu bez spacji albo włącz krótkie "
                    "nazwy na tym dysku (fsutil 8dot3name) i utwórz folder na nowo."),
             LPV_Warning, 100);
    }
  }
  // The verdict must come from this run's own report, never from one an earlier run left.
  env->RemoveFile(FNameRaport());
  if (env->FileExists(FNameRaport())) {
    throw Exception(Tr("KSElzabSExecuteExceptio_00004", "Nie można usunąć starego pliku raportu ") +
                    FNameRaport());
  }
  // A program that never ends must not hold the back office's thread for good: while it
  // runs, the host is asked about once a second whether the person wants to stop. A host
  // without the abort service cannot be asked; "stop" would then only mean "no service" and
  // end every program that runs longer than a second, so the program is left to finish.
  std::function<bool()> stop;
  if (HostCanAbort()) stop = [this] { return CzyPrzerwac(); };
  const platform::RunResult run = env->RunProgram(path, args, FKatalogWymiany, stop);
  if (!run.started) {
    // What tells a technician that an antivirus blocked the program, that it is no 64-bit
    // runnable program or that it wants elevation: the system's reason, a line of its own.
    if (!run.error.empty()) {
      MsgAdd(Tr("KSElzabSExecuteMsgAdd", "Przyczyna: ") + run.error, LPV_Warning, 100);
    }
    throw Exception(Tr("KSElzabSExecuteExceptio", "Błąd uruchomienia ") + path);
  }
  if (run.stopped) {
    // What the ended program had written is only part of its answer; read later as whole it
    // would be wrong data. The register still holds everything, so the next run reads it anew;
    // the outputs of programs that finished stay for the next import.
    if (program->hasOutput) env->RemoveFile(FNameFile(function, 2, false));
    // The counters program writes the three files its input names.
    if (function == fnCounters) {
      for (int part : {fnSales, fnSalesSorted, fnPackagingReturns}) {
        env->RemoveFile(FNameFile(part, 2, false));
      }
    }
    if (run.stuck) {
      // Still there after it was ended: it waits for its device (a USB-serial driver, say).
      // The shared resource goes back on the way out, so that other registers are not kept.
      throw Exception(Tr("KSElzabSExecuteExceptio_00005", "Nie można zakończyć programu ") + path +
                      Tr("KSElzabSExecuteExceptio_00006",
                         ": czeka na urządzenie; odłącz i podłącz kasę albo uruchom komputer "
                         "ponownie, zanim zaczniesz następną operację"));
    }
    ThrowPrzerwac(true);
  }
  if (run.exitCode == 0) return;
  if (!CheckReportFile()) {
    // A program that failed without saying why has still failed: for a goods run the host
    // would otherwise be told the register took goods it never received.
    throw Exception(Tr("KSElzabSExecuteExceptio_00001", "Program ") + path +
                    Tr("KSElzabSExecuteExceptio_00002", " zakończył pracę z kodem ") +
                    std::to_string(run.exitCode) +
                    Tr("KSElzabSExecuteExceptio_00003", " bez raportu wyniku w pliku ") +
                    FNameRaport());
  }
}

bool TrelvaxAction::CheckReportFile() {
  const std::string path = FNameRaport();
  if (!platform::CurrentEnv()->FileExists(path)) return false;
  std::string line;
  bool hasResult = false;
  try {
    TMFile report(path);
    report.SetReadOnly(true);
    report.Open();
    report.ReadLine(line);
    line.clear();
    hasResult = report.ReadLine(line);
    report.Close();
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSCheckRepExceptio", "Błąd odczytu pliku raportu ") + path);
  }
  if (!hasResult) return false;
  const std::string rest = line.empty() ? line : line.substr(1);
  const size_t semicolon = rest.find(';');
  const std::string codeText =
      TxTools::Trim(semicolon == std::string::npos ? rest : rest.substr(0, semicolon));
  const std::string description =
      semicolon == std::string::npos ? std::string() : TxTools::Trim(rest.substr(semicolon + 1));
  const int code = TxTools::StrToIntDef(codeText, 0);
  if (code == 0) return true;
  throw Exception("Błąd [" + std::to_string(code) +
                  "]: " + (description.empty() ? GetErrMsg(code) : description));
}

int TrelvaxAction::CheckReportFileErrorPLU() {
  const std::string path = FNameRaport();
  if (!platform::CurrentEnv()->FileExists(path)) {
    throw Exception(Tr("KSElzabSCheckRapExceptio_00001", "Brak pliku raportu ") + path);
  }
  tools.ArchiveFile(path, FNameRaportArch(), GetLgLink(), false, -1, true, "");
  std::string tenth;
  try {
    TMFile report(path);
    report.SetReadOnly(true);
    report.Open();
    std::string line;
    for (int i = 0; i < 10; ++i) {
      line.clear();
      if (!report.ReadLine(line)) line.clear();
    }
    tenth = line;
    report.Close();
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSCheckRapExceptio", "Błąd odczytu pliku raportu ") + path);
  }
  const std::string field = TxTools::SelectWord(tenth, 2, '\t');
  return TxTools::StrToIntDef(TxTools::Trim(field.empty() ? field : field.substr(1)), 0);
}

void TrelvaxAction::CheckZBPTOWARFileErrorPLU() {
  pluRejected = std::make_unique<std::set<std::string>>();
  const std::string path = FNameFile(fnSendGoods, 2, false);
  if (!platform::CurrentEnv()->FileExists(path)) return;
  TMFile out(path);
  out.SetReadOnly(true);
  out.Open();
  std::string line;
  while (out.ReadLine(line)) {
    if (line.empty() || line[0] != '$') continue;
    int plu = 0;
    int code = 0;
    // A refused PLU without its code is still refused: the host must not be told the
    // register took it.
    const std::string pluWord = TxTools::SelectWord(line.substr(1), 0, '\t');
    const std::string pluText = TxTools::TrimLeft(pluWord);
    const size_t digit = pluText.find_first_of("0123456789");
    if (digit == std::string::npos || digit > 1 ||
        (digit == 1 && pluText[0] != '-' && pluText[0] != '+'))
      continue;
    plu = TxTools::LeadingInt(pluText);
    code = TxTools::LeadingInt(TxTools::SelectWord(line.substr(1), 1, '\t'));
    pluRejected->insert(std::to_string(plu));
    AddWarning("PLU: " + std::to_string(plu) + " (" + GetErrMsg(code) + ")", logError.get());
  }
  out.Close();
}

bool TrelvaxAction::OutputComplete(const std::string& path) {
  int last = -1;
  try {
    TMFile file(path);
    file.SetReadOnly(true);
    file.Open();
    last = file.LastByte();
    file.Close();
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path);
  }
  // A bare LF is taken as a line end too, as the line reader takes it.
  return last == -1 || last == '\n';
}

std::string TrelvaxAction::OutputError(const std::string& path, const std::string& detail) {
  return Tr("KSElzabSOutputExceptio", "Błąd odczytu pliku ") + path + ": " + detail;
}

void TrelvaxAction::CheckOutputComplete(const std::string& path) {
  if (!OutputComplete(path)) {
    throw Exception(OutputError(
        path, Tr("KSElzabSOutputExceptio_00001", "plik urwany, ostatni wiersz niepełny")));
  }
}

void TrelvaxAction::ThrowDamagedOutput(const std::string& path, int line) {
  throw Exception(OutputError(
      path, Tr("KSElzabSOutputExceptio_00002", "nieczytelny wiersz ") + std::to_string(line)));
}

void TrelvaxAction::ThrowPrzerwac(bool asked) {
  if (asked || CzyPrzerwac()) {
    throw Exception(Tr("KSElzabSThrowPrzExceptio", "Operacja przerwana przez użytkownika"));
  }
}

// ----- Identification -----------------------------------------------------------------------

void TrelvaxAction::TestConnection() {
  CheckType(true);
}

void TrelvaxAction::CheckType(bool print) {
  MsgAdd(Tr("KSElzabSTestConnMsgAdd", "Odczyt typu kasy ..."), LPV_None, 100);
  Execute(fnRegisterType);
  MsgS(LPV_Ok);
  const std::string outPath = FNameFile(fnRegisterType, 2, false);
  platform::Env* env = platform::CurrentEnv();
  auto removeWorkingFiles = [&] {
    env->RemoveFile(FNameFile(fnRegisterType, 1, false));
    env->RemoveFile(outPath);
  };
  try {
    std::string fourth;
    bool hasFourth = false;
    {
      if (!OutputComplete(outPath)) {
        throw Exception(Tr("KSElzabSOutputExceptio_00001", "plik urwany, ostatni wiersz niepełny"));
      }
      TMFile out(outPath);
      out.SetReadOnly(true);
      out.Open();
      std::string line;
      for (int i = 0; i < 4; ++i) {
        line.clear();
        hasFourth = out.ReadLine(line);
        if (!hasFourth) line.clear();
      }
      fourth = line;
      out.Close();
    }
    TLJWords fields("\t");
    fields.Init(fourth.empty() ? fourth : fourth.substr(1));
    // The register always writes its own number: an identification line without one is
    // damaged, and a model or capacity read from it would only be guessed.
    int deviceNumber = 0;
    if (hasFourth && !TxTools::TryStrToInt(TxTools::Trim(fields[1]), deviceNumber)) {
      throw Exception(Tr("KSElzabSOutputExceptio_00002", "nieczytelny wiersz ") + "4");
    }
    const std::string model = fields[3];
    const std::string upper = TxTools::UpperCase(model);
    auto has = [&](const char* part) { return upper.find(part) != std::string::npos; };
    std::string shown;
    if (has("K10") && has("ONLINE")) {
      cfgType = t_K10_Online, shown = "K10 ONLINE";
    } else if (has("K10")) {
      cfgType = t_K10, shown = "K10";
    } else if (has("MINI") && has("ONLINE")) {
      cfgType = t_Mini_Online, shown = "Mini ONLINE";
    } else if (has("JOTA") && has("ONLINE")) {
      cfgType = t_Jota_Online, shown = "Jota ONLINE";
    } else if (has("SIGMA")) {
      cfgType = t_Sigma, shown = "Sigma";
    } else {
      cfgType = t_Default, shown = "<nie rozpoznano>";
    }
    cfgPLUMax = TxTools::StrToIntDef(TxTools::Trim(fields[4]), 10000);
    cfgNameMax = cfgType == t_Sigma ? 48 : 40;
    if (print) {
      MsgAdd(Tr("bSTestConnMsgAddAnsiStri", "Numer urządzenia: ") + fields[1], LPV_None, 100);
      MsgAdd(Tr("bSTestConnMsgAddAnsiStri_00001", "Model kasy: ") + model, LPV_None, 100);
      MsgAdd(Tr("bSTestConnMsgAddAnsiStri_00002", "Maksymalna ilość PLU w kasie: ") + fields[4],
             LPV_None, 100);
      MsgAdd(Tr("bSTestConnMsgAddAnsiStri_00003", "Numer generacji kasy: ") + fields[5], LPV_None,
             100);
      MsgAdd(Tr("bSTestConnMsgAddAnsiStri_00004", "Numer wersji programu kasy: ") + fields[6],
             LPV_None, 100);
      MsgAdd("Rozpoznano model: " + shown + " [ Ilość PLU:" + std::to_string(cfgPLUMax) +
                 " | Długość nazwy towaru:" + std::to_string(cfgNameMax) + " ]",
             LPV_None, 100);
    }
    removeWorkingFiles();
  } catch (const std::exception& e) {
    removeWorkingFiles();
    const Exception* own = dynamic_cast<const Exception*>(&e);
    throw Exception(Tr("KSElzabSTestConnExceptio", "Błąd odczytu pliku raportu ") + outPath + " " +
                    (own != nullptr ? own->Message() : std::string(e.what())));
  }
}

std::string TrelvaxAction::NazwaZasobuDzielonego() {
  const std::string port = WartoscParametru("ElzabSTXPort");
  if (port == Tr("ElzabSNazwaZasifWartoscP", "PLIK")) return {};
  if (port == "LAN")
    return WartoscParametru("ElzabSTXIPAddr") + ":" + WartoscParametru("ElzabSTXIPPort");
  return port;
}

std::string TrelvaxAction::WlasciwosciUrzadzenia(int code) {
  switch (code) {
    case 1101:
      return "0";
    case 1102:
      return NazwaZasobuDzielonego();
    case 1103:
      return "1";
    case 1104:
      return "-1";
    default:
      return {};
  }
}

// ----- VAT table ----------------------------------------------------------------------------

void TrelvaxAction::GetVatFromECR() {
  MsgAdd(Tr("KSElzabSGetVatFrMsgAdd", "Odczyt tablicy stawek VAT z kasy"), LPV_None, 100);
  Execute(fnReadVat);
  MsgS(LPV_Ok);
  const std::string path = FNameFile(fnReadVat, 2, false);
  int damaged = 0;
  try {
    const bool complete = OutputComplete(path);
    TMFile out(path);
    out.SetReadOnly(true);
    out.Open();
    std::string line;
    TLJWords fields("\t");
    int number = 0;
    while (out.ReadLine(line)) {
      ++number;
      if (line.empty() || line[0] != '$') continue;
      fields.Init(line.substr(1));
      for (int i = 0; i < 7; ++i) {
        const std::string field = TxTools::TrimSpaces(fields[i]);
        if (field == "ZWOLNIONA") {
          vatRates[i] = -1;
        } else if (field == "REZERWA") {
          vatRates[i] = 999;
        } else {
          // A rate is digits with a comma (or a point); anything else is a damaged table, and
          // reading it as 0 would give goods the wrong rate on a fiscal register.
          if (field.find_first_not_of("0123456789,.+- ") != std::string::npos && damaged == 0) {
            damaged = number;
          }
          vatRates[i] = TxTools::LeadingInt(TxTools::DeleteChars(field, ","));
        }
      }
    }
    out.Close();
    if (!complete && damaged == 0) damaged = -1;
  } catch (const Exception&) {
    throw Exception(Tr("KSElzabSGetVatFrExceptio", "Błąd odczytu pliku :") + path);
  }
  if (damaged == -1) CheckOutputComplete(path);
  if (damaged > 0) ThrowDamagedOutput(path, damaged);
}

int TrelvaxAction::VatLetter(int rate) const {
  for (int slot = 1; slot <= 7; ++slot) {
    if (vatRates[slot - 1] == rate) return slot;
  }
  return 999;
}
