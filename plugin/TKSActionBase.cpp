#include "plugin/TKSActionBase.h"

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"
#include "plugin/TFrmStawkiNaKasie.h"
#include "plugin/TKSLibrary.h"

namespace {

constexpr const char* kModule = "kstools_KSLib";
constexpr char kStatus = '\x01';
constexpr const char* kCrLf = "\r\n";
// The driver's own parameters that keep the rate mappings.
constexpr const char* kStawkiKolejne = "PosortowaneStawkiVat";
constexpr const char* kStawkiKolejnePrec = "PosortowaneStawkiVatPrec";

}  // namespace

int ZnaczenieStanu(LPVState state) {
  switch (state) {
    case LPV_Error:
      return 2;
    case LPV_Warning:
      return 1;
    default:
      return 0;
  }
}

TKSActionBase::TKSActionBase(TKSLibrary* library, HTVKCBARG2 arg2)
    : FLibrary(library), FArg2(arg2) {
  FLibrary->WypelnijDaneUrzadzenia(this);
}

TKSActionBase::~TKSActionBase() = default;

bool TKSActionBase::JakSzukacParagonu(int*, int*, int*) {
  return false;
}

void TKSActionBase::Operacja(HTVKDLLSRODOWISKO*, int, int) {
  throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioOperacjaExceptio",
                                    "Urządzenie nie obsługuje zleconego typu operacji"));
}

std::string TKSActionBase::WlasciwosciUrzadzenia(int code) {
  return code == 1101 || code == 1103 ? "0" : "";
}

TMLgExtTools* TKSActionBase::GetLgLink() const {
  return FLibrary->GetLgLink();
}

const std::vector<std::string>& TKSActionBase::GetFormatyWazone() {
  if (!FFormatyWazone) {
    FFormatyWazone = std::make_unique<std::vector<std::string>>();
    FLibrary->WypelnijFormatyWazone(this, *FFormatyWazone);
  }
  return *FFormatyWazone;
}

TMacSetOfIntegers& TKSActionBase::GetStawkiDostepne() {
  if (!FStawkiDostepne) {
    FStawkiDostepne = std::make_unique<TMacSetOfIntegers>(100);
    FLibrary->WypelnijStawkiVAT(this, *FStawkiDostepne);
  }
  return *FStawkiDostepne;
}

TMacSetOfIntegers& TKSActionBase::GetStawkiDostepnePrec() {
  if (!FStawkiDostepnePrec) {
    FStawkiDostepnePrec = std::make_unique<TMacSetOfIntegers>(100);
    FLibrary->WypelnijStawkiVATPrec(this, *FStawkiDostepnePrec);
  }
  return *FStawkiDostepnePrec;
}

TKSStawkiKolejne& TKSActionBase::GetStawkiKolejne() {
  if (!FStawkiKolejne) {
    auto mapa = std::make_unique<TKSStawkiKolejne>();
    std::string stored;
    ReadParamEx(kStawkiKolejne, stored);
    if (TxTools::Trim(stored).empty()) {
      mapa->WczytajZListyDostepnychStawek(GetStawkiDostepne());
    } else {
      mapa->WczytajZTekstuParametru(stored, false);
    }
    mapa->ObetnijDoTylu(IleMaxStawekKolejnych());
    FStawkiKolejne = std::move(mapa);
  }
  return *FStawkiKolejne;
}

TKSStawkiKolejne& TKSActionBase::GetStawkiKolejnePrec() {
  if (!FStawkiKolejnePrec) {
    auto mapa = std::make_unique<TKSStawkiKolejne>();
    std::string stored;
    ReadParamEx(kStawkiKolejnePrec, stored);
    if (!TxTools::Trim(stored).empty()) {
      mapa->WczytajZTekstuParametru(stored, false);
    } else {
      // No precise mapping yet: the whole-percent one, in hundredths.
      ReadParamEx(kStawkiKolejne, stored);
      if (!TxTools::Trim(stored).empty()) {
        mapa->WczytajZTekstuParametru(stored, true);
      } else {
        mapa->WczytajZListyDostepnychStawek(GetStawkiDostepnePrec());
      }
    }
    mapa->ObetnijDoTylu(IleMaxStawekKolejnych());
    FStawkiKolejnePrec = std::move(mapa);
  }
  return *FStawkiKolejnePrec;
}

void TKSActionBase::ZapiszStawkiKolejne() {
  WriteParamEx(kStawkiKolejne, GetStawkiKolejne().SpiszDoTekstuParametru());
}

void TKSActionBase::ZapiszStawkiKolejnePrec() {
  WriteParamEx(kStawkiKolejnePrec, GetStawkiKolejnePrec().SpiszDoTekstuParametru());
}

bool TKSActionBase::WyswietlOknoStawekNaKasie(const std::string& nazwaStawki, bool edytowalne,
                                              const std::string& specjalna) {
  return PokazOknoStawek(false, nazwaStawki, edytowalne, specjalna);
}

bool TKSActionBase::WyswietlOknoStawekNaKasiePrec(const std::string& nazwaStawki, bool edytowalne,
                                                  const std::string& specjalna) {
  return PokazOknoStawek(true, nazwaStawki, edytowalne, specjalna);
}

bool TKSActionBase::PokazOknoStawek(bool precyzyjne, const std::string& nazwaStawki,
                                    bool edytowalne, const std::string& specjalna) {
  TKSStawkiKolejne& mapa = precyzyjne ? GetStawkiKolejnePrec() : GetStawkiKolejne();
  TFrmStawkiNaKasie okno(TxTools::ApplicationWindow, precyzyjne, GetLgLink());
  okno.SetStawkiMarket(precyzyjne ? GetStawkiDostepnePrec() : GetStawkiDostepne());
  okno.SetStawkiUrzadzenia(mapa, edytowalne);
  okno.SetIloscStawek(IleMaxStawekKolejnych());
  okno.SetNazwaStawki(nazwaStawki);
  if (!specjalna.empty()) {
    okno.StawkaSpecjalna(specjalna, TKSStawkiKolejne::kZwolniona);
    okno.SetSpecjalnaWidoczna(true);
  }
  const platform::DialogResult result = okno.ShowModal();
  if (result == platform::DialogResult::Unavailable) {
    MsgAdd(TMLgExtTools::Get(GetLgLink(), "kstools_fstavat", "TFrmStawShowModalMsgAdd",
                             "Nie można wyświetlić okna stawek VAT na kasie; "
                             "przypisanie stawek pozostaje bez zmian"),
           LPV_Warning, 100);
    return false;
  }
  if (result != platform::DialogResult::Ok || !edytowalne) return false;
  okno.GetStawkiUrzadzenia(mapa);
  if (precyzyjne) {
    ZapiszStawkiKolejnePrec();
  } else {
    ZapiszStawkiKolejne();
  }
  return true;
}

void TKSActionBase::DodajKomunikat(int significance, const std::string& text) {
  FLibrary->DodajKomunikat(this, significance, text);
  FOstatniKomunikat = text;
}

std::string TKSActionBase::ZmienOstatniKomunikat(int significance, const std::string& text) {
  FLibrary->ZmienOstatniKomunikat(this, significance, text);
  std::string previous = FOstatniKomunikat;
  FOstatniKomunikat = text;
  return previous;
}

std::string TKSActionBase::PodajOstatniKomunikat(bool withoutStatus) const {
  if (withoutStatus) {
    size_t pos = FOstatniKomunikat.find(kStatus);
    if (pos != std::string::npos) return FOstatniKomunikat.substr(0, pos);
  }
  return FOstatniKomunikat;
}

void TKSActionBase::MsgAdd(const std::string& text, LPVState state, int max) {
  const std::vector<std::string> lines = TxTools::SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool last = i + 1 == lines.size();
    std::string line = lines[i];
    if (last && state == LPV_Ok) line += std::string(1, kStatus) + "OK";
    if (last && state == LPV_Percent) line += std::string(":") + kStatus + "0 %";
    if (state == LPV_Value) {
      if (last) line += ":";
      line += std::string(1, kStatus) + "0";
    }
    DodajKomunikat(ZnaczenieStanu(state), line);
  }
  if (lines.empty()) return;
  FLastMsg = lines.back();
  FLastState = state;
  FLastMax = max < 1 ? 1 : max;
  FLastProgress = 0;
}

void TKSActionBase::MsgAdd(const char* text, LPVState state, int max) {
  MsgAdd(std::string(text != nullptr ? text : ""), state, max);
}

void TKSActionBase::MsgP(int progress) {
  if (progress == FLastProgress) return;
  FLastProgress = progress;
  if (FLastState == LPV_Percent) {
    long long percent = static_cast<long long>(progress) * 100 / FLastMax;
    ZmienOstatniKomunikat(0, FLastMsg + ":" + kStatus + std::to_string(percent) + " %");
  } else if (FLastState == LPV_Value) {
    ZmienOstatniKomunikat(0, FLastMsg + ":" + kStatus + std::to_string(progress));
  }
}

void TKSActionBase::MsgS(LPVState state) {
  if (state == FLastState) return;
  FLastState = state;
  switch (state) {
    case LPV_Ok:
      ZmienOstatniKomunikat(0, FLastMsg + kStatus + "OK");
      break;
    case LPV_Error:
      ZmienOstatniKomunikat(2, FLastMsg);
      break;
    case LPV_Warning:
      ZmienOstatniKomunikat(1, FLastMsg);
      break;
    case LPV_Percent: {
      long long percent = static_cast<long long>(FLastProgress) * 100 / FLastMax;
      ZmienOstatniKomunikat(0, FLastMsg + ":" + kStatus + std::to_string(percent) + " %");
      break;
    }
    case LPV_Value:
      ZmienOstatniKomunikat(0, FLastMsg + ":" + kStatus + std::to_string(FLastProgress));
      break;
    default:
      ZmienOstatniKomunikat(0, FLastMsg);
      break;
  }
}

std::string TKSActionBase::WartoscParametru(const std::string& name) {
  return FLibrary->WartoscParametru(this, name);
}

int TKSActionBase::ParamAsInt(const std::string& name) {
  return TxTools::StrToIntDef(TxTools::Trim(WartoscParametru(name)), 0);
}

double TKSActionBase::ParamAsDate(const std::string& name) {
  const std::string value = TxTools::Trim(WartoscParametru(name));
  // A date parameter the host left empty means the day of the operation.
  if (value.empty()) return TdtTools::DatePart(TdtTools::Now());
  double date = 0;
  if (!TdtTools::ParseHostDate(value, date)) {
    throw EConvertError("'" + value + "' nie jest poprawną datą (parametr " +
                        TKSLibrary::OpisParametru(name) + ")");
  }
  return TdtTools::DatePart(date);
}

std::string TKSActionBase::ParamAsDir(const std::string& name) {
  platform::Env* env = platform::CurrentEnv();
  const std::string value = WartoscParametru(name);
  if (!env->DirectoryExists(value)) {
    DodajKomunikat(0, TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioParamAsDstr", "Katalog ") +
                          "\"" + value + "\"" +
                          TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioParamAsDstrdir",
                                            " nie istnieje, próba utworzenia"));
    env->MakeDirectories(value);
    if (!env->DirectoryExists(value)) {
      throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioParamAsDstr_00001",
                                        "Próba utworzenia katalogu zakończona błędem"));
    }
  }
  std::string base = value;
  if (base.back() != '\\' && base.back() != '/') base += platform::kPathSeparator;
  // The probe must be a file of our own: a file of that name that was already there (the
  // user's) is neither trusted as proof of write access nor deleted.
  std::string probe = base + "test";
  for (int n = 1; env->FileExists(probe) && n < 100; ++n)
    probe = base + "test." + std::to_string(n);
  if (!env->FileExists(probe)) {
    env->CreateNewFile(probe, "test");
    if (env->FileExists(probe)) {
      env->RemoveFile(probe);
      return value;
    }
  }
  throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioParamAsDstr_00002",
                                    "Torvik nie ma uprawnień do zapisu w katalogu ") +
                  "\"" + value + "\"" +
                  TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioParamAsDstrdir_00001",
                                    ", nadaj uprawnienia aby kontynuować"));
}

void TKSActionBase::ReadParamEx(const std::string& name, std::string& value) {
  value = WartoscParametru(TKSLibrary::NazwaZTypem(name));
}

void TKSActionBase::WriteParamEx(const std::string& name, const std::string& value) {
  ZmienParametr(TKSLibrary::NazwaZTypem(name), value);
}

std::string TKSActionBase::ReadLongParamEx(const std::string& name, int count) {
  std::string value;
  for (int i = 1; i <= count; ++i) {
    std::string part;
    ReadParamEx(name + std::to_string(i), part);
    value += part;
  }
  return value;
}

void TKSActionBase::WriteLongParamEx(const std::string& name, const std::string& value, int count) {
  constexpr size_t kPart = 250;
  std::string rest = value;
  for (int i = 1; i <= count; ++i) {
    const size_t n = rest.size() < kPart ? rest.size() : kPart;
    WriteParamEx(name + std::to_string(i), rest.substr(0, n));
    rest.erase(0, n);
  }
}

void TKSActionBase::ZmienParametr(const std::string& name, const std::string& value) {
  if (!FLibrary->ZmienParametr(this, name, value)) {
    throw Exception(
        TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioZmienParstr",
                          "Błąd zapisu własnego parametru '") +
        name +
        TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioZmienParstr_00001", "' do bazy danych"));
  }
}

void TKSActionBase::OdswiezParametry() {
  FLibrary->OdswiezParametry(this);
}

bool TKSActionBase::CzyPrzerwac() {
  return FLibrary->CzyPrzerwac(this);
}

bool TKSActionBase::HostCanAbort() const {
  return FLibrary->HasAbortService();
}

void TKSActionBase::SprawdzCzyPrzerwac() {
  if (CzyPrzerwac()) throw EAbort();
}

void TKSActionBase::ZapiszWynikEksportu() {
  if (!FLibrary->ZapiszWynikEksportu(this)) {
    throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioZapiszWyExceptio",
                                      "Błąd zapisu wyniku eksportu do bazy danych"));
  }
}

void TKSActionBase::ZapiszKasaImp() {
  if (!FLibrary->ZapiszImport(this)) {
    throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioZapiszKaExceptio",
                                      "Błąd zapisu importu sprzedaży do bazy danych"));
  }
}

void TKSActionBase::ZapiszParagonImp() {
  if (!FLibrary->ZapiszParagon(this)) {
    throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSActioZapiszPaExceptio",
                                      "Błąd zapisu pojedynczego paragonu do bazy danych"));
  }
}

void TKSActionBase::ZajmijZasobSterownika(const std::string& resource) {
  while (!FLibrary->ZajmijZasobSterownika(this, resource)) {
    SprawdzCzyPrzerwac();
    platform::CurrentEnv()->SleepMs(100);
  }
}

void TKSActionBase::ZwolnijZasobSterownika(const std::string& resource) {
  FLibrary->ZwolnijZasobSterownika(this, resource);
}

TKSActionBase::ZasobSterownika::ZasobSterownika(TKSActionBase& action, const std::string& resource,
                                                bool take)
    : action_(nullptr), resource_(resource) {
  if (!take) return;
  action.ZajmijZasobSterownika(resource);
  action_ = &action;
}

TKSActionBase::ZasobSterownika::~ZasobSterownika() {
  if (action_ != nullptr) action_->ZwolnijZasobSterownika(resource_);
}

std::string TKSActionBase::OdczytajTowar(const std::string& key) {
  return FLibrary->OdczytajTowar(this, key);
}

void TKSActionBase::KasujFlageAlarmu() {
  FLibrary->KasujFlageAlarmu(this);
}

int TKSActionBase::WstrzymajOperacje(const std::string& text, int value) {
  return FLibrary->WstrzymajOperacje(this, text, value);
}

void TKSActionBase::ZapiszStanLicznika(const int* values, int count) {
  FLibrary->ZapiszStanLicznika(this, values, count);
}

void TKSActionBase::ZapiszStanICzasLicznika(const int* values, int count, const std::string& time) {
  FLibrary->ZapiszStanICzasLicznika(this, values, count, time);
}

int TKSActionBase::DodajTowarZKasy(const char* text1, int int1, const char* text2, int int2,
                                   const char* text3, const char* text4, int int3, double value1,
                                   double value2, double value3, double value4, int int4, int int5,
                                   const char* text5) {
  return FLibrary->DodajTowarZKasy(this, text1, int1, text2, int2, text3, text4, int3, value1,
                                   value2, value3, value4, int4, int5, text5);
}

void TKSActionBase::OstatecznePrzechwycenieBledu(const std::string& description,
                                                 const std::exception* error) {
  TMLgExtTools* lg = GetLgLink();
  std::string text;
  if (error == nullptr) {
    text = TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr", "Podczas wykonywania operacji '") +
           description +
           TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr_00001",
                             "' wystąpił nierozpoznawalny błąd");
  } else if (dynamic_cast<const EAbort*>(error) != nullptr) {
    text = TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr_00002", "Operacja '") + description +
           TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr_00003", "' została przerwana");
  } else {
    text = TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr_00004",
                             "Podczas wykonywania operacji '") +
           description +
           TMLgExtTools::Get(lg, kModule, "TKSActioOstateczstr_00005", "' wystąpił błąd:") + kCrLf;
    if (const EMException* topics = dynamic_cast<const EMException*>(error)) {
      for (const EMException::Topic& t : topics->Topics()) {
        text += "[" + std::to_string(t.code) + "] " + t.title + kCrLf + t.description + kCrLf;
      }
    } else if (const Exception* own = dynamic_cast<const Exception*>(error)) {
      text += own->Message();
    } else {
      text += error->what();
    }
  }
  MsgAdd(text, LPV_Error, 100);
}
