// Text tools of the host library. Texts are 8-bit Windows-1250 strings.
#pragma once

#include <string>
#include <vector>

class TxTools {
 public:
  // Word `index` (from 0) of `text` cut at `separator`; empty when there is no such word.
  static std::string SelectWord(const std::string& text, int index, char separator);
  // `text` without any character that occurs in `set`.
  static std::string DeleteChars(const std::string& text, const std::string& set);

  // Trimming of blanks and control characters (every byte up to and including 0x20).
  static std::string Trim(const std::string& text);
  static std::string TrimLeft(const std::string& text);
  static std::string TrimRight(const std::string& text);
  // Trimming of blanks (spaces) only.
  static std::string TrimSpaces(const std::string& text);

  // Upper and lower case, Polish letters of Windows-1250 included.
  static std::string UpperCase(const std::string& text);
  static std::string LowerCase(const std::string& text);

  // The text as a decimal integer: optional blanks, an optional sign and digits, nothing
  // else. StrToInt raises EConvertError for anything else; StrToIntDef answers `def`.
  static int StrToInt(const std::string& text);
  static int StrToIntDef(const std::string& text, int def);
  static bool TryStrToInt(const std::string& text, int& value);
  // The leading integer of a text: blanks skipped, an optional sign, the digits up to the
  // first other character; 0 when there are none.
  static int LeadingInt(const std::string& text);
  static std::string IntToStr(long long value);

  // printf-style formatting into a string.
  static std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

  // The lines of a text split at CR, LF or CR LF; an empty text gives no line.
  static std::vector<std::string> SplitLines(const std::string& text);

  // The host library's message box, owned by ApplicationWindow.
  static int MsgBox(const std::string& text, const std::string& title, unsigned flags);
  // The window that owns the library's windows (the host's main window once registered).
  static void* ApplicationWindow;
};
