// Text helpers of the host program. Everything inside tvkhost is Windows-1250, as the driver
// speaks it; UTF-8 appears only at the edges (the terminal, the log, files a person typed).
#pragma once

#include <string>
#include <vector>

#include "platform/Cp1250.h"

namespace tvkhost {

// The conversions between Windows-1250 and UTF-8 are the platform's; LooksLikeUtf8 tells a
// file a person wrote in UTF-8 from one in Windows-1250.
using platform::Cp1250ToUtf8;
using platform::LooksLikeUtf8;
using platform::Utf8ToCp1250;

// The text without leading and trailing blanks and control characters.
std::string Trim(const std::string& text);
// ASCII upper case (enough for the driver's parameter names and the host's own keys).
std::string Upper(const std::string& text);
// Trimmed, case-insensitive equality; two empty texts do not match.
bool SameName(const std::string& a, const std::string& b);
// Cuts the text at every occurrence of `separator`.
std::vector<std::string> Split(const std::string& text, char separator);
// Cuts a file's bytes into lines at CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text);
// Strict decimal integer (after trimming); false when the text is none.
bool ParseInt(const std::string& text, int& value);

// A whole file as bytes. False when it cannot be opened or read.
bool ReadFileBytes(const std::string& path, std::string& bytes);
// Writes bytes to a file, replacing it. False when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace tvkhost
