#include "plugin/TKSLibrary.h"

#include <cstring>
#include <limits>

#include "hostlib/Exceptions.h"
#include "hostlib/TMacSetOfIntegers.h"
#include "hostlib/TxTools.h"
#include "plugin/TKSActionBase.h"

// Registration and release may come from any host thread while another runs an operation.
std::atomic<TKSLibrary*> ksLibrary{nullptr};
std::atomic<TMLgExtTools*> ksLgLink{nullptr};

namespace {

constexpr const char* kModule = "kstools_KSLib";
constexpr size_t kHostBuffer = TVKDLL_TEXT_SIZE;

// A cleared buffer for a host service to write into, read back cut at `max`.
class ServiceBuffer {
 public:
  explicit ServiceBuffer(size_t size) : bytes_(size, '\0') {}
  char* data() { return bytes_.data(); }
  std::string Text(size_t max) {
    bytes_[bytes_.size() - 1] = '\0';
    size_t n = std::strlen(bytes_.data());
    return std::string(bytes_.data(), n < max ? n : max);
  }

 private:
  std::vector<char> bytes_;
};

// The module-wide link must not outlive the link it names.
void ForgetLink(TMLgExtTools* link) {
  if (link != nullptr) ksLgLink.compare_exchange_strong(link, nullptr);
}

// A host lists a handful of VAT rates and weighed-goods formats. One whose list never ends
// (it answers TRUE for every position) would hold the operation in a loop for good.
constexpr int kMaxListEntries = 1000;

template <typename T>
T As(void* function) {
  return reinterpret_cast<T>(function);
}

}  // namespace

TKSLibrary::TKSLibrary(HTVKCBARG1 arg1) : FArg1(arg1) {}

TKSLibrary::~TKSLibrary() {
  // The module-wide pointer must not outlive the library it names.
  TKSLibrary* self = this;
  ksLibrary.compare_exchange_strong(self, nullptr);
  ForgetLink(FLgLink.get());
}

BOOL TKSLibrary::PokazOkno(TKSActionBase*, int, bool, int*, char*) {
  return 0;
}

void TKSLibrary::WeryfikujTypSesji(HTVKDLLSKSESJA session, const std::string&) {
  if (session != nullptr) {
    throw Exception(TMLgExtTools::Get(GetLgLink(), kModule, "TKSLibraWeryfikuExceptio",
                                      "Niezgodny typ sesji w sterowniku"));
  }
}

void TKSLibrary::PodtrzymajSesje(HTVKDLLSKSESJA*, std::string&, int, bool) {}

void TKSLibrary::RejestrujCallback(void* function, int code) {
  switch (code) {
    case TVKDLL_CB_CZY_PRZERWAC:
      FCBCzyPrzerwac = As<TVKDLLCBCzyPrzerwac>(function);
      break;
    case TVKDLL_CB_WARTOSC_PARAMETRU:
      FCBWartoscParametru = As<TVKDLLCBWartoscParametru>(function);
      break;
    case TVKDLL_CB_DANE_URZADZENIA:
      FCBDaneUrzadzenia = As<TVKDLLCBDaneUrzadzenia>(function);
      break;
    case TVKDLL_CB_DODAJ_KOMUNIKAT:
      FCBDodajKomunikat = As<TVKDLLCBDodajKomunikat>(function);
      break;
    case TVKDLL_CB_ZMIEN_OSTATNI_KOMUNIKAT:
      FCBZmienOstatniKomunikat = As<TVKDLLCBZmienOstatniKomunikat>(function);
      break;
    case TVKDLL_CB_FORMAT_WAZONY:
      FCBFormatWazony = As<TVKDLLCBFormatWazony>(function);
      break;
    case TVKDLL_CB_STAWKA_VAT:
      FCBStawkaVAT = As<TVKDLLCBStawkaVAT>(function);
      break;
    case TVKDLL_CB_STAWKA_VAT_PREC:
      FCBStawkaVATPrec = As<TVKDLLCBStawkaVATPrec>(function);
      break;
    case TVKDLL_CB_ZAPISZ_WYNIK_EKSPORTU:
      FCBZapiszWynikEksportu = As<TVKDLLCBZapiszWynikEksportu>(function);
      break;
    case TVKDLL_CB_ZAPISZ_IMPORT:
      FCBZapiszImport = As<TVKDLLCBZapiszImport>(function);
      break;
    case TVKDLL_CB_ZAPISZ_PARAGON:
      FCBZapiszParagon = As<TVKDLLCBZapiszParagon>(function);
      break;
    case TVKDLL_CB_ODCZYTAJ_TOWAR:
      FCBOdczytajTowar = As<TVKDLLCBOdczytajTowar>(function);
      break;
    case TVKDLL_CB_ODSWIEZ_PARAMETRY:
      FCBOdswiezParametry = As<TVKDLLCBOdswiezParametry>(function);
      break;
    case TVKDLL_CB_ZMIEN_PARAMETR:
      FCBZmienParametr = As<TVKDLLCBZmienParametr>(function);
      break;
    case TVKDLL_CB_ZAJMIJ_ZASOB:
      FCBZajmijZasobSterownika = As<TVKDLLCBZajmijZasobSterownika>(function);
      break;
    case TVKDLL_CB_ZWOLNIJ_ZASOB:
      FCBZwolnijZasobSterownika = As<TVKDLLCBZwolnijZasobSterownika>(function);
      break;
    case TVKDLL_CB_KASUJ_FLAGE_ALARMU:
      FCBKasujFlageAlarmu = As<TVKDLLCBKasujFlageAlarmu>(function);
      break;
    case TVKDLL_CB_WSTRZYMAJ_OPERACJE:
      FCBWstrzymajOperacje = As<TVKDLLCBWstrzymajOperacje>(function);
      break;
    case TVKDLL_CB_ZAPISZ_STAN_LICZNIKA:
      FCBZapiszStanLicznika = As<TVKDLLCBZapiszStanLicznika>(function);
      break;
    case TVKDLL_CB_ZAPISZ_STAN_I_CZAS_LICZNIKA:
      FCBZapiszStanICzasLicznika = As<TVKDLLCBZapiszStanICzasLicznika>(function);
      break;
    case TVKDLL_CB_DODAJ_TOWAR_Z_KASY:
      FCBDodajTowarZKasy = As<TVKDLLCBDodajTowarZKasy>(function);
      break;
    case TVKDLL_CB_JEZYK: {
      ForgetLink(FLgLink.get());
      FLgLink.reset();
      const TVKDLLJezyk* language = static_cast<const TVKDLLJezyk*>(function);
      if (language != nullptr) {
        FLgLink = std::make_unique<TMLgExtTools>(language->context, language->GetString);
      }
      break;
    }
    default:
      break;
  }
}

bool TKSLibrary::ZgodnaNazwaParametru(const std::string& a, const std::string& b) {
  const std::string ta = TxTools::UpperCase(TxTools::Trim(a));
  return !ta.empty() && ta == TxTools::UpperCase(TxTools::Trim(b));
}

std::string TKSLibrary::OpisParametru(const std::string& name) {
  // The host reads the table group by group, each until a type of 0; so does this.
  for (int group = 101; group <= 107; ++group) {
    for (int index = 0; index < 1000; ++index) {
      std::string rowName, description, defaultValue, text1, text2;
      int flag = 0;
      if (Parametr(group, index, rowName, description, defaultValue, text1, text2, flag) == 0) {
        break;
      }
      if (ZgodnaNazwaParametru(rowName, name) && !description.empty()) {
        return "\"" + description + "\", " + name;
      }
    }
  }
  return name;
}

std::string TKSLibrary::NazwaZTypem(const std::string& name) {
  return TxTools::Trim(Wlasciwosci(2)) + "_" + TxTools::Trim(name);
}

bool TKSLibrary::CzyPrzerwac(TKSActionBase* action) {
  if (FCBCzyPrzerwac == nullptr) return true;
  return FCBCzyPrzerwac(FArg1, action->Arg2()) != 0;
}

std::string TKSLibrary::WartoscParametru(TKSActionBase* action, const std::string& name) {
  if (FCBWartoscParametru == nullptr) return {};
  ServiceBuffer value(kHostBuffer);
  FCBWartoscParametru(FArg1, action->Arg2(), TxTools::Trim(name).c_str(), value.data());
  return value.Text(kHostBuffer - 1);
}

void TKSLibrary::WypelnijDaneUrzadzenia(TKSActionBase* action) {
  action->FIdUrzadzenia = -1;
  action->FNrUrzadzenia = 0;
  action->FNazwaUrzadzenia.clear();
  action->FNazwaStanowiska.clear();
  action->FKatalogWymiany.clear();
  if (FCBDaneUrzadzenia == nullptr) return;
  ServiceBuffer device(kHostBuffer), station(kHostBuffer), dir(TVKDLL_DIR_SIZE);
  FCBDaneUrzadzenia(FArg1, action->Arg2(), &action->FIdUrzadzenia, &action->FNrUrzadzenia,
                    device.data(), station.data(), dir.data());
  action->FNazwaUrzadzenia = device.Text(300);
  action->FNazwaStanowiska = station.Text(300);
  action->FKatalogWymiany = dir.Text(260);
}

void TKSLibrary::DodajKomunikat(TKSActionBase* action, int significance, const std::string& text) {
  if (FCBDodajKomunikat != nullptr) {
    FCBDodajKomunikat(FArg1, action->Arg2(), significance, TxTools::Trim(text).c_str());
  }
}

void TKSLibrary::ZmienOstatniKomunikat(TKSActionBase* action, int significance,
                                       const std::string& text) {
  if (FCBZmienOstatniKomunikat != nullptr) {
    FCBZmienOstatniKomunikat(FArg1, action->Arg2(), significance, TxTools::Trim(text).c_str());
  }
}

void TKSLibrary::WypelnijFormatyWazone(TKSActionBase* action, std::vector<std::string>& formats) {
  formats.clear();
  if (FCBFormatWazony == nullptr) return;
  for (int index = 0; index < kMaxListEntries; ++index) {
    ServiceBuffer text(kHostBuffer);
    if (FCBFormatWazony(FArg1, action->Arg2(), index, text.data()) == 0) break;
    std::string format = TxTools::Trim(text.Text(300));
    if (format.empty()) break;
    formats.push_back(format);
  }
}

void TKSLibrary::WypelnijStawkiVAT(TKSActionBase* action, TMacSetOfIntegers& rates) {
  rates.Clear();
  if (FCBStawkaVAT == nullptr) return;
  for (int index = 0; index < kMaxListEntries; ++index) {
    int rate = 0;
    if (FCBStawkaVAT(FArg1, action->Arg2(), index, &rate) == 0) break;
    rates.Add(rate);
  }
}

void TKSLibrary::WypelnijStawkiVATPrec(TKSActionBase* action, TMacSetOfIntegers& rates) {
  rates.Clear();
  TVKDLLCBStawkaVATPrec service = FCBStawkaVATPrec != nullptr ? FCBStawkaVATPrec : FCBStawkaVAT;
  if (service == nullptr) return;
  const bool wholePercent = FCBStawkaVATPrec == nullptr;
  for (int index = 0; index < kMaxListEntries; ++index) {
    int rate = 0;
    if (service(FArg1, action->Arg2(), index, &rate) == 0) break;
    if (wholePercent && rate > 0) {
      // No whole-percent rate is that large: one that would not fit in hundredths is no rate.
      if (rate > std::numeric_limits<int>::max() / 100) continue;
      rate *= 100;
    }
    rates.Add(rate);
  }
}

bool TKSLibrary::ZapiszWynikEksportu(TKSActionBase* action) {
  return FCBZapiszWynikEksportu != nullptr && FCBZapiszWynikEksportu(FArg1, action->Arg2()) != 0;
}

bool TKSLibrary::ZapiszImport(TKSActionBase* action) {
  return FCBZapiszImport != nullptr && FCBZapiszImport(FArg1, action->Arg2()) != 0;
}

bool TKSLibrary::ZapiszParagon(TKSActionBase* action) {
  return FCBZapiszParagon != nullptr && FCBZapiszParagon(FArg1, action->Arg2()) != 0;
}

std::string TKSLibrary::OdczytajTowar(TKSActionBase* action, const std::string& key) {
  if (FCBOdczytajTowar == nullptr) return {};
  ServiceBuffer text(TVKDLL_GOODS_SIZE);
  if (FCBOdczytajTowar(FArg1, action->Arg2(), text.data(), TxTools::Trim(key).c_str()) == 0) {
    return {};
  }
  return text.Text(TVKDLL_GOODS_SIZE - 1);
}

void TKSLibrary::OdswiezParametry(TKSActionBase* action) {
  if (FCBOdswiezParametry != nullptr) FCBOdswiezParametry(FArg1, action->Arg2());
}

bool TKSLibrary::ZmienParametr(TKSActionBase* action, const std::string& name,
                               const std::string& value) {
  if (FCBZmienParametr == nullptr) return false;
  return FCBZmienParametr(FArg1, action->Arg2(), TxTools::Trim(name).c_str(),
                          TxTools::Trim(value).c_str()) != 0;
}

bool TKSLibrary::ZajmijZasobSterownika(TKSActionBase* action, const std::string& resource) {
  // A resource that could be taken but never given back would block every later operation.
  if (FCBZajmijZasobSterownika == nullptr || FCBZwolnijZasobSterownika == nullptr) return false;
  return FCBZajmijZasobSterownika(FArg1, action->Arg2(), TxTools::Trim(resource).c_str()) != 0;
}

void TKSLibrary::ZwolnijZasobSterownika(TKSActionBase* action, const std::string& resource) {
  if (FCBZwolnijZasobSterownika != nullptr) {
    FCBZwolnijZasobSterownika(FArg1, action->Arg2(), TxTools::Trim(resource).c_str());
  }
}

void TKSLibrary::KasujFlageAlarmu(TKSActionBase* action) {
  if (FCBKasujFlageAlarmu != nullptr) FCBKasujFlageAlarmu(FArg1, action->Arg2());
}

int TKSLibrary::WstrzymajOperacje(TKSActionBase* action, const std::string& text, int value) {
  if (FCBWstrzymajOperacje == nullptr) return -1;
  return FCBWstrzymajOperacje(FArg1, action->Arg2(), text.c_str(), value);
}

void TKSLibrary::ZapiszStanLicznika(TKSActionBase* action, const int* values, int count) {
  if (FCBZapiszStanLicznika != nullptr) {
    FCBZapiszStanLicznika(FArg1, action->Arg2(), values, count);
  }
}

void TKSLibrary::ZapiszStanICzasLicznika(TKSActionBase* action, const int* values, int count,
                                         const std::string& time) {
  if (FCBZapiszStanICzasLicznika != nullptr) {
    FCBZapiszStanICzasLicznika(FArg1, action->Arg2(), values, count, time.c_str());
  }
}

int TKSLibrary::DodajTowarZKasy(TKSActionBase* action, const char* text1, int int1,
                                const char* text2, int int2, const char* text3, const char* text4,
                                int int3, double value1, double value2, double value3,
                                double value4, int int4, int int5, const char* text5) {
  if (FCBDodajTowarZKasy == nullptr) return -1;
  return FCBDodajTowarZKasy(FArg1, action->Arg2(), text1, int1, text2, int2, text3, text4, int3,
                            value1, value2, value3, value4, int4, int5, text5);
}
