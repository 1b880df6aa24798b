// The mapping from the host's VAT rates to the register's numbered rate slots: ten slots, slot
// 0 first, each holding a rate (in whole percent or in hundredths of a percent, depending on
// the mapping), the exempt rate, or nothing. The host keeps it as one of the driver's own
// parameters, in the text form SpiszDoTekstuParametru writes.
#pragma once

#include <cstdint>
#include <string>

class TMacSetOfIntegers;

class TKSStawkiKolejne {
 public:
  static constexpr int kIloscSlotow = 10;
  static constexpr int32_t kNieustawiona = -999;  // an unset slot
  static constexpr int32_t kZwolniona = -1;       // the exempt rate ("zw")

  // Every slot unset.
  TKSStawkiKolejne();

  // The value of slot `i`; unset outside 0 to 9.
  int32_t GetWartosci(int i) const;
  // Sets slot `i`; values below -1 are stored as unset. Ignored outside 0 to 9.
  void SetWartosci(int i, int32_t value);
  // A slot is used when it holds the exempt rate or a rate; exempt when it holds -1.
  bool GetUzywane(int i) const;
  bool GetZwolnione(int i) const;
  // The number of slots up to and including the last used one (unset slots before it count).
  int IleUstawionych() const;
  // Unsets every slot from `n` (0 when negative) on.
  void ObetnijDoTylu(int n);

  // Reads the stored form: a value per line (CR, LF or CR LF), at most ten; a line that is no
  // decimal integer leaves its slot unset. With `mnoz`, values above 0 are multiplied by 100
  // (whole percent read into a precise mapping).
  void WczytajZTekstuParametru(const std::string& text, bool mnoz);
  // Fills the slots with the set's elements from the last (the highest) to the first.
  void WczytajZListyDostepnychStawek(const TMacSetOfIntegers& stawki);
  // The stored form: the ten values in decimal, joined by CR LF, no line end after the last.
  std::string SpiszDoTekstuParametru() const;

  // Counts every change of a slot, so that an answer derived from the mapping can tell
  // whether it still holds.
  unsigned Wersja() const { return wersja; }

 private:
  int32_t FWartosci[kIloscSlotow];
  unsigned wersja = 0;
};
