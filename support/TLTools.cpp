#include "support/TLTools.h"

#include "hostlib/TMFile.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"

namespace {

constexpr int kPlRows = 14;
constexpr int kPlLetters = 18;
// The letters Ą Ć Ę Ł Ń Ó Ś Ż Ź ą ć ę ł ń ó ś ż ź in each coding (note Ż before Ź).
constexpr unsigned char kPolishLetters[kPlRows][kPlLetters] = {
    // 0: code page 852
    {0xa4, 0x8f, 0xa8, 0x9d, 0xe3, 0xe0, 0x97, 0xbd, 0x8d, 0xa5, 0x86, 0xa9, 0x88, 0xe4, 0xa2, 0x98,
     0xbe, 0xab},
    // 1: Mazovia
    {0x8f, 0x95, 0x90, 0x9c, 0xa5, 0xa3, 0x98, 0xa1, 0xa0, 0x86, 0x8d, 0x91, 0x92, 0xa4, 0xa2, 0x9e,
     0xa7, 0xa6},
    // 2: Windows-1250
    {0xa5, 0xc6, 0xca, 0xa3, 0xd1, 0xd3, 0x8c, 0xaf, 0x8f, 0xb9, 0xe6, 0xea, 0xb3, 0xf1, 0xf3, 0x9c,
     0xbf, 0x9f},
    {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0x89, 0x8a, 0x8b, 0x8c, 0x8d, 0x8e, 0x8f,
     0x91, 0x90},
    {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0xa0, 0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6,
     0xa7, 0xa8},
    {0x80, 0x82, 0x84, 0x8b, 0x8d, 0x8e, 0x92, 0x97, 0x99, 0xa0, 0xa2, 0xa4, 0xab, 0xad, 0xae, 0xb2,
     0xb7, 0xb9},
    // 6: letters without diacritics
    {0x41, 0x43, 0x45, 0x4c, 0x4e, 0x4f, 0x53, 0x5a, 0x5a, 0x61, 0x63, 0x65, 0x6c, 0x6e, 0x6f, 0x73,
     0x7a, 0x7a},
    {0xc0, 0xc3, 0xc6, 0xcc, 0xce, 0xd0, 0xd5, 0xdd, 0xdc, 0xe0, 0xe3, 0xe6, 0xec, 0xee, 0xf0, 0xf5,
     0xfd, 0xfc},
    {0x79, 0x78, 0x7a, 0x6c, 0x4e, 0x74, 0x53, 0x5a, 0x5a, 0x79, 0x78, 0x7a, 0x6c, 0x4e, 0x74, 0x53,
     0x5a, 0x5a},
    {0x79, 0x78, 0x7a, 0x6c, 0x7b, 0x74, 0x7c, 0x7d, 0x7e, 0x79, 0x78, 0x7a, 0x6c, 0x7b, 0x74, 0x7c,
     0x7d, 0x7e},
    {0x02, 0x01, 0x03, 0xf8, 0x04, 0x99, 0x05, 0x06, 0x06, 0x02, 0x01, 0x03, 0xf8, 0x04, 0x99, 0x05,
     0x06, 0x06},
    {0xcc, 0xcd, 0xce, 0xcf, 0xd0, 0xd1, 0xd2, 0xd4, 0xd3, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9,
     0xcb, 0xca},
    {0x7b, 0x7d, 0x7f, 0x81, 0x83, 0x85, 0x87, 0x8b, 0x89, 0x7c, 0x7e, 0x80, 0x82, 0x84, 0x86, 0x88,
     0x8c, 0x8a},
    {0xb8, 0xb9, 0x7d, 0xba, 0xc0, 0xb6, 0xbb, 0xbf, 0xbc, 0xb8, 0xb9, 0x7d, 0xba, 0xc0, 0xb6, 0xbb,
     0xbf, 0xbc},
};

constexpr const char* kModule = "kstools_LTools";
constexpr const char* kBinariesKey = "SOFTWARE\\KALMORA\\TVKWin\\Instalacja";
constexpr const char* kBinariesValue = "Binaria";

}  // namespace

void TLTools::ArchiveFile(const std::string& source, const std::string& archive,
                          const TMLgExtTools* lg, bool exportFlag, int mode, bool header,
                          const std::string& extraLine) {
  if (!platform::CurrentEnv()->FileExists(source)) return;
  TMFile in(source);
  in.SetReadOnly(true);
  in.Open();
  TMFile out(archive);
  out.Open();
  out.GotoEnd();
  if (header) {
    const std::string now = TdtTools::FormatReadable(TdtTools::Now());
    if (exportFlag) {
      out.WriteLine(TMLgExtTools::Get(lg, kModule, "oolsArchiveFlineAnsiStri",
                                      "\r\n----------- [EKSPORT WYKONANY DNIA: ") +
                    now + "] ------------");
      static const char* const kModeKeys[] = {
          "sArchiveFto_fileWriteLin", "sArchiveFto_fileWriteLin_00001",
          "sArchiveFto_fileWriteLin_00002", "sArchiveFto_fileWriteLin_00003"};
      static const char* const kModeTexts[] = {"OTWARTA ZM. FISK.", "ZAMKNIETA ZM. FISK.",
                                               "WSZYSTKIE", "ZMIANA LISTY"};
      if (mode >= 0 && mode <= 3) {
        out.WriteLine(TMLgExtTools::Get(lg, kModule, kModeKeys[mode], kModeTexts[mode]));
      }
    } else {
      out.WriteLine(TMLgExtTools::Get(lg, kModule, "oolsArchiveFlineAnsiStri_00001",
                                      "\r\n------------ [IMPORT WYKONANY DNIA: ") +
                    now + "] ------------");
    }
  }
  if (!extraLine.empty()) out.WriteLine(extraLine);
  std::string line;
  while (in.ReadLine(line)) out.WriteLine(line);
  out.Close();
  in.Close();
}

void TLTools::BufToFile(const std::string& content, const std::string& path) {
  TMFile out(path);
  out.Open();
  out.GotoStart();
  out.Truncate();
  out.Write(content);
  out.Close();
}

std::string TLTools::plstring(std::string& text) const {
  PlConvert(text);
  return text;
}

void TLTools::PlConvert(std::string& text) const {
  if (pltype_in < 0 || pltype_in >= kPlRows || pltype_out < 0 || pltype_out >= kPlRows ||
      pltype_in == pltype_out) {
    return;
  }
  // One table for all bytes. Where a row lists a byte twice (letters without diacritics
  // have Z for both Ż and Ź), its first place decides, so the table is filled from the end.
  const unsigned char* from = kPolishLetters[pltype_in];
  const unsigned char* to = kPolishLetters[pltype_out];
  unsigned char map[256];
  for (int b = 0; b < 256; ++b) map[b] = static_cast<unsigned char>(b);
  for (int i = kPlLetters - 1; i >= 0; --i) map[from[i]] = to[i];
  for (char& c : text) c = static_cast<char>(map[static_cast<unsigned char>(c)]);
}

std::string TLTools::StrMax(const std::string& text, int max, bool ellipsis) {
  std::string copy = text;
  if (max < 0) max = 0;
  bool cut = copy.size() > static_cast<size_t>(max);
  if (cut) copy.resize(static_cast<size_t>(max));
  if (ellipsis && cut && copy.size() > 3) copy.replace(copy.size() - 3, 3, "...");
  return copy;
}

std::string TLTools::StrSize(std::string& text, int size, char fill, e_just pad, e_just cut) {
  if (size < 0) size = 0;
  size_t n = static_cast<size_t>(size);
  if (text.size() > n) {
    if (cut == right) {
      text.resize(n);
    } else {
      text.erase(0, text.size() - n);
    }
  } else if (text.size() < n) {
    if (pad == right) {
      text.append(n - text.size(), fill);
    } else {
      text.insert(0, n - text.size(), fill);
    }
  }
  return text;
}

void TLTools::KorygujCyfreKontrolnaEAN13(std::string& code) {
  std::string digits;
  for (char c : code) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.size() > 12) digits.resize(12);
  while (digits.size() < 12) digits += '0';
  int sum = 0;
  // Weights 3 and 1 alternate from the rightmost of the twelve digits, which weighs 3.
  for (int i = 0; i < 12; ++i) {
    int weight = (11 - i) % 2 == 0 ? 3 : 1;
    sum += (digits[static_cast<size_t>(i)] - '0') * weight;
  }
  digits += static_cast<char>('0' + (10 - sum % 10) % 10);
  code = digits;
}

std::string TLTools::WczytajSciezkeDoBinariow() {
  std::string dir =
      TxTools::TrimSpaces(platform::CurrentEnv()->ReadRegistryString(kBinariesKey, kBinariesValue));
  if (!dir.empty() && dir.back() != platform::kPathSeparator) dir += platform::kPathSeparator;
  return dir;
}
