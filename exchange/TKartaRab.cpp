#include "exchange/TKartaRab.h"

#include <string_view>

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "support/TLTools.h"

namespace {

constexpr const char* kModule = "kstools_KartaRab";

// The characters a pattern may hold besides digits; "x" is checked on its own.
constexpr std::string_view kSectionLetters = "DMYdkmrsy";
// The EAN-13 check digit is the code's thirteenth character.
constexpr size_t kCheckDigitIndex = 12;

[[noreturn]] void Raise(const TMLgExtTools* lg, const char* key, const char* text) {
  throw Exception(TMLgExtTools::Get(lg, kModule, key, text));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool Contains(const std::string& text, char c) {
  return text.find(c) != std::string::npos;
}

// Length of the run at `start` of letters that are `lower` or `upper`.
size_t RunLength(const std::string& pattern, size_t start, char lower, char upper) {
  size_t n = 0;
  while (start + n < pattern.size() && (pattern[start + n] == lower || pattern[start + n] == upper))
    ++n;
  return n;
}

// Length of the run of `letter` from its first occurrence in the pattern; 0 when absent.
size_t RunLength(const std::string& pattern, char letter) {
  const size_t start = pattern.find(letter);
  return start == std::string::npos ? 0 : RunLength(pattern, start, letter, letter);
}

// A number fitted to its run: "0" on the left when short; when too long, keep the leading
// characters (cut on the right) or the trailing ones (cut on the left).
std::string Fit(std::string text, size_t size, TLTools::e_just cut) {
  return TLTools::StrSize(text, static_cast<int>(size), '0', TLTools::left, cut);
}

// A date part (year, month or day) fitted to the run of its letter. A lower-case run keeps
// the trailing digits ("yy" of 2031 is "31"), an upper-case run the leading ones.
std::string DateSection(const std::string& pattern, char lower, char upper, int value) {
  size_t start = pattern.find(lower);
  bool lowerCase = true;
  if (start == std::string::npos) {
    start = pattern.find(upper);
    lowerCase = false;
  }
  if (start == std::string::npos) return {};
  return Fit(std::to_string(value), RunLength(pattern, start, lower, upper),
             lowerCase ? TLTools::left : TLTools::right);
}

}  // namespace

void TKartaRab::Czysc() {
  Przedrostek = 0;
  TermWaznKarty = 0;
  PoziomRabatu = 0;
  KodKarty.clear();
}

void TKartaRab::SprawdzPoprawnoscWzorca(const std::string& pattern, const TMLgExtTools* lg) {
  if (pattern.empty()) {
    Raise(lg, "TKartaRaSprawdzPExceptio",
          "TKartaRab: jak mam przetwarzać karty klienta, jeśli format nie wprowadzony?");
  }
  if (Contains(pattern, 'y') && Contains(pattern, 'Y')) {
    Raise(lg, "TKartaRaSprawdzPExceptio_00001",
          "TKartaRab: w formacie nie mogą występować równocześnie y i Y");
  }
  if (Contains(pattern, 'm') && Contains(pattern, 'M')) {
    Raise(lg, "TKartaRaSprawdzPExceptio_00002",
          "TKartaRab: w formacie nie mogą występować równocześnie m i M");
  }
  if (Contains(pattern, 'd') && Contains(pattern, 'D')) {
    Raise(lg, "TKartaRaSprawdzPExceptio_00003",
          "TKartaRab: w formacie nie mogą występować równocześnie d i D");
  }
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (IsDigit(c) || kSectionLetters.find(c) != std::string_view::npos) continue;
    if (c == 'x') {
      if (i == kCheckDigitIndex) continue;
      Raise(lg, "TKartaRaSprawdzPExceptio_00004",
            "TKartaRab: cyfra kontrolna EAN13 (literka 'x' w formacie karty) może być tylko na 13 "
            "miejscu, albo wcale");
    }
    Raise(lg, "TKartaRaSprawdzPExceptio_00005",
          "TKartaRab: niedopuszczalne znaki w formacie karty - używaj tylko 0-9 oraz skymdYMDrx");
  }
  if (!Contains(pattern, 'k')) {
    Raise(lg, "TKartaRaSprawdzPExceptio_00006",
          "TKartaRab: format karty musi zawierać sekcję z kodem klienta (\"kkk...\")");
  }
}

std::string TKartaRab::Poskladaj(const std::string& pattern, const TMLgExtTools* lg) {
  SprawdzPoprawnoscWzorca(pattern, lg);

  // Prefix, customer code and discount level keep their leading characters when too long.
  const std::string s = Fit(std::to_string(Przedrostek), RunLength(pattern, 's'), TLTools::right);
  const std::string k = Fit(KodKarty, RunLength(pattern, 'k'), TLTools::right);
  const std::string r = Fit(std::to_string(PoziomRabatu), RunLength(pattern, 'r'), TLTools::right);
  const DateParts date = TdtTools::Decode(TermWaznKarty);
  const std::string y = DateSection(pattern, 'y', 'Y', date.year);
  const std::string m = DateSection(pattern, 'm', 'M', date.month);
  const std::string d = DateSection(pattern, 'd', 'D', date.day);

  std::string result;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const std::string* section = nullptr;
    switch (c) {
      case 's':
        section = &s;
        break;
      case 'k':
        section = &k;
        break;
      case 'r':
        section = &r;
        break;
      case 'y':
      case 'Y':
        section = &y;
        break;
      case 'm':
      case 'M':
        section = &m;
        break;
      case 'd':
      case 'D':
        section = &d;
        break;
      default:
        break;
    }
    if (section != nullptr) {
      // A section is as long as its run, so the code's length is the pattern position that
      // follows the run. A letter present in the pattern always has a run of at least one, so
      // the code grows at every section and the walk ends.
      result += *section;
      i = result.size();
      continue;
    }
    if (IsDigit(c)) result += c;  // "x" adds nothing: its digit is computed below
    ++i;
  }
  if (Contains(pattern, 'x')) TLTools::KorygujCyfreKontrolnaEAN13(result);
  return result;
}

void TKartaRab::Rozparsuj(const std::string& pattern, const std::string& code,
                          const TMLgExtTools* lg) {
  Czysc();
  SprawdzPoprawnoscWzorca(pattern, lg);
  const size_t start = pattern.find('k');
  // A code shorter than the pattern gives what it has at the section's place, or nothing.
  if (start < code.size()) KodKarty = code.substr(start, RunLength(pattern, 'k'));
}
