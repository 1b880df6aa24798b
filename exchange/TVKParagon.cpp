#include "exchange/TVKParagon.h"

#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"

namespace {

// The receipt header is composed in a buffer of this many characters; a longer one is cut.
constexpr size_t kHeaderMax = 255;

// Keywords of the other operations, by e_TypOper. ("OP_OTW_ZW" is the host's spelling.)
const char* const kOperationKeywords[] = {
    "OP_WPL;", "OP_WYPL;", "OP_STORNO;", "OP_ANUL;", "OP_OTW_ZW;", "OP_ZAMK_ZM;",
};

std::string Num(long long value) {
  return TxTools::IntToStr(value);
}

// A number that is written as an empty column when it is -1 (unknown).
std::string NumOrEmpty(long long value) {
  return value == -1 ? std::string() : Num(value);
}

std::string When(double dateTime) {
  return TdtTools::FormatCompressed(dateTime);
}

template <typename T>
T& Item(const std::vector<std::unique_ptr<T>>& list, int i, const char* what) {
  if (i < 0 || static_cast<size_t>(i) >= list.size()) {
    throw Exception(std::string(what) + ": pozycja poza listą");
  }
  return *list[static_cast<size_t>(i)];
}

}  // namespace

std::string ImportFileText(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c == ';' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

// ----- Position and payment ---------------------------------------------------------------

std::string TVKPosition::ToString() const {
  return "ZAW;" + NumOrEmpty(Fplu) + ";" + Fkod + ";" + Num(Filosc) + ";" + Num(Fwartosc) + ";" +
         Num(Frabat) + ";" + Num(FnrParagonu) + ";" + When(Fdata_czas) + "\n";
}

std::string TVKPayment::ToString() const {
  std::string s = "PMT;" + Num(Fkod) + ";" + Num(Fwartosc) + ";" + Num(Fkurs) + ";" +
                  Num(FnrDokWplaty) + ";" + Num(Ftransfer) + ";" + Num(Frodzaj) + ";" +
                  (Fkonczaca ? "1" : "0") + ";" + (Fterminowa ? "1" : "0") + ";" +
                  ImportFileText(Ftytul) + ";" + When(Fdata_czas);
  if (Fkod_f_plat_ext != -1) {
    s += ";" + Num(Fkod_f_plat_ext) + ";" + Fkod_waluty + ";" + Num(Fkurs_prec) + ";" +
         Num(Fwartosc_pln);
  }
  return s + "\n";
}

TMFile& operator<<(TMFile& file, const TVKPosition& pos) {
  file.Write(pos.ToString());
  return file;
}

TMFile& operator<<(TMFile& file, const TVKPayment& pay) {
  file.Write(pay.ToString());
  return file;
}

// ----- Receipt ----------------------------------------------------------------------------

void TVKParagon::ProcessFirstPosition(TVKPosition& pos) {
  if (FnrPar == -1) FnrPar = pos.FnrParagonu;
  if (Fdata_czas == 0) Fdata_czas = pos.Fdata_czas;
}

TVKParagon& TVKParagon::operator+(std::unique_ptr<TVKPosition> pos) {
  if (pos == nullptr) return *this;
  if (Fpos.empty()) ProcessFirstPosition(*pos);
  ProcessEachPosition(*pos);
  Fpos.push_back(std::move(pos));
  return *this;
}

TVKParagon& TVKParagon::operator+(std::unique_ptr<TVKPayment> pay) {
  if (pay == nullptr) return *this;
  if (Fpymnt.empty()) ProcessFirstPayment(*pay);
  ProcessEachPayment(*pay);
  Fpymnt.push_back(std::move(pay));
  return *this;
}

TVKPosition& TVKParagon::GetPozycje(int i) const {
  return Item(Fpos, i, "TVKParagon::GetPozycje");
}

TVKPayment& TVKParagon::GetPlatnosci(int i) const {
  return Item(Fpymnt, i, "TVKParagon::GetPlatnosci");
}

std::string TVKParagon::ToString() {
  std::string header = "\r\n[Paragon nr " + Num(FnrPar) + "]\r\n";
  header += FwoDetails ? "KSK;" : "TRN;";
  header += Num(FnrTrans) + ";" + Num(FnrPar) + ";" + Num(GetnPosCount()) + ";" +
            Num(GetnPaymentCount()) + ";" + NumOrEmpty(FnrKasjera) + ";" + NumOrEmpty(FnrKasy) +
            ";" + FnrKlienta + ";" + NumOrEmpty(FkodRabatu) + ";" + When(Fdata_czas) + ";" +
            Num(Frabat) + ";" + Num(FnrZmiany) + "\r\n";
  if (!FnrNIPKlienta.empty() && FnrNIPKlienta != "-1") header += "NIP;" + FnrNIPKlienta + "\r\n";
  if (header.size() > kHeaderMax) {
    // The header is bounded, but a cut one still ends its line: otherwise the first position
    // or payment would be glued onto the header line and the host would lose it.
    header.resize(kHeaderMax);
    if (header.back() == '\r') header.pop_back();
    header += "\r\n";
  }

  std::string text = header;
  if (!FwoDetails) {
    for (const auto& pos : Fpos) text += pos->ToString();
  }
  if (!Fpymnt.empty()) Fpymnt.back()->Fkonczaca = true;
  for (const auto& pay : Fpymnt) text += pay->ToString();
  return text;
}

void TVKParagon::operator>>(TMFile& file) {
  file.Write(ToString());
}

TMFile& operator<<(TMFile& file, TVKParagon& receipt) {
  receipt >> file;
  return file;
}

// ----- Other operation --------------------------------------------------------------------

void TVKOther::Add(std::unique_ptr<TVKPosition> pos) {
  if (pos != nullptr) pozycjeTow.push_back(std::move(pos));
}

void TVKOther::Add(std::unique_ptr<TVKPayment> pay) {
  if (pay != nullptr) platnosci.push_back(std::move(pay));
}

TVKPosition& TVKOther::GetPozycjeTow(int i) const {
  return Item(pozycjeTow, i, "TVKOther::GetPozycjeTow");
}

TVKPayment& TVKOther::GetPlatnosc(int i) const {
  return Item(platnosci, i, "TVKOther::GetPlatnosc");
}

std::string TVKOther::ToString() const {
  std::string text = "\n[INNA_OPER]\n";
  if (typOperacji >= op_wpl && typOperacji <= op_zamk_zm) {
    text += kOperationKeywords[typOperacji];
  }
  // The same columns as a receipt's TRN line: no customer, discount code 0, no discount.
  text += nrTrans + ";" + nrPar + ";" + Num(GetPozycjeTowCount()) + ";" + Num(GetPaymentCount()) +
          ";" + Num(nrKasjera) + ";" + Num(nrKasy) + ";;0;" + When(dataCzas) + ";;" + nrZmiany +
          "\r\n";
  for (const auto& pos : pozycjeTow) text += pos->ToString();
  for (const auto& pay : platnosci) text += pay->ToString();
  return text;
}

void TVKOther::operator>>(TMFile& file) const {
  file.Write(ToString());
}

void TVKOther::operator>>(std::ostream& out) const {
  out << ToString();
}
