#include "plugin/TFrmStawkiNaKasie.h"

#include <cstdint>

#include "hostlib/TMLgExtTools.h"
#include "hostlib/TMacSetOfIntegers.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "platform/Env.h"
#include "plugin/TKSStawkiKolejne.h"

namespace {

constexpr const char* kModule = "kstools_fstavat";
constexpr int kNieustawiona = TKSStawkiKolejne::kNieustawiona;
constexpr int kZwolniona = TKSStawkiKolejne::kZwolniona;

// The decimal separator of the precise window's texts; FromDispFormat reads "." as well.
constexpr char kSeparator = ',';

}  // namespace

TFrmStawkiNaKasie::TFrmStawkiNaKasie(void* owner, bool precyzyjne, TMLgExtTools* lgLink)
    : owner(owner), precyzyjne(precyzyjne), lgLink(lgLink) {
  okno.caption = TMLgExtTools::Get(lgLink, kModule, "Caption", "Stawki VAT na kasie");
  okno.okText = TMLgExtTools::Get(lgLink, kModule, "btn_okCaption", "OK");
  okno.cancelText = TMLgExtTools::Get(lgLink, kModule, "btn_cancCaption", "Anuluj");
  okno.rows.resize(kIloscWierszy);
  for (int i = 0; i < kIloscWierszy; ++i) {
    okno.rows[static_cast<size_t>(i)].label = TxTools::IntToStr(i + 1) + ":";
  }
  okno.extraLabel = TxTools::IntToStr(kIloscWierszy + 1) + ":";
  okno.extraPosition = kIloscWierszy - 1;
}

void TFrmStawkiNaKasie::SetStawkiMarket(const TMacSetOfIntegers& stawki) {
  std::vector<std::string> choices;
  choices.push_back(TMLgExtTools::Get(lgLink, kModule, "TFrmStawSetStawkstr", "<pusta>"));
  for (int i = 0; i < stawki.Count(); ++i) choices.push_back(ToDispFormat(stawki.Get(i)));
  for (platform::RatesDialogRow& row : okno.rows) {
    row.choices = choices;
    row.selected = 0;
  }
}

void TFrmStawkiNaKasie::SetStawkiUrzadzenia(const TKSStawkiKolejne& mapa, bool edytowalne) {
  for (int i = 0; i < kIloscWierszy; ++i) {
    platform::RatesDialogRow& row = okno.rows[static_cast<size_t>(i)];
    const std::string shown = ToDispFormat(mapa.GetWartosci(i));
    row.selected = row.choices.empty() ? -1 : 0;
    for (size_t c = 0; c < row.choices.size(); ++c) {
      if (TxTools::Trim(row.choices[c]) == shown) {
        row.selected = static_cast<int>(c);
        break;
      }
    }
    row.enabled = edytowalne;
  }
  okno.okEnabled = edytowalne;
}

void TFrmStawkiNaKasie::GetStawkiUrzadzenia(TKSStawkiKolejne& mapa) const {
  for (int i = 0; i < kIloscWierszy; ++i) {
    const platform::RatesDialogRow& row = okno.rows[static_cast<size_t>(i)];
    const bool chosen = row.selected > 0 && row.selected < static_cast<int>(row.choices.size());
    mapa.SetWartosci(
        i, chosen ? FromDispFormat(row.choices[static_cast<size_t>(row.selected)]) : kNieustawiona);
  }
}

void TFrmStawkiNaKasie::SetIloscStawek(int n) {
  for (int i = 0; i < kIloscWierszy; ++i) okno.rows[static_cast<size_t>(i)].visible = i < n;
}

void TFrmStawkiNaKasie::SetNazwaStawki(const std::string& nazwa) {
  int first = 0;
  const bool numbered = nazwa.empty() || (TxTools::TryStrToInt(nazwa, first) && first >= 0);
  // An empty name would start the labels at the character of code 0: number them instead.
  if (nazwa.empty()) first = 1;
  for (int i = 0; i < kIloscWierszy; ++i) {
    std::string label;
    if (numbered) {
      label = TxTools::IntToStr(static_cast<long long>(first) + i);
    } else {
      label = std::string(1, static_cast<char>(static_cast<unsigned char>(nazwa[0]) + i));
    }
    okno.rows[static_cast<size_t>(i)].label = label + ":";
  }
}

void TFrmStawkiNaKasie::StawkaSpecjalna(const std::string& tekst, int wartosc) {
  specjalnaTekst = tekst;
  specjalnaWartosc = wartosc;
}

void TFrmStawkiNaKasie::SetSpecjalnaWidoczna(bool widoczna) {
  if (widoczna == specjalnaWidoczna) return;
  specjalnaWidoczna = widoczna;
  if (widoczna) {
    okno.extraText = ToDispFormat(specjalnaWartosc);
    okno.extraLabel = specjalnaTekst;
  }
  okno.extraVisible = widoczna;
}

std::string TFrmStawkiNaKasie::ToDispFormat(int wartosc) const {
  if (wartosc < kZwolniona) {
    return TMLgExtTools::Get(lgLink, kModule, "TFrmStawToDispForeturn", "<pusta>");
  }
  if (wartosc == kZwolniona) return "zw";
  if (!precyzyjne) return TxTools::IntToStr(wartosc > 100 ? 100 : wartosc);
  // Hundredths shown exactly, without going through a binary fraction.
  const int hundredths = wartosc % 100;
  return TxTools::IntToStr(wartosc / 100) + kSeparator + static_cast<char>('0' + hundredths / 10) +
         static_cast<char>('0' + hundredths % 10);
}

int TFrmStawkiNaKasie::FromDispFormat(const std::string& tekst) const {
  std::string t = TxTools::Trim(tekst);
  if (TxTools::LowerCase(t) == "zw") return kZwolniona;
  for (char& c : t) {
    if (c == ',') c = '.';
  }
  double value = 0;
  if (!TxfTools::TryStrToDecimal(t, value)) return kNieustawiona;
  const double rounded =
      precyzyjne ? TxfTools::Round(TxfTools::Round(value, 2) * 100, 0) : TxfTools::Round(value, 0);
  // No rate outside what a slot holds; such a text is as good as an unreadable one.
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) return kNieustawiona;
  return static_cast<int>(rounded);
}

void TFrmStawkiNaKasie::UstawPozycjeSpecjalnej() {
  // The extra row takes the first free row; with every row in use it lies over the last one.
  int visible = 0;
  while (visible < kIloscWierszy && okno.rows[static_cast<size_t>(visible)].visible) ++visible;
  okno.extraPosition = visible < kIloscWierszy ? visible : kIloscWierszy - 1;
}

platform::DialogResult TFrmStawkiNaKasie::ShowModal() {
  UstawPozycjeSpecjalnej();
  platform::RatesDialog shown = okno;
  const platform::DialogResult result = platform::CurrentEnv()->ShowRatesDialog(owner, shown);
  if (result == platform::DialogResult::Ok) {
    for (int i = 0; i < kIloscWierszy && i < static_cast<int>(shown.rows.size()); ++i) {
      Wybierz(i, shown.rows[static_cast<size_t>(i)].selected);
    }
  }
  return result;
}

void TFrmStawkiNaKasie::Wybierz(int wiersz, int index) {
  if (wiersz < 0 || wiersz >= kIloscWierszy) return;
  platform::RatesDialogRow& row = okno.rows[static_cast<size_t>(wiersz)];
  if (index >= -1 && index < static_cast<int>(row.choices.size())) row.selected = index;
}
