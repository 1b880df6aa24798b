// Text helpers of the simulator: the register's code page (852) against the system's
// (Windows-1250), terminal and state-file text (UTF-8), and the number forms of the
// register's files. Written for the simulator alone: it reads the driver's files with its
// own eyes, so that a fault in one reading shows up against the other.
#pragma once

#include <string>
#include <vector>

namespace sim {

// Code page 852 bytes to Windows-1250. A character that Windows-1250 cannot hold (the box
// drawing characters, for example) becomes "?", so text written in the wrong code page
// arrives visibly garbled instead of silently right.
std::string Cp852ToCp1250(const std::string& text);
// Windows-1250 to code page 852; characters without an 852 form become "?".
std::string Cp1250ToCp852(const std::string& text);
// Windows-1250 to UTF-8 (for the terminal and the state files).
std::string Cp1250ToUtf8(const std::string& text);
// UTF-8 to Windows-1250; characters without a Windows-1250 form (and broken sequences)
// become "?".
std::string Utf8ToCp1250(const std::string& text);

// True when `text` is well-formed UTF-8 (plain ASCII is).
bool IsUtf8(const std::string& text);

// The pieces of `text` between `separator`s (an empty text gives one empty piece).
std::vector<std::string> Split(const std::string& text, char separator);
// The lines of a file's bytes: cut at LF, a CR before the LF dropped. A last line without
// LF counts; nothing after a final LF does.
std::vector<std::string> Lines(const std::string& bytes);
// Without leading and trailing blanks and tabs.
std::string Trim(const std::string& text);
// Without trailing blanks.
std::string TrimRight(const std::string& text);
// ASCII upper case.
std::string Upper(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);

// A whole decimal number: an optional "-" and digits only, nothing else (no blanks).
bool ParseInt(const std::string& text, long long& value);
// Digits only.
bool IsDigits(const std::string& text);

// An amount with at most two decimals after `separator` (for example 12,5 or 12,50 with
// ","), into hundredths. Strict: nothing but an optional "-", digits and one separator.
bool ParseHundredths(const std::string& text, char separator, long long& value);
// A quantity with at most three decimals after `separator`, into thousandths; `decimals`
// receives the number of decimals written.
bool ParseThousandths(const std::string& text, char separator, long long& value, int& decimals);
// Hundredths as a number with two decimals: -5 gives -0,05 with ",".
std::string FormatHundredths(long long value, char separator);
// Thousandths as a number with three decimals: 1500 gives 1.500 with ".".
std::string FormatThousandths(long long value, char separator);

// Whole files, read and written in binary mode. ReadBytes is false when the file cannot
// be opened; WriteBytes is false when it cannot be written completely.
bool ReadBytes(const std::string& path, std::string& bytes);
bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace sim
