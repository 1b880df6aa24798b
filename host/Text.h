// Text helpers of the host program. Everything inside tvkhost is Windows-1250, as the driver
// speaks it; UTF-8 appears only at the edges (the terminal, the log, files a person typed).
#pragma once

#include <string>
#include <vector>

namespace tvkhost {

// Windows-1250 bytes as UTF-8. Bytes that the code page leaves undefined become U+FFFD.
std::string Cp1250ToUtf8(const std::string& text);
// UTF-8 as Windows-1250; characters the code page lacks become "?". Invalid sequences are
// taken byte by byte as Windows-1250.
std::string Utf8ToCp1250(const std::string& text);
// True when the text holds at least one byte above 127 and all of it is well-formed UTF-8:
// then a file a person wrote is taken to be UTF-8 rather than Windows-1250.
bool LooksLikeUtf8(const std::string& text);

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
