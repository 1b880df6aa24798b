// The receipt line model: lines of the register's receipt buffer read into positions, and
// documents written in the host's receipt text.
#include "elzab/elxparag.h"

#include "elzab/elxdates.h"
#include "exchange/TVKParagon.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "support/TLJWords.h"

namespace {

constexpr char kWrongRegister[] = "Niewłaściwa konfiguracja sterownika. To NIE jest kasa Delta!";

// A number as the host's text holds it: whole, plain digits, never in exponent form.
std::string Whole(double value) {
  return TxfTools::Format(value, 0);
}

std::string Int(long long value) {
  return TxTools::IntToStr(value);
}

std::string When(double dateTime) {
  return TdtTools::FormatCompressed(dateTime);
}

int IntOrZero(const std::string& text) {
  return TxTools::StrToIntDef(text, 0);
}

// A decimal of method 5. The register writes its own decimal separator, whatever the
// computer's locale is, so "," and "." are both taken; anything else is the conversion error.
double Decimal5(const std::string& text) {
  std::string t = text;
  for (char& c : t) {
    if (c == ',') c = '.';
  }
  double value = 0;
  if (!TxfTools::TryStrToDecimal(t, value)) {
    throw EConvertError("'" + text + "' nie jest poprawną liczbą");
  }
  return value;
}

// Złoty as hundredths; the rounding only removes the binary noise of the product.
double Hundredths5(const std::string& text) {
  return TxfTools::Round(Decimal5(text) * 100, 4);
}

// A letter of Windows-1250: a character that has an upper and a lower case.
bool Letter(char c) {
  const std::string one(1, c);
  return TxTools::UpperCase(one) != TxTools::LowerCase(one);
}

// The nearest character before (step -1) or after (step 1) position `at` that is no blank;
// 0 when there is none.
char Neighbour(const std::string& text, size_t at, int step) {
  for (size_t i = at; step < 0 ? i-- > 0 : ++i < text.size();) {
    if (text[i] != ' ') return text[i];
  }
  return 0;
}

// The invoice's "postal code and city" field split into the two: the code is its digits and
// "-" characters, the city the rest, trimmed, with its inner spaces as written. A "-"
// between two letters (blanks around it aside) belongs to the city's name (Bielsko-Biała,
// Kędzierzyn - Koźle), not to the code.
void SplitCityAndCode(const std::string& field, std::string& city, std::string& code) {
  city.clear();
  code.clear();
  for (size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    const bool hyphenInName =
        c == '-' && Letter(Neighbour(field, i, -1)) && Letter(Neighbour(field, i, 1));
    if ((c >= '0' && c <= '9') || (c == '-' && !hyphenInName)) {
      code += c;
    } else {
      city += c;
    }
  }
  city = TxTools::TrimSpaces(city);
}

}  // namespace

// ----- ElPosition -----------------------------------------------------------------------------

double ElPosition::DecimalOfMethod5(const std::string& text) {
  return Decimal5(text);
}

namespace {

// A method-4 amount or quantity ("." as the decimal point): empty reads 0; anything that is
// not wholly a number is a damaged line, not a number read by its leading digits (6x49 would
// book 0,06 zł).
double Decimal4(const std::string& text) {
  const std::string trimmed = TxTools::TrimSpaces(text);
  return trimmed.empty() ? 0 : TxfTools::StrToDecimal(trimmed);
}

// The goods number a sale is booked to: a sold line without one that reads is damaged.
int32_t GoodsNumber(const std::string& text) {
  return TxTools::StrToInt(TxTools::TrimSpaces(text));
}

}  // namespace

double ElPosition::DecimalOfMethod4(const std::string& text) {
  return Decimal4(text);
}

void ElPosition::MakeFromLine(const std::string& line, bool longForm) {
  TLJWords f("\t");
  if (f.Init(line) == 3) throw Exception(kWrongRegister);
  const int o = longForm ? 1 : 0;
  nr_rap = IntOrZero(f[o]);
  nr_par = IntOrZero(f[o + 1]);
  nr_poz_par = IntOrZero(f[o + 2]);
  zwrot = IntOrZero(f[o + 3]) == 1;
  nr_tow = GoodsNumber(f[o + 4]);
  il_sp = Decimal4(f[o + 5]);
  wart_rabw = Decimal4(f[o + 6]);
  if (!longForm) return;
  data = RegisterDates::Dotted(f[8]);
  czas = RegisterDates::DottedClock(f[9]);
  ST = IntOrZero(f[10]);
  nr_kas = IntOrZero(f[11]);
  const std::string discount = f[12];
  const std::string before = f[13];
  if (discount.empty() && before.empty()) {
    withoutDiscountInfo = true;
    wart_rabp = 0;
    wart_pr = 0;
    rabat = 0;
  } else {
    withoutDiscountInfo = false;
    wart_rabp = Decimal4(discount);
    wart_pr = Decimal4(before);
    rabat = wart_pr - wart_rabw;
  }
}

void ElPosition::MakeFromLineExtended(const std::string& line) {
  TLJWords words("\t");
  words.Init(line);
  auto f = [&words](int i) { return TxTools::TrimSpaces(words[i]); };
  nr_rap = IntOrZero(f(1));
  nr_par = IntOrZero(f(2));
  nr_poz_par = IntOrZero(f(3));
  zwrot = IntOrZero(f(4)) == 1;
  nr_tow = GoodsNumber(f(5));
  il_sp = Decimal5(f(6));
  wart_rabw = Hundredths5(f(7));
  data = RegisterDates::Compact(f(8));
  czas = RegisterDates::CompactClock(f(9));
  ST = IntOrZero(f(10));
  nr_kas = IntOrZero(f(11));
  wart_rabp = Hundredths5(f(12));
  wart_pr = Hundredths5(f(13));
  nr_wyd = IntOrZero(f(17));
  rabat = wart_pr - wart_rabw;
  withoutDiscountInfo = false;
}

double ElPosition::GetRabat() const {
  return TxfTools::Round(rabat, 0);
}

std::string ElPosition::ToString() const {
  const double quantity = TxfTools::Round(il_sp * 1000, 0);
  return "ZAW;" + Int(nr_tow) + ";;" + Whole(zwrot ? -quantity : quantity) + ";" +
         Whole(GetWartosc()) + ";" + Whole(rabat) + ";" + Int(nr_par) + ";" + When(data + czas) +
         "\n";
}

// ----- ElPayment ------------------------------------------------------------------------------

namespace {

std::string PaymentLine(const ElPayment& p, const std::string& when) {
  return "PMT;" + Int(p.nr_plat) + ";" + Whole(p.wartosc) + ";100;;;" + Int(p.ostatnia) + ";" +
         Int(p.terminowa) + ";0;" + when + "\n";
}

}  // namespace

std::string ElPayment::ToString() const {
  return PaymentLine(*this, When(data + czas));
}

// ----- ElParagon ------------------------------------------------------------------------------

ElParagon::ElParagon(int32_t nrKasy_, e_typ_oper typ) : typOperacji(typ), nrKasy(nrKasy_) {
  pos.reserve(50);
  pymnt.reserve(3);
}

ElParagon& ElParagon::operator+(std::unique_ptr<ElPosition> p) {
  if (nPosCount == 0) {
    nrPar = p->GetNrParagonu();
    nrTrans = p->GetNrTrans();
    data = p->data;
    czas = p->czas;
    nrKasjera = p->nr_kas;
    numbersKnown = whenKnown = true;
  }
  wartosc += p->GetWartosc();
  p->SetPrRab(pr_rab);
  pos.push_back(std::move(p));
  ++nPosCount;
  return *this;
}

ElParagon& ElParagon::operator+(std::unique_ptr<ElPayment> p) {
  p->SetData(data);
  p->SetCzas(czas);
  p->nr_rap = nrTrans;
  p->nr_par = nrPar;
  pymnt.push_back(std::move(p));
  ++nPaymentCount;
  return *this;
}

void ElParagon::NoteNumbers(int32_t trans, int32_t par) {
  if (nPosCount != 0 || numbersKnown) return;
  nrTrans = trans;
  nrPar = par;
  numbersKnown = true;
}

void ElParagon::NoteWhen(double date, double time, int32_t cashier) {
  if (nPosCount != 0 || whenKnown) return;
  data = date;
  czas = time;
  nrKasjera = cashier;
  whenKnown = true;
}

int ElParagon::GetGodzina() const {
  return TdtTools::Decode(czas).hour;
}

std::string ElParagon::ToString() {
  const bool receipt = typOperacji == op_paragon;
  const bool invoice = typOperacji == op_faktura;
  const bool cancelled = typOperacji == op_anul;
  const bool other = !receipt && !invoice;
  // What no record of the document told stays empty.
  const std::string when = whenKnown ? When(data + czas) : std::string();
  const std::string trans = numbersKnown && !cancelled ? Int(nrTrans) : std::string();
  const std::string number = numbersKnown ? Int(nrPar) : std::string();

  std::string s = "\n";
  if (receipt) {
    s += "[PARAGON nr " + number + "]\n";
  } else if (invoice) {
    s += "[FAKTURA nr " + number + "]\n";
  } else {
    s += "[INNA_OPER]\n";
  }

  // A card number is written without its leading zeros (but a lone "0" stays).
  std::string card = KSK;
  while (card.size() > 1 && card[0] == '0') card.erase(0, 1);

  switch (typOperacji) {
    case op_storno:
      s += "OP_STORNO;";
      break;
    case op_anul:
      s += "OP_ANUL;";
      break;
    case op_faktura:
      s += "FV;";
      break;
    default:
      s += "TRN;";
      break;
  }
  s += trans + ";" + (cancelled ? "" : number) + ";" + Int(nPosCount) + ";" +
       Int(nPaymentCount == 0 ? 1 : nPaymentCount) + ";" + (whenKnown ? Int(nrKasjera) : "") + ";" +
       Int(nrKasy) + ";" + ImportFileText(card) + ";" + Int(kodRabatu) + ";" + when;
  if (invoice) s += ";;;" + ImportFileText(invoiceNumber) + ";" + when;
  s += "\n";

  for (const std::unique_ptr<ElPosition>& p : pos) s += p->ToString();

  if (receipt && !nrNIP.empty()) s += "NIP;" + ImportFileText(nrNIP) + "\n";
  if (invoice) {
    std::string city, code;
    SplitCityAndCode(invoiceCityAndZipCode, city, code);
    s += "KTH;" + ImportFileText(invoiceNip) + ";" + ImportFileText(invoiceBuyerName) + ";" +
         ImportFileText(invoiceStreetAndNumber) + ";;;" + ImportFileText(city) + ";" +
         ImportFileText(code) + ";;;1;\n";
  }

  if (pymnt.empty()) {
    s += std::string(other ? "PMT;-1;" : "PMT;0;") + Whole(wartosc) + ";100;;;;1;0;\n";
  } else {
    pymnt.back()->ostatnia = 1;
    // Payments carry the receipt's date-time.
    for (const std::unique_ptr<ElPayment>& p : pymnt) s += PaymentLine(*p, when);
  }
  return s;
}

std::ostream& operator<<(std::ostream& out, const ElPosition& pos) {
  return out << pos.ToString();
}

std::ostream& operator<<(std::ostream& out, const ElPayment& pay) {
  return out << pay.ToString();
}

std::ostream& operator<<(std::ostream& out, ElParagon& receipt) {
  return out << receipt.ToString();
}
