#include "elzab/elxaction.h"

#include <algorithm>
#include <functional>

#include "elzab/TTrelvaxLibrary.h"
#include "elzab/elxfunctions.h"
#include "elzab/elxrecords.h"
#include "elzab/elxtext.h"
#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/TKSLibrary.h"
#include "support/TLJWords.h"

namespace {

constexpr const char* kSpeeds[] = {"4800", "9600", "19200", "28800", "57600", "115200"};

}  // namespace

TrelvaxAction::TrelvaxAction(TKSLibrary* library, HTVKCBARG2 arg2) : KSAction(library, arg2) {}

TrelvaxAction::~TrelvaxAction() = default;

// ----- Configuration and working files -----------------------------------------------------

void TrelvaxAction::ReadParams() {
  config_.Read(*this, ElzabText("KSElzabSImportifcfgPort", "PLIK"));
}

void TrelvaxAction::CheckConnection() {
  if (config_.cfgFileMode) return;
  // An empty folder would run the programs from the drive's root.
  if (!config_.cfgExePathGiven) {
    throw Exception(ElzabText("KSElzabSCheckConExceptio", "Parametr ") +
                    ParameterShown("ElzabSTXExePath") +
                    ElzabText("KSElzabSCheckConExceptio_00001",
                              " jest pusty: wpisz w nim katalog programów komunikacyjnych ELZAB"));
  }
  // A KONFIG.TXT of the user's own names the register itself.
  if (config_.cfgPort == "LAN" && !config_.cfgUserKonfig) {
    // Without an address or with a port that is no port the programs would run and answer
    // "Błąd [15]: Niepoprawne dane w pliku konfiguracji", naming nothing.
    if (TxTools::Trim(config_.cfgIPAddr).empty()) {
      throw Exception(
          ElzabText("KSElzabSCheckConExceptio_00002", "Parametr ") +
          ParameterShown("ElzabSTXIPAddr") +
          ElzabText("KSElzabSCheckConExceptio_00003", " jest pusty: wpisz w nim adres IP kasy"));
    }
    const std::string& port = config_.cfgIPPort;
    const bool digits = !port.empty() && port.size() <= 5 &&
                        port.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535) {
      throw Exception(ElzabText("KSElzabSCheckConExceptio_00004", "Parametr ") +
                      ParameterShown("ElzabSTXIPPort") +
                      (port.empty()
                           ? ElzabText("KSElzabSCheckConExceptio_00005",
                                       " jest pusty: wpisz w nim numer portu kasy, od 1 do 65535")
                           : ElzabText("KSElzabSCheckConExceptio_00006", " ma wartość '") +
                                 records::Shown(port) +
                                 ElzabText("KSElzabSCheckConExceptio_00007",
                                           "', a musi to być numer portu kasy, od 1 do 65535")));
    }
  }
}

void TrelvaxAction::CreateConfig() {
  if (config_.cfgFileMode) return;
  if (config_.cfgUserKonfig) {
    if (platform::CurrentEnv()->FileExists(runner_.FNameKonfig())) return;
    throw Exception(
        ElzabText("KSElzabSCreateCoExceptio", "Brak pliku konfig.txt w katalogu Urz_xxxx"));
  }
  // A value that would cut KONFIG.TXT's one line or shift its ":"-separated fields is no
  // value the programs can be given; they would answer with a format error naming nothing.
  auto value = [](const char* name, const std::string& text, bool colon) {
    for (const char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f' || (colon && c == ':')) {
        throw Exception(
            ElzabText("KSElzabSCreateCoExceptio_00001", "Parametr ") + ParameterShown(name) +
            ElzabText("KSElzabSCreateCoExceptio_00002",
                      " zawiera znak, którego nie można zapisać w pliku KONFIG.TXT "
                      "(znak sterujący lub \":\"); popraw go w parametrach urządzenia"));
      }
    }
    return text;
  };
  std::string line;
  if (config_.cfgPort != "LAN") {
    value("ElzabSTXPort", config_.cfgPort, true);
    // The host stores the list index; a host that stores the list text itself is understood
    // too, rather than silently given the highest speed.
    const std::string& value = config_.cfgRS232Speed;
    const int index = TxTools::StrToIntDef(value, -1);
    const char* speed = index >= 0 && index <= 5 ? kSpeeds[index] : "115200";
    for (const char* text : kSpeeds) {
      if (value == text) speed = text;
    }
    line = TxTools::Format("$%d\t%s:%s:STX0:1\t%d", FNrUrzadzenia, config_.cfgPort.c_str(), speed,
                           config_.cfgTimeout);
  } else {
    line = TxTools::Format("$%d\t%s:115200:STX6:1\t%d\tElzab\tAnyString:3001:%s:%s:%s:%d:%d",
                           FNrUrzadzenia, "COM1", config_.cfgTimeout,
                           value("ElzabSTXIPAddr", config_.cfgIPAddr, true).c_str(),
                           value("ElzabSTXIPPort", config_.cfgIPPort, true).c_str(),
                           value("ElzabSTXIPAuth", config_.cfgIPAuth, true).c_str(),
                           config_.cfgIPTimeout, config_.cfgIPRet);
  }
  TMFile file(runner_.FNameKonfig());
  file.Open();
  file.GotoStart();
  file.Truncate();
  file.WriteLine(line);
  file.Close();
}

// ----- Operations -------------------------------------------------------------------------

TrelvaxAction::DirectoryLock::DirectoryLock(TrelvaxAction& action, bool take) {
  if (!take) return;
  platform::Env* env = platform::CurrentEnv();
  const std::string dir = action.Runner().WorkDir();
  // Waits as for the shared resource: a try every 100 ms, asking the host whether to stop.
  bool announced = false;
  bool held = false;
  const std::string path = dir + "trelvax.lck";
  while ((lock_ = env->LockFile(path, held)) == nullptr) {
    // Not held by another: the lock cannot be had at all (a folder that is not there, one the
    // user may not write to, a folder under the lock's name). Waiting would never end, and the
    // operation must never run without it.
    if (!held) {
      const std::string reason = platform::FileErrorReason(path);
      throw Exception(
          ElzabText("KSElzabSLockFailExceptio", "Nie można utworzyć pliku blokady '") + path +
          "': " + reason +
          ElzabText("KSElzabSLockFailExceptio_00001",
                    "; sprawdź, czy katalog wymiany istnieje, czy wolno w nim zapisywać i czy "
                    "nie ma w nim folderu o tej nazwie (nic nie zostało zapisane ani "
                    "wysłane)"));
    }
    if (!announced) {
      action.MsgAdd(ElzabText("KSElzabSLockMsgAdd", "Czekam na koniec innej operacji w katalogu ") +
                        action.FKatalogWymiany + " ...",
                    LPV_None, 100);
      announced = true;
    }
    if (action.CzyPrzerwac()) {
      throw Exception(ElzabText("KSElzabSLockExceptio", "Katalog wymiany ") +
                      action.FKatalogWymiany +
                      ElzabText("KSElzabSLockExceptio_00001",
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
    throw Exception(ElzabText("KSElzabSOperacjaExceptio",
                              "Urządzenie nie ma katalogu wymiany danych: ustaw go w danych "
                              "urządzenia, nic nie zostało zapisane ani wysłane"));
  }
  // One operation at a time in an exchange directory: two stations importing one register,
  // or two devices left with one directory, would read, write and delete each other's files.
  DirectoryLock lock(*this, works);
  ReadParams();
  // Refused before anything is written or run.
  if (works) CheckConnection();
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

void TrelvaxAction::Eksport() {
  export_.Eksport();
}

void TrelvaxAction::Import() {
  config_.ReadImportDate(*this);
  import_.Import(config_.cfgImportDate);
}

bool TrelvaxAction::JakSzukacParagonu(int* reportNo, int* second, int* receiptNo) {
  if (second != nullptr) *second = -1;
  if (reportNo != nullptr) *reportNo = ParamAsInt("ElzabSTXReportNo");
  if (receiptNo != nullptr) *receiptNo = ParamAsInt("ElzabSTXReceiptNo");
  return true;
}

// ----- Identification -----------------------------------------------------------------------

void TrelvaxAction::TestConnection() {
  // File mode reads no register: running the identification with whatever KONFIG.TXT lies in
  // the directory would test a port the device does not use.
  if (config_.cfgFileMode) {
    MsgAdd(ElzabText("KSElzabSTestFileMsgAdd",
                     "Ustawione złącze PLIK: sterownik nie łączy się z kasą, tylko bierze pliki "
                     "importu z katalogu wymiany, więc test połączenia niczego nie uruchamia. Aby "
                     "sprawdzić połączenie z kasą, ustaw jej złącze (COM albo LAN)."),
           LPV_Warning, 100);
    return;
  }
  register_.CheckType(true);
}

std::string TrelvaxAction::NazwaZasobuDzielonego() {
  const std::string port = WartoscParametru("ElzabSTXPort");
  if (port == ElzabText("ElzabSNazwaZasifWartoscP", "PLIK")) return {};
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
