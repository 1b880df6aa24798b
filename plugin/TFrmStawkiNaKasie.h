// The VAT rates window ("Stawki VAT na kasie"): a modal window with ten rows, one per register
// slot, each a label and a drop-down list of the host's rates, a read-only extra row, and OK
// and Cancel. This class is the window's whole logic and state; showing it goes through the
// platform seam (a Win32 dialog on Windows; elsewhere no window, answered as a cancel).
#pragma once

#include <string>
#include <vector>

#include "platform/RatesDialog.h"

class TKSStawkiKolejne;
class TMLgExtTools;
class TMacSetOfIntegers;

class TFrmStawkiNaKasie {
 public:
  static constexpr int kIloscWierszy = 10;

  // `owner` is the window that owns this one (may be null); `precyzyjne` chooses the precise
  // mapping (hundredths of a percent) over whole percent; texts come through `lgLink`.
  TFrmStawkiNaKasie(void* owner, bool precyzyjne, TMLgExtTools* lgLink);
  TFrmStawkiNaKasie(const TFrmStawkiNaKasie&) = delete;
  TFrmStawkiNaKasie& operator=(const TFrmStawkiNaKasie&) = delete;

  // The choices of every slot list: "<pusta>" and then each rate of the set in its order;
  // every list selects "<pusta>".
  void SetStawkiMarket(const TMacSetOfIntegers& stawki);
  // Selects in each slot list the choice showing the slot's value ("<pusta>" when none
  // does); the lists and OK can be used only when `edytowalne`.
  void SetStawkiUrzadzenia(const TKSStawkiKolejne& mapa, bool edytowalne);
  // Writes the chosen values into `mapa`; a slot whose list shows "<pusta>" becomes unset.
  void GetStawkiUrzadzenia(TKSStawkiKolejne& mapa) const;
  // Shows the first `n` slot rows and hides the others.
  void SetIloscStawek(int n);
  // The row labels: a number n gives "n:", "n+1:", ...; a letter gives it and the letters
  // after it ("A:" to "J:"); an empty name gives "1:" to "10:".
  void SetNazwaStawki(const std::string& nazwa);
  // The extra row's label and value, shown by SetSpecjalnaWidoczna.
  void StawkaSpecjalna(const std::string& tekst, int wartosc);
  void SetSpecjalnaWidoczna(bool widoczna);
  bool GetSpecjalnaWidoczna() const { return specjalnaWidoczna; }

  // A slot value as the lists show it: "<pusta>" (unset), "zw" (exempt), else the rate ("23"
  // in whole percent, capped at 100; "23,00" in the precise window).
  std::string ToDispFormat(int wartosc) const;
  // A shown text as a slot value: "zw" in any case is -1; a number (with "," or ".") is the
  // rate, rounded to the window's precision; anything else is unset.
  int FromDispFormat(const std::string& tekst) const;

  // Shows the window modally and waits until it is closed. On OK the choices made are kept
  // (GetStawkiUrzadzenia reads them); Unavailable means that no window could be shown.
  platform::DialogResult ShowModal();

  // What the window shows (the caption, the rows with their choices and selections, the
  // extra row, the buttons): what ShowModal hands to the window toolkit.
  const platform::RatesDialog& Okno() const { return okno; }
  // Chooses entry `index` of slot `wiersz`'s list, as a person would.
  void Wybierz(int wiersz, int index);

 private:
  void UstawPozycjeSpecjalnej();

  void* owner;
  bool precyzyjne;
  TMLgExtTools* lgLink;
  platform::RatesDialog okno;
  bool specjalnaWidoczna = false;
  std::string specjalnaTekst;
  int specjalnaWartosc = -999;
};
