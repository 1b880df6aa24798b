// A discount-card pattern: composes a customer's card code from a pattern of section
// letters (s prefix, k customer code, r discount level, y/Y year, m/M month, d/D day,
// x EAN-13 check digit; a digit stands for itself).
#pragma once

#include <cstdint>
#include <string>

class TMLgExtTools;

class TKartaRab {
 public:
  void Czysc();
  // The card code composed from the four members; raises what the pattern check raises.
  std::string Poskladaj(const std::string& pattern, const TMLgExtTools* lg);
  // Raises the first fault of the pattern.
  static void SprawdzPoprawnoscWzorca(const std::string& pattern, const TMLgExtTools* lg);
  // Clears the members, checks the pattern and takes KodKarty from `code` at the place and
  // length of the pattern's first run of "k".
  void Rozparsuj(const std::string& pattern, const std::string& code, const TMLgExtTools* lg);

  int32_t Przedrostek = 0;
  double TermWaznKarty = 0;
  int32_t PoziomRabatu = 0;
  std::string KodKarty;
};
