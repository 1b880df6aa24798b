#include "plugin/TKSStawkiKolejne.h"

#include <climits>
#include <vector>

#include "hostlib/TMacSetOfIntegers.h"
#include "hostlib/TxTools.h"

TKSStawkiKolejne::TKSStawkiKolejne() {
  for (int32_t& v : FWartosci) v = kNieustawiona;
}

int32_t TKSStawkiKolejne::GetWartosci(int i) const {
  return i >= 0 && i < kIloscSlotow ? FWartosci[i] : kNieustawiona;
}

void TKSStawkiKolejne::SetWartosci(int i, int32_t value) {
  if (i < 0 || i >= kIloscSlotow) return;
  FWartosci[i] = value < kZwolniona ? kNieustawiona : value;
  ++wersja;
}

bool TKSStawkiKolejne::GetUzywane(int i) const {
  return GetWartosci(i) >= kZwolniona;
}

bool TKSStawkiKolejne::GetZwolnione(int i) const {
  return GetWartosci(i) == kZwolniona;
}

int TKSStawkiKolejne::IleUstawionych() const {
  for (int i = kIloscSlotow - 1; i >= 0; --i) {
    if (GetUzywane(i)) return i + 1;
  }
  return 0;
}

void TKSStawkiKolejne::ObetnijDoTylu(int n) {
  for (int i = n < 0 ? 0 : n; i < kIloscSlotow; ++i) SetWartosci(i, kNieustawiona);
}

void TKSStawkiKolejne::WczytajZTekstuParametru(const std::string& text, bool mnoz) {
  ObetnijDoTylu(0);
  const std::vector<std::string> lines = TxTools::SplitLines(TxTools::Trim(text));
  for (int i = 0; i < kIloscSlotow && i < static_cast<int>(lines.size()); ++i) {
    int value = kNieustawiona;
    if (!TxTools::TryStrToInt(TxTools::Trim(lines[static_cast<size_t>(i)]), value)) {
      value = kNieustawiona;
    }
    if (mnoz && value > 0) {
      // A value too large to multiply is no rate; it leaves the slot unset rather than wrap.
      value = value <= INT_MAX / 100 ? value * 100 : kNieustawiona;
    }
    SetWartosci(i, value);
  }
}

void TKSStawkiKolejne::WczytajZListyDostepnychStawek(const TMacSetOfIntegers& stawki) {
  ObetnijDoTylu(0);
  const int count = stawki.Count();
  for (int i = 0; i < kIloscSlotow && i < count; ++i) SetWartosci(i, stawki.Get(count - 1 - i));
}

std::string TKSStawkiKolejne::SpiszDoTekstuParametru() const {
  std::string text;
  for (int i = 0; i < kIloscSlotow; ++i) {
    if (i > 0) text += "\r\n";
    text += TxTools::IntToStr(FWartosci[i]);
  }
  return text;
}
