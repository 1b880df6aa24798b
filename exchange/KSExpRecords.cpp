#include "exchange/KSExpRecords.h"

#include <climits>
#include <exception>
#include <utility>

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"

namespace {

// A decimal word of an export line: empty reads 0; anything else must be wholly a number (a
// sign, digits, one decimal separator). "4x9" is no price the back office wrote, and read as
// its leading number it would be programmed into a fiscal register as 0,04.
double LineDecimal(const std::string& word) {
  if (TxTools::Trim(word).empty()) return 0;
  return TxfTools::StrToDecimal(word);
}

// An optional integer word: `fallback` when empty; a word that is not wholly an integer is an
// error of the line, as a required one is, rather than a value the back office never wrote
// (a VAT rate, a price level or a price scale that would reach the register).
int32_t LineInt(const std::string& word, int32_t fallback) {
  const std::string trimmed = TxTools::Trim(word);
  if (trimmed.empty()) return fallback;
  return TxTools::StrToInt(trimmed);
}

// Every message of the export file's records belongs to the export buffer's module.
constexpr const char* kModule = "kstools_KSExpBuf";
constexpr const char* kFormatError = "Nieprawidłowy format pliku eksportowego";

// The words of a goods line's status, in the order of stTow.
constexpr const char* kStatusWords[] = {"DOD", "AKT", "CEN", "USU"};

// ile_w_kodzie of a goods whose prices are not scaled (the scale is in thousandths).
constexpr int32_t kScaleOne = 1000;
// The word of a goods line with its VAT rate in hundredths of a percent.
constexpr int kWordRatePrec = 30;

[[noreturn]] void Raise(const TMLgExtTools* lg, const char* key, const char* text) {
  throw Exception(TMLgExtTools::Get(lg, kModule, key, text));
}

// The first character of a letter field; an empty word has none and reads as '\0', which no
// letter field accepts.
char FirstChar(const std::string& word) {
  return word.empty() ? '\0' : word[0];
}

bool IsTrue(char letter) {
  return letter == 'T' || letter == 't';
}

bool IsFalse(char letter) {
  return letter == 'F' || letter == 'f';
}

// A decimal read as an integer: the fraction is dropped, and a number beyond the integer
// range is held at its end rather than overflowing.
int32_t Truncate(double value) {
  if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// Runs one getter of a cashier or currency entry: whatever goes wrong while its word is read
// is reported with the getter's own message.
template <class F>
auto Guarded(const TMLgExtTools* lg, const char* key, const char* text, F read) {
  try {
    return read();
  } catch (const std::exception&) {
    Raise(lg, key, text);
  }
}

}  // namespace

int32_t RatePrec(int32_t stawka) {
  if (stawka < 0) return -1;
  if (stawka > INT32_MAX / 100) return INT32_MAX;
  return stawka * 100;
}

// ---------------------------------------------------------------------------------------------
// KSTowRec

void KSTowRec::Clear() {
  // These belong to whoever fills the record: the line reader or the buffer's storage.
  std::string keepPKWiU = std::move(PKWiU);
  std::string keepSWW = std::move(SWW);
  const int32_t keepTerminW = TerminW;
  const int32_t keepPoziomCen = poziom_cen;
  const int32_t keepIleWKodzie = ile_w_kodzie;
  const int32_t keepNrSrcBuf = nr_src_buf;
  *this = KSTowRec();
  PKWiU = std::move(keepPKWiU);
  SWW = std::move(keepSWW);
  TerminW = keepTerminW;
  poziom_cen = keepPoziomCen;
  ile_w_kodzie = keepIleWKodzie;
  nr_src_buf = keepNrSrcBuf;
}

bool KSTowRec::Bool(char letter, const TMLgExtTools* lg) {
  if (IsTrue(letter)) return true;
  if (IsFalse(letter)) return false;
  Raise(lg, "KSTowRecBoolExceptio", kFormatError);
}

void KSTowRec::FromLine(const std::string& line, const TMLgExtTools* lg) {
  TLJWords words(";");
  words.Init(line);
  FromLine(words, lg);
}

void KSTowRec::FromLine(TLJWords& words, const TMLgExtTools* lg) {
  Clear();
  // Words are read in order with Get, so the end flag tells when the line has run out: the
  // optional trailing groups are read only while it is clear.
  int n = 1;
  auto next = [&words, &n] { return words.Get(n++); };
  auto nextInt = [&next] { return TxTools::StrToInt(next()); };
  auto nextDecimal = [&next] { return LineDecimal(next()); };
  auto nextBool = [&next, lg] { return Bool(FirstChar(next()), lg); };

  plu = nextInt();
  koldod = nextInt();
  kod = next();
  nazwa = next();
  cena = nextDecimal();
  cena_hurt = nextDecimal();
  cena_noc = nextDecimal();
  cena_dod = nextDecimal();
  stawka = nextInt();
  jedn = nextInt();
  czy_wazony = nextBool();
  precyzja = nextInt();
  wagowo_ilosciowy = nextBool();
  opakowanie = nextBool();
  cena_otwarta = nextBool();
  kod_opakowania = next();
  const std::string pluOpakowania = next();
  if (!pluOpakowania.empty()) plu_opakowania = TxTools::StrToInt(pluOpakowania);
  nr_asort = nextInt();

  const std::string statusWord = next();
  status = stNull;
  for (int i = stDod; i <= stUsu; ++i) {
    if (statusWord == kStatusWords[i]) status = static_cast<stTow>(i);
  }
  if (status == stNull) Raise(lg, "KSTowRecFromLineExceptio", kFormatError);

  org_barcode = kod;
  org_status = status;

  // Clear leaves these to the reader, so a record read before must not lend them its values.
  PKWiU.clear();
  SWW.clear();
  TerminW = 0;
  poziom_cen = -1;
  ile_w_kodzie = kScaleOne;
  if (!words.Eof()) {
    opis1 = next();
    opis2 = next();
  }
  if (!words.Eof()) PKWiU = next();
  if (!words.Eof()) SWW = next();
  if (!words.Eof()) TerminW = TxTools::LeadingInt(next());
  if (!words.Eof()) poziom_cen = LineInt(next(), -1);
  if (!words.Eof()) ile_w_kodzie = LineInt(next(), kScaleOne);

  // The line's price level picks the retail price. Its numbering is the export file's own:
  // 2 is the additional price and 3 the night price, unlike CenaAkt.
  switch (poziom_cen) {
    case 1:
      cena = cena_hurt;
      break;
    case 2:
      cena = cena_dod;
      break;
    case 3:
      cena = cena_noc;
      break;
    default:
      break;
  }

  if (ile_w_kodzie != kScaleOne) {
    const double factor = TxfTools::Round(ile_w_kodzie, 0) / 1000.0;
    for (double* price : {&cena, &cena_hurt, &cena_noc, &cena_dod}) {
      *price = TxfTools::Round(*price * factor, 0);
    }
  }

  if (!words.Eof()) {
    opis3 = next();
    opis4 = next();
  }
  if (!words.Eof()) dod_rabat_tow = nextDecimal();

  // The rate in hundredths is there only in lines long enough to hold it, whatever the end
  // flag says; older lines have only the whole percent, and so has a line that leaves the
  // word empty (read as 0 it would program the goods at 0 %).
  stawkaPrec = RatePrec(stawka);
  if (words.GetCount() > kWordRatePrec) stawkaPrec = LineInt(words.Get(kWordRatePrec), stawkaPrec);
  n = kWordRatePrec + 1;

  if (!words.Eof()) nazwa_pelna = next();
  if (!words.Eof()) ile_jedn = Truncate(nextDecimal());
  if (!words.Eof()) notatki = next();
}

double KSTowRec::CenaAkt(int level) const {
  switch (level) {
    case 1:
      return cena_hurt;
    case 2:
      return cena_noc;
    case 3:
      return cena_dod;
    default:
      return cena;
  }
}

// ---------------------------------------------------------------------------------------------
// KSKontrRec

void KSKontrRec::Clear() {
  // Everything, including the card expiry, the discount and the transmitted mark: a record
  // reused for the next contractor must not keep the previous one's.
  *this = KSKontrRec();
}

bool KSKontrRec::Bool(char letter, const TMLgExtTools* lg) {
  if (IsTrue(letter)) return true;
  if (IsFalse(letter)) return false;
  Raise(lg, "KSKontrRBoolExceptio", kFormatError);
}

void KSKontrRec::FromLine(const std::string& line, const TMLgExtTools* lg) {
  TLJWords words(";");
  words.Init(line);
  Clear();
  KontrId = TxTools::StrToInt(words.Get(1));
  Nazwa = words.Get(2);
  Skrot = words.Get(3);
  Ulica = words.Get(4);
  Kod = words.Get(5);
  Miasto = words.Get(6);
  Telefon = words.Get(7);
  NIP = words.Get(8);
  KodKarty = words.Get(9);
  // A contractor without a readable card expiry has none (day 0); the driver itself never
  // uses it, so it is no reason to refuse the whole export.
  if (!TdtTools::ParseCompressed(words.Get(10), TermWaznKarty)) TermWaznKarty = 0;
  KartaAktywna = Bool(FirstChar(words.Get(11)), lg);
  RabatOdbiorcy = LineDecimal(words.Get(12));
  PoziomRabatu = TxTools::StrToInt(words.Get(13));
  if (!words.Eof()) IloscPunktow = TxTools::StrToIntDef(words.Get(14), 0);
}

// ---------------------------------------------------------------------------------------------
// KSAsort

void KSAsort::Clear() {
  nr = 0;
  nazwa.clear();
}

void KSAsort::FromLine(const std::string& line) {
  Clear();
  nr = TxTools::StrToInt(TxTools::SelectWord(line, 1, ';'));
  nazwa = TxTools::SelectWord(line, 2, ';');
}

// ---------------------------------------------------------------------------------------------
// KSKasjer

KSKasjer::KSKasjer(const std::string& entry, const TMLgExtTools* lg) : entry(entry), LgLink(lg) {
  wrd.Init(entry);
}

KSKasjer::KSKasjer(int numer, const std::string& nazwisko, int poziomUprawnien,
                   const std::string& identyfikator, const std::string& kodKarty,
                   const TMLgExtTools* lg)
    : KSKasjer(std::to_string(numer) + ";" + nazwisko + ";" + std::to_string(poziomUprawnien) +
                   ";" + identyfikator + ";" + kodKarty,
               lg) {}

int KSKasjer::GetNumer() {
  return Guarded(LgLink, "KSKasjerGetNumerExceptio", "Błąd odczytu numeru kasjera",
                 [this] { return TxTools::StrToInt(wrd[0]); });
}

std::string KSKasjer::GetNazwisko() {
  return Guarded(LgLink, "KSKasjerGetNazwiExceptio", "Błąd odczytu nazwiska kasjera",
                 [this] { return wrd[1]; });
}

int KSKasjer::GetPoziomUprawnien() {
  return Guarded(LgLink, "KSKasjerGetPozioExceptio", "Błąd odczytu poziomu uprawnień kasjera",
                 [this] { return TxTools::StrToInt(wrd[2]); });
}

std::string KSKasjer::GetIdentyfikator() {
  return Guarded(LgLink, "KSKasjerGetIdentExceptio", "Błąd odczytu identyfikatora kasjera",
                 [this] { return wrd[3]; });
}

std::string KSKasjer::GetKodKarty() {
  return Guarded(LgLink, "KSKasjerGetKodKaExceptio", "Błąd odczytu kodu karty kasjera",
                 [this] { return wrd[4]; });
}

// ---------------------------------------------------------------------------------------------
// KSWaluta

KSWaluta::KSWaluta(const std::string& entry, const TMLgExtTools* lg) : entry(entry), LgLink(lg) {
  wrd.Init(entry);
}

std::string KSWaluta::GetKod() {
  return Guarded(LgLink, "KSWalutaGetKodExceptio", "Błąd odczytu kodu waluty",
                 [this] { return wrd[0]; });
}

std::string KSWaluta::GetNazwa() {
  return Guarded(LgLink, "KSWalutaGetNazwaExceptio", "Błąd odczytu nazwy waluty",
                 [this] { return wrd[1]; });
}

int KSWaluta::GetKurs() {
  return Guarded(LgLink, "KSWalutaGetKursExceptio", "Błąd odczytu kursu waluty",
                 [this] { return TxTools::StrToInt(wrd[2]); });
}

bool KSWaluta::GetCzyDomyslna() {
  return Guarded(LgLink, "KSWalutaGetCzyDoExceptio", "Błąd odczytu statusu \"domyślna\" waluty",
                 [this] { return wrd[3] == "T"; });
}

bool KSWaluta::GetCzyMoznaWydawacReszte() {
  return Guarded(LgLink, "KSWalutaGetCzyMoExceptio",
                 "Błąd odczytu statusu \"czy można wydawać resztę\" waluty",
                 [this] { return wrd[4] == "T"; });
}
