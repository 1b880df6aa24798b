// Text tools of the host library. Texts are 8-bit Windows-1250 strings.
#pragma once

#include <atomic>
#include <string>
#include <vector>

// The arguments are checked against the standard printf whatever the C runtime's own is
// (MinGW's "printf" means Microsoft's, which GCC would check instead); clang names the
// standard one "printf".
#if defined(__clang__)
#define TXTOOLS_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define TXTOOLS_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#endif

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

  // printf-style formatting into a string, the same in every locale of the process: the
  // driver shares its C runtime with the host, and a host that switches to a decimal-comma
  // locale must not change what the driver writes into files and messages. Every decimal the
  // driver writes goes through here (TxfTools::Format does too).
  // Conversions: d i u o x X c s f F and %%, with the flags "-", "0", "+", " " and "#", a
  // width and a precision (each also "*") and the length modifiers hh h l ll j z t and L.
  // Decimals are written with "." and rounded exactly from the binary value, halves to
  // even, as printf does. A null %s writes "(null)". Any other conversion raises Exception
  // naming the format (its argument cannot be skipped safely).
  static std::string Format(const char* format, ...) TXTOOLS_PRINTF_FORMAT(1, 2);

  // The lines of a text split at CR, LF or CR LF; an empty text gives no line.
  static std::vector<std::string> SplitLines(const std::string& text);

  // The host library's message box, owned by ApplicationWindow.
  static int MsgBox(const std::string& text, const std::string& title, unsigned flags);
  // The window that owns the library's windows (the host's main window once registered).
  static std::atomic<void*> ApplicationWindow;
};
